#pragma once
// The few POSIX file steps that the save, the mail store and the hand-over
// share: a descriptor closed on every way out, a write that does not stop
// half way, and the random part of a name nothing has yet.

#include <QByteArray>

namespace yotsumado {

// A file descriptor closed when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    void Reset(int fd)
    {
        Close();
        fd_ = fd;
    }
    int Release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // False when close reports an error (a write that failed late).
    bool Close();

private:
    int fd_;
};

// Writes all of `size` bytes, going on after interruptions and short writes;
// false on an error. Allocates nothing, so a forked child may use it.
bool WriteAll(int fd, const char* data, qsizetype size);
inline bool WriteAll(int fd, const QByteArray& data) { return WriteAll(fd, data.constData(), data.size()); }

// `length` letters and digits from the system's random source.
QByteArray RandomNamePart(int length);

} // namespace yotsumado
