#include "platform/desktop/mail/attachmentstore.h"

#include "core/filename.h"
#include "core/posixfile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace yotsumado {

namespace platform {

namespace {

constexpr int kRandomLength = 6;

const QRegularExpression& FolderPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{8})T([0-9]{6})Z-[A-Za-z0-9]{%1}$").arg(kRandomLength));
    return pattern;
}

// The user's cache folder. The variables hold bytes, which need not be
// UTF-8; the names keep them (filename.h).
QString DefaultBase()
{
    const QString cache = FileNameFromBytes(qgetenv("XDG_CACHE_HOME"));
    if (QDir::isAbsolutePath(cache))
        return QDir::cleanPath(cache);
    const QString home = FileNameFromBytes(qgetenv("HOME"));
    return QDir::cleanPath((home.isEmpty() ? QDir::homePath() : home) + QStringLiteral("/.cache"));
}

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Creates every missing folder of an absolute path with mode 0700; existing
// ones are left as they are. The open folder, or -1.
int OpenOrMakeUserPath(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    if (!QDir::isAbsolutePath(clean))
        return -1;
    QString partial;
    for (const QString& part : clean.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        partial += QLatin1Char('/') + part;
        if (::mkdir(FileNameBytes(partial).constData(), 0700) != 0 && errno != EEXIST)
            return -1;
    }
    return ::open(FileNameBytes(clean).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// A folder of the store is used only when it is a folder (a link is never
// opened, see kFolderFlags), this user's, and writable by nobody else: the
// privileges of root make no exception, since root may create files in
// anyone's folder but must not trust what others could have put there.
bool Trusted(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Opens the store's folder `name` inside `parent` without following a link,
// making it (mode 0700) first when missing and `make`; -1 when missing,
// not a folder, a link or not trusted.
int OpenLevel(int parent, const QByteArray& name, bool make)
{
    int fd = ::openat(parent, name.constData(), kFolderFlags);
    if (fd < 0 && errno == ENOENT && make) {
        if (::mkdirat(parent, name.constData(), 0700) != 0 && errno != EEXIST)
            return -1;
        fd = ::openat(parent, name.constData(), kFolderFlags);
    }
    if (fd >= 0 && !Trusted(fd)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The names in an open folder, "." and ".." left out.
QList<QByteArray> ListFolder(int fd)
{
    QList<QByteArray> names;
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return names;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        ::close(copy);
        return names;
    }
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(dir);
    return names;
}

// A plain name of an entry in a folder: no folder part, not "." or "..".
bool PlainName(const QByteArray& name)
{
    return !name.isEmpty() && !name.contains('/') && name != "." && name != "..";
}

} // namespace

MailAttachmentStore::MailAttachmentStore()
    : MailAttachmentStore(InCache(QStringLiteral("mail")))
{
}

MailAttachmentStore MailAttachmentStore::InCache(const QString& name)
{
    MailAttachmentStore store(DefaultBase() + QStringLiteral("/yotsumado/") + name);
    store.base_ = DefaultBase();
    store.levels_ = QStringList{QStringLiteral("yotsumado"), name};
    return store;
}

MailAttachmentStore::MailAttachmentStore(const QString& root)
    : root_(AbsoluteFileName(root))
{
    const QFileInfo info(root_);
    base_ = info.absolutePath();
    if (!info.fileName().isEmpty())
        levels_ << info.fileName();
}

int MailAttachmentStore::OpenRoot(bool make) const
{
    if (levels_.isEmpty())
        return -1;
    FileDescriptor level(make ? OpenOrMakeUserPath(base_)
                  : ::open(FileNameBytes(base_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (const QString& name : levels_) {
        if (!level.Valid())
            return -1;
        level = FileDescriptor(OpenLevel(level.Get(), FileNameBytes(name), make));
    }
    return level.Release();
}

QString MailAttachmentStore::CreateFolder(const QDateTime& now)
{
    const FileDescriptor root(OpenRoot(true));
    if (!root.Valid())
        return {};
    const QString stamp = now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    for (int attempt = 0; attempt < 32; ++attempt) {
        const QString name = stamp + QLatin1Char('-') + QString::fromLatin1(RandomNamePart(kRandomLength));
        const QByteArray native = FileNameBytes(name);
        if (::mkdirat(root.Get(), native.constData(), 0700) == 0) {
            const FileDescriptor folder(::openat(root.Get(), native.constData(), kFolderFlags));
            // The umask may have taken more than we asked for; never less.
            if (!folder.Valid() || ::fchmod(folder.Get(), 0700) != 0)
                return {};
            return root_ + QLatin1Char('/') + name;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

bool MailAttachmentStore::WriteAttachment(const QString& folder, const QString& name, const QByteArray& data)
{
    const QFileInfo info(folder);
    const QByteArray folderName = FileNameBytes(info.fileName());
    const QByteArray fileName = FileNameBytes(name);
    if (QDir::cleanPath(info.absolutePath()) != root_ || !FolderTime(info.fileName()).isValid()
        || !PlainName(fileName))
        return false;
    const FileDescriptor root(OpenRoot(false));
    if (!root.Valid())
        return false;
    const FileDescriptor dir(OpenLevel(root.Get(), folderName, false));
    if (!dir.Valid())
        return false;
    const FileDescriptor file(::openat(dir.Get(), fileName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.Valid())
        return false;
    if (!WriteAll(file.Get(), data) || ::fsync(file.Get()) != 0) {
        ::unlinkat(dir.Get(), fileName.constData(), 0);
        return false;
    }
    return true;
}

bool MailAttachmentStore::RemoveIn(int rootFd, const QByteArray& name)
{
    const FileDescriptor dir(::openat(rootFd, name.constData(), kFolderFlags));
    if (!dir.Valid())
        return false;
    struct stat opened {};
    if (::fstat(dir.Get(), &opened) != 0)
        return false;
    const QList<QByteArray> entries = ListFolder(dir.Get());
    if (removalHook_)
        removalHook_(root_ + QLatin1Char('/') + FileNameFromBytes(name));
    // Everything below goes through the folder opened above, whatever its
    // name may lead to by now.
    for (const QByteArray& entry : entries) {
        struct stat st {};
        if (::fstatat(dir.Get(), entry.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))
            ::unlinkat(dir.Get(), entry.constData(), 0);
    }
    // The name must still be the folder emptied above.
    struct stat named {};
    if (::fstatat(rootFd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) != 0 || named.st_dev != opened.st_dev
        || named.st_ino != opened.st_ino)
        return false;
    return ::unlinkat(rootFd, name.constData(), AT_REMOVEDIR) == 0;
}

bool MailAttachmentStore::RemoveFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (QDir::cleanPath(info.absolutePath()) != root_ || !FolderTime(info.fileName()).isValid())
        return false;
    const FileDescriptor root(OpenRoot(false));
    return root.Valid() && RemoveIn(root.Get(), FileNameBytes(info.fileName()));
}

int MailAttachmentStore::PruneOlderThan(const QDateTime& now, std::chrono::hours age)
{
    const QDateTime limit = now.toUTC().addSecs(-std::chrono::duration_cast<std::chrono::seconds>(age).count());
    const FileDescriptor root(OpenRoot(false));
    if (!root.Valid())
        return 0;
    int removed = 0;
    for (const QByteArray& name : ListFolder(root.Get())) {
        const QDateTime made = FolderTime(FileNameFromBytes(name));
        if (made.isValid() && made < limit && RemoveIn(root.Get(), name))
            ++removed;
    }
    return removed;
}

KeptAttachment MailAttachmentStore::Keep(const QString& name, const QByteArray& data, const QDateTime& now)
{
    PruneOlderThan(now, std::chrono::hours(24));
    const QString folder = CreateFolder(now);
    KeptAttachment file{(folder.isEmpty() ? root_ : folder) + QLatin1Char('/') + name};
    // Written as a new file inside the folder just made, never through a
    // name someone else could have put there.
    file.kept = !folder.isEmpty() && WriteAttachment(folder, name, data);
    if (!file.kept && !folder.isEmpty())
        RemoveFolder(folder);
    return file;
}

void MailAttachmentStore::Discard(const KeptAttachment& attachment)
{
    if (attachment.kept)
        RemoveFolder(QFileInfo(attachment.path).absolutePath());
}

QDateTime MailAttachmentStore::FolderTime(const QString& folderName)
{
    const QRegularExpressionMatch m = FolderPattern().match(folderName);
    if (!m.hasMatch())
        return {};
    const QDate date = QDate::fromString(m.captured(1), QStringLiteral("yyyyMMdd"));
    const QTime time = QTime::fromString(m.captured(2), QStringLiteral("HHmmss"));
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

} // namespace platform

} // namespace yotsumado
