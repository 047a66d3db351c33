#include "codec/atomicfile.h"

#include "core/error.h"
#include "core/filename.h"
#include "core/posixfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace yotsumado {

namespace {

[[noreturn]] void CannotCreate(const QString& path)
{
    throw CannotCreateError(path);
}

// Any failure on the way; reported as the create error with the name as given.
struct CreateFailed {};

mode_t NewFileMode()
{
    // umask can only be read by setting it; put it straight back.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A hidden name in the folder that nothing has yet.
QByteArray HiddenName()
{
    return ".yotsumado-" + RandomNamePart(10);
}

// Where the new file goes: the folder and the name in it. A symbolic link
// that leads to an existing file is replaced where the file really is.
bool ResolveTarget(const QByteArray& path, QByteArray& folder, QByteArray& name)
{
    QByteArray target = path;
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode) && ::stat(path.constData(), &st) == 0) {
        char* real = ::realpath(path.constData(), nullptr);
        if (!real)
            return false;
        target = real;
        std::free(real);
    }
    const qsizetype slash = target.lastIndexOf('/');
    folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target.left(slash);
    name = target.mid(slash + 1);
    return !name.isEmpty() && name != "." && name != "..";
}

// Gives the new file the mode, owner and group the replaced one had. Only
// root may give a file away; a group this user belongs to is still kept.
bool TakeOver(int fd, mode_t mode, const struct stat* old)
{
    if (old && ::fchown(fd, old->st_uid, old->st_gid) != 0 && errno == EPERM)
        (void)::fchown(fd, uid_t(-1), old->st_gid);
    // After fchown, which may clear the set-user and set-group bits.
    return ::fchmod(fd, mode) == 0;
}

// Links the unnamed file `fd` into the folder as `name`; false with errno.
bool LinkUnnamed(int fd, int folderFd, const char* name)
{
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, procPath, folderFd, name, AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != ENOENT)
        return false;
    // No /proc: the direct way needs a privilege most users lack.
    return ::linkat(fd, "", folderFd, name, AT_EMPTY_PATH) == 0;
}

// Removes the hidden temporary file on every way out that has not renamed it.
class HiddenFile {
public:
    explicit HiddenFile(int folderFd) : folderFd_(folderFd) {}
    ~HiddenFile()
    {
        if (!name_.isEmpty())
            ::unlinkat(folderFd_, name_.constData(), 0);
    }
    HiddenFile(const HiddenFile&) = delete;
    HiddenFile& operator=(const HiddenFile&) = delete;
    const QByteArray& Name() const { return name_; }
    void Named(const QByteArray& name) { name_ = name; }
    void Released() { name_.clear(); }

private:
    int folderFd_;
    QByteArray name_;
};

// Writes the new file, unnamed or under a hidden name, and puts it in place
// of `name`. Throws the create error on failure; false only when the unnamed
// way is not available here and the hidden one should be tried.
bool WriteAndPlace(int folderFd, const QByteArray& name, const QByteArray& data, mode_t mode,
                   const struct stat* old, bool unnamed)
{
    const AtomicFileTestHooks& hooks = AtomicFileHooksForTests();
    FileDescriptor file;
    HiddenFile hidden(folderFd);
    if (unnamed) {
        file.Reset(::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        if (!file.Valid())
            return false;
    } else {
        for (int attempt = 0; attempt < 32 && !file.Valid(); ++attempt) {
            const QByteArray candidate = HiddenName();
            file.Reset(::openat(folderFd, candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (file.Valid())
                hidden.Named(candidate);
            else if (errno != EEXIST)
                throw CreateFailed();
        }
        if (!file.Valid())
            throw CreateFailed();
    }
    if (!WriteAll(file.Get(), data) || !TakeOver(file.Get(), mode, old)
        || ::fsync(file.Get()) != 0)
        throw CreateFailed();

    if (hooks.beforeLink)
        hooks.beforeLink();

    if (unnamed) {
        // A new name is taken in one step, failing if it appeared meanwhile.
        // A file cannot be linked over an existing one, so a replacement is
        // linked under a hidden name and renamed over the old file at once.
        if (!old) {
            if (LinkUnnamed(file.Get(), folderFd, name.constData()))
                return true;  // written and flushed before it got its name
            if (errno != EEXIST)
                return false;
        }
        for (int attempt = 0; hidden.Name().isEmpty() && attempt < 32; ++attempt) {
            const QByteArray candidate = HiddenName();
            if (LinkUnnamed(file.Get(), folderFd, candidate.constData()))
                hidden.Named(candidate);
            else if (errno != EEXIST)
                return false;
        }
        if (hidden.Name().isEmpty())
            throw CreateFailed();
    }
    if (!file.Close() || ::renameat(folderFd, hidden.Name().constData(), folderFd, name.constData()) != 0)
        throw CreateFailed();
    hidden.Released();
    return true;
}

} // namespace

AtomicFileTestHooks& AtomicFileHooksForTests()
{
    static AtomicFileTestHooks hooks;
    return hooks;
}

void WriteFileAtomically(const QString& path, const QByteArray& data)
try {
    const AtomicFileTestHooks& hooks = AtomicFileHooksForTests();
    QByteArray folder, name;
    if (path.isEmpty() || !ResolveTarget(FileNameBytes(path), folder, name))
        CannotCreate(path);
    const FileDescriptor folderFd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd.Valid())
        CannotCreate(path);

    struct stat old {};
    const bool replacing = ::fstatat(folderFd.Get(), name.constData(), &old, 0) == 0;
    // A write-protected file stays protected, as it would against creating it anew.
    if (replacing && (!S_ISREG(old.st_mode) || ::faccessat(folderFd.Get(), name.constData(), W_OK, 0) != 0))
        CannotCreate(path);
    // The replaced file's permissions, never its set-user-id, set-group-id
    // or sticky bit: a picture made by this program must not run with the
    // rights of whoever owned the file it replaces.
    const mode_t mode = replacing ? mode_t(old.st_mode & 0777) : NewFileMode();

    // The unnamed file has no name to leave behind; the hidden one is
    // removed on every way out but one that kills the process. Where the
    // unnamed file cannot be made or given a name (a file system without
    // O_TMPFILE, no /proc), the hidden one is used.
    bool unnamed = !hooks.namedTemporaryOnly;
    while (!WriteAndPlace(folderFd.Get(), name, data, mode, replacing ? &old : nullptr, unnamed)) {
        if (!unnamed)
            CannotCreate(path);
        unnamed = false;
    }
    // Make the new name itself durable; the new file is in place either way.
    ::fsync(folderFd.Get());
} catch (const CreateFailed&) {
    CannotCreate(path);
}

} // namespace yotsumado
