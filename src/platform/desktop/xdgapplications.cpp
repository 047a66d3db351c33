#include "platform/desktop/xdgapplications.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStandardPaths>

namespace yotsumado {

namespace platform {

namespace {

// Key files (desktop entries, mimeapps.list, mimeinfo.cache) are small; a
// bigger file is not one of them and is not read.
constexpr qint64 kMaxKeyFileSize = 4 * 1024 * 1024;

using KeyGroup = QHash<QString, QString>;   // key → raw value
using KeyFile = QHash<QString, KeyGroup>;   // group → keys

KeyFile ReadKeyFile(const QString& path, bool lowerCaseKeys)
{
    KeyFile groups;
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxKeyFileSize)
        return groups;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return groups;
    QString group;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const auto eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || group.isEmpty())
            continue;
        QString key = line.left(eq).trimmed();
        if (lowerCaseKeys)
            key = key.toLower();
        KeyGroup& g = groups[group];
        if (!g.contains(key))  // the first of duplicate keys counts
            g.insert(key, line.mid(eq + 1).trimmed());
    }
    return groups;
}

// Undoes the escapes of the "string" value type: \s \n \t \r \\.
QString UnescapeString(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar n = value.at(++i);
        switch (n.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: out += c; out += n; break;
        }
    }
    return out;
}

QStringList SplitList(const QString& value)
{
    QStringList items;
    for (const QString& item : value.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString t = item.trimmed();
        if (!t.isEmpty())
            items << t;
    }
    return items;
}

bool IsProgramAvailable(const QString& program)
{
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}

// The file of a desktop id inside one applications folder: the id itself, or
// with some of its dashes standing for sub-folders.
QString ResolveIdIn(const QString& dir, const QString& id, int depth = 0)
{
    if (id.isEmpty() || id.contains(QLatin1Char('/')) || depth > 8)
        return {};
    const QString direct = dir + QLatin1Char('/') + id;
    if (QFileInfo(direct).isFile())
        return direct;
    for (qsizetype dash = id.indexOf(QLatin1Char('-')); dash > 0;
         dash = id.indexOf(QLatin1Char('-'), dash + 1)) {
        const QString sub = dir + QLatin1Char('/') + id.left(dash);
        if (QFileInfo(sub).isDir()) {
            const QString found = ResolveIdIn(sub, id.mid(dash + 1), depth + 1);
            if (!found.isEmpty())
                return found;
        }
    }
    return {};
}

// The mimeapps.list files in order of precedence, desktop-specific first
// within each folder.
QStringList MimeAppsLists(const XdgDirs& dirs)
{
    QStringList folders;
    if (!dirs.configHome.isEmpty())
        folders << dirs.configHome;
    folders << dirs.configDirs;
    folders << dirs.ApplicationDirs();
    QStringList files;
    for (const QString& folder : folders) {
        for (const QString& desktop : dirs.desktops)
            files << folder + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list");
        files << folder + QStringLiteral("/mimeapps.list");
    }
    return files;
}

QStringList ListFor(const KeyFile& file, const QString& group, const QString& mimeType)
{
    const auto g = file.constFind(group);
    if (g == file.constEnd())
        return {};
    return SplitList(g->value(mimeType));
}

QStringList ReadPathList(const char* variable, const QStringList& fallback)
{
    const QString value = qEnvironmentVariable(variable);
    QStringList out;
    for (const QString& p : value.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(p))
            out << QDir::cleanPath(p);
    }
    return out.isEmpty() ? fallback : out;
}

QString ReadPath(const char* variable, const QString& fallback)
{
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : fallback;
}

} // namespace

XdgDirs XdgDirs::FromEnvironment()
{
    const QString home = QDir::homePath();
    XdgDirs d;
    d.configHome = ReadPath("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
    d.configDirs = ReadPathList("XDG_CONFIG_DIRS", {QStringLiteral("/etc/xdg")});
    d.dataHome = ReadPath("XDG_DATA_HOME", home + QStringLiteral("/.local/share"));
    d.dataDirs = ReadPathList("XDG_DATA_DIRS",
                              {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
    for (const QString& desktop :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        d.desktops << desktop.toLower();
    return d;
}

QStringList XdgDirs::ApplicationDirs() const
{
    QStringList out;
    if (!dataHome.isEmpty())
        out << dataHome + QStringLiteral("/applications");
    for (const QString& d : dataDirs)
        out << d + QStringLiteral("/applications");
    return out;
}

std::optional<DesktopEntry> ReadDesktopEntry(const QString& path, const QString& id)
{
    const KeyFile file = ReadKeyFile(path, false);
    const auto g = file.constFind(QStringLiteral("Desktop Entry"));
    if (g == file.constEnd())
        return std::nullopt;
    DesktopEntry e;
    e.id = id;
    e.path = path;
    e.name = UnescapeString(g->value(QStringLiteral("Name")));
    e.icon = UnescapeString(g->value(QStringLiteral("Icon")));
    e.exec = UnescapeString(g->value(QStringLiteral("Exec")));
    e.tryExec = UnescapeString(g->value(QStringLiteral("TryExec")));
    e.hidden = g->value(QStringLiteral("Hidden")) == QLatin1String("true");
    e.terminal = g->value(QStringLiteral("Terminal")) == QLatin1String("true");
    return e;
}

std::optional<DesktopEntry> FindDesktopEntry(const QString& id, const XdgDirs& dirs)
{
    for (const QString& dir : dirs.ApplicationDirs()) {
        const QString path = ResolveIdIn(dir, id);
        if (path.isEmpty())
            continue;
        // The first file of an id hides those of folders further down, even
        // when it is hidden itself: that is how a user removes an entry.
        std::optional<DesktopEntry> entry = ReadDesktopEntry(path, id);
        if (!entry || entry->hidden || entry->exec.trimmed().isEmpty())
            return std::nullopt;
        if (!entry->tryExec.isEmpty() && !IsProgramAvailable(entry->tryExec))
            return std::nullopt;
        return entry;
    }
    return std::nullopt;
}

std::optional<DesktopEntry> DefaultApplicationFor(const QString& mimeType, const XdgDirs& dirs)
{
    const QString type = mimeType.toLower();
    QList<KeyFile> lists;
    for (const QString& path : MimeAppsLists(dirs))
        lists << ReadKeyFile(path, true);

    // 1. An explicit default, in order of precedence.
    const QString defaults = QStringLiteral("Default Applications");
    for (const KeyFile& list : lists) {
        for (const QString& id : ListFor(list, defaults, type)) {
            if (auto entry = FindDesktopEntry(id, dirs))
                return entry;
        }
    }
    // The older defaults.list some distributions still ship.
    for (const QString& dir : dirs.ApplicationDirs()) {
        const KeyFile legacy = ReadKeyFile(dir + QStringLiteral("/defaults.list"), true);
        for (const QString& id : ListFor(legacy, defaults, type)) {
            if (auto entry = FindDesktopEntry(id, dirs))
                return entry;
        }
    }

    // 2. No default: the most preferred application that handles the type.
    // A removal hides the association in the same file and in every file of
    // lower precedence.
    QSet<QString> removed;
    QStringList candidates;
    for (const KeyFile& list : lists) {
        const QStringList gone = ListFor(list, QStringLiteral("Removed Associations"), type);
        for (const QString& id : gone)
            removed.insert(id);
        for (const QString& id : ListFor(list, QStringLiteral("Added Associations"), type)) {
            if (!removed.contains(id) && !candidates.contains(id))
                candidates << id;
        }
    }
    for (const QString& dir : dirs.ApplicationDirs()) {
        const KeyFile cache = ReadKeyFile(dir + QStringLiteral("/mimeinfo.cache"), true);
        for (const QString& id : ListFor(cache, QStringLiteral("MIME Cache"), type)) {
            if (!removed.contains(id) && !candidates.contains(id))
                candidates << id;
        }
    }
    for (const QString& id : candidates) {
        if (auto entry = FindDesktopEntry(id, dirs))
            return entry;
    }
    return std::nullopt;
}

std::optional<QStringList> SplitExec(const DesktopEntry& entry)
{
    // Split by the quoting rules first: double quotes with backslash escapes
    // of " ` $ and backslash, as the desktop entry format has them, and
    // single quotes taken literally, which many entries use for
    // "sh -c '...'".
    QStringList raw;
    QString current;
    bool inArg = false;
    const QString& s = entry.exec;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inArg)
                raw << current;
            current.clear();
            inArg = false;
        } else if (c == QLatin1Char('"')) {
            inArg = true;
            bool closed = false;
            for (++i; i < s.size(); ++i) {
                const QChar q = s.at(i);
                if (q == QLatin1Char('"')) {
                    closed = true;
                    break;
                }
                if (q == QLatin1Char('\\') && i + 1 < s.size()) {
                    const QChar n = s.at(i + 1);
                    if (n == QLatin1Char('"') || n == QLatin1Char('`') || n == QLatin1Char('$')
                        || n == QLatin1Char('\\')) {
                        current += n;
                        ++i;
                        continue;
                    }
                }
                current += q;
            }
            if (!closed)
                return std::nullopt;
        } else if (c == QLatin1Char('\'')) {
            inArg = true;
            const auto end = s.indexOf(QLatin1Char('\''), i + 1);
            if (end < 0)
                return std::nullopt;
            current += s.mid(i + 1, end - i - 1);
            i = end;
        } else {
            inArg = true;
            current += c;
        }
    }
    if (inArg)
        raw << current;

    // Then the field codes.
    QStringList args;
    for (const QString& arg : raw) {
        if (arg == QLatin1String("%i")) {
            if (!entry.icon.isEmpty())
                args << QStringLiteral("--icon") << entry.icon;
            continue;
        }
        QString out;
        bool drop = false;
        for (qsizetype i = 0; i < arg.size(); ++i) {
            const QChar c = arg.at(i);
            if (c != QLatin1Char('%') || i + 1 == arg.size()) {
                out += c;
                continue;
            }
            const QChar code = arg.at(++i);
            switch (code.unicode()) {
            case '%': out += QLatin1Char('%'); break;
            case 'c': out += entry.name; break;
            case 'k': out += entry.path; break;
            default: drop = true; break;  // files, URLs, deprecated codes
            }
        }
        if (!drop)
            args << out;
    }
    if (args.isEmpty())
        return std::nullopt;
    return args;
}

} // namespace platform

} // namespace yotsumado
