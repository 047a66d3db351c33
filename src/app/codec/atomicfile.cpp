#include "atomicfile.h"

#include "error.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void CannotCreate(const QString& path)
{
    throw EFCreateError(QStringLiteral("ファイル %1 を作成できません").arg(path));
}

// Owns the temporary file until it has been renamed into place: closes and
// removes it on every early way out.
class TemporaryFile {
public:
    explicit TemporaryFile(const QByteArray& folder)
        : name_(folder + "/.yotsumado-XXXXXX")
    {
        fd_ = mkstemp(name_.data());
        if (fd_ < 0)
            name_.clear();
    }
    ~TemporaryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!name_.isEmpty())
            ::unlink(name_.constData());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool Opened() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    const char* Name() const { return name_.constData(); }

    bool WriteAll(const char* data, qsizetype size)
    {
        while (size > 0) {
            const ssize_t written = ::write(fd_, data, std::size_t(size));
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            data += written;
            size -= written;
        }
        return true;
    }

    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

    // The file now lives under another name; nothing is left to remove.
    void Released() { name_.clear(); }

private:
    QByteArray name_;
    int fd_ = -1;
};

mode_t NewFileMode()
{
    // umask can only be read by setting it; put it straight back.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void WriteFileAtomically(const QString& path, const QByteArray& data)
{
    if (path.isEmpty())
        CannotCreate(path);
    QFileInfo target(path);
    // Replace what a symbolic link points at, not the link.
    if (target.isSymLink() && target.exists())
        target = QFileInfo(target.canonicalFilePath());
    if (target.isDir() || target.fileName().isEmpty())
        CannotCreate(path);

    const QByteArray targetName = QFile::encodeName(target.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(target.absolutePath());

    struct stat old {};
    const bool replacing = ::stat(targetName.constData(), &old) == 0;
    // A write-protected file stays protected, as it would against creating it anew.
    if (replacing && (!S_ISREG(old.st_mode) || ::access(targetName.constData(), W_OK) != 0))
        CannotCreate(path);
    const mode_t mode = replacing ? mode_t(old.st_mode & 07777) : NewFileMode();

    TemporaryFile temp(folder);
    if (!temp.Opened())
        CannotCreate(path);
    if (!temp.WriteAll(data.constData(), data.size()) || ::fchmod(temp.Fd(), mode) != 0
        || ::fsync(temp.Fd()) != 0 || !temp.Close())
        CannotCreate(path);
    if (::rename(temp.Name(), targetName.constData()) != 0)
        CannotCreate(path);
    temp.Released();

    // Make the rename itself durable; the new file is in place either way.
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
}
