#include "mailattachments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kRandomLength = 6;

const QRegularExpression& FolderPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{8})T([0-9]{6})Z-[A-Za-z0-9]{%1}$").arg(kRandomLength));
    return pattern;
}

QString DefaultRoot()
{
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    const QString base = QDir::isAbsolutePath(cache) ? cache : QDir::homePath() + QStringLiteral("/.cache");
    return QDir::cleanPath(base + QStringLiteral("/yotsumado/mail"));
}

bool IsDirectoryNoLink(const QByteArray& path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates every missing folder of an absolute path with mode 0700; existing
// ones are left as they are.
bool MakePrivatePath(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    if (!QDir::isAbsolutePath(clean))
        return false;
    QString partial;
    for (const QString& part : clean.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        partial += QLatin1Char('/') + part;
        const QByteArray native = QFile::encodeName(partial);
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return QFileInfo(clean).isDir();
}

QString RandomPart()
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr int kAlphabetSize = static_cast<int>(sizeof kAlphabet) - 1;
    QString s;
    for (int i = 0; i < kRandomLength; ++i)
        s += QLatin1Char(kAlphabet[QRandomGenerator::system()->bounded(kAlphabetSize)]);
    return s;
}

} // namespace

MailAttachmentStore::MailAttachmentStore()
    : root_(DefaultRoot())
{
}

MailAttachmentStore::MailAttachmentStore(const QString& root)
    : root_(QDir::cleanPath(QDir(root).absolutePath()))
{
}

QString MailAttachmentStore::CreateFolder(const QDateTime& now)
{
    if (!MakePrivatePath(root_))
        return {};
    const QString stamp = now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    for (int attempt = 0; attempt < 32; ++attempt) {
        const QString folder = root_ + QLatin1Char('/') + stamp + QLatin1Char('-') + RandomPart();
        const QByteArray native = QFile::encodeName(folder);
        if (::mkdir(native.constData(), 0700) == 0) {
            // The umask may have taken more than we asked for; never less.
            ::chmod(native.constData(), 0700);
            return folder;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

bool MailAttachmentStore::RemoveFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (QDir::cleanPath(info.absolutePath()) != root_ || !FolderTime(info.fileName()).isValid())
        return false;
    const QString path = QDir::cleanPath(info.absoluteFilePath());
    if (!IsDirectoryNoLink(QFile::encodeName(path)))
        return false;
    const QDir dir(path);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : entries) {
        const QByteArray native = QFile::encodeName(path + QLatin1Char('/') + name);
        struct stat st {};
        if (::lstat(native.constData(), &st) != 0)
            continue;
        if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))
            ::unlink(native.constData());
    }
    return ::rmdir(QFile::encodeName(path).constData()) == 0;
}

int MailAttachmentStore::PruneOlderThan(const QDateTime& now, std::chrono::hours age)
{
    const QDateTime limit = now.toUTC().addSecs(-std::chrono::duration_cast<std::chrono::seconds>(age).count());
    const QStringList names = QDir(root_).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    int removed = 0;
    for (const QString& name : names) {
        const QDateTime made = FolderTime(name);
        if (made.isValid() && made < limit && RemoveFolder(root_ + QLatin1Char('/') + name))
            ++removed;
    }
    return removed;
}

QString MailAttachmentStore::AttachmentName(const QDateTime& now)
{
    return now.toString(QStringLiteral("yyyyMMddHHmm")) + QStringLiteral(".jpg");
}

QString MailAttachmentStore::AttachmentPath(const QString& folder, const QDateTime& now)
{
    return folder + QLatin1Char('/') + AttachmentName(now);
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
