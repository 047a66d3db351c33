#pragma once
// The freedesktop.org rules for finding an application: which desktop entry
// is the default handler of a MIME type (mimeapps.list, mimeinfo.cache), where
// a desktop entry lives, and how its Exec line splits into a command. Done
// here rather than through xdg-mime so that a machine without xdg-utils
// still finds its mail program, and so the rules can be tested with private
// directories.

#include <QString>
#include <QStringList>

#include <optional>

namespace yotsumado {

namespace platform {

// The XDG base directories and desktop names that the lookup reads.
struct XdgDirs {
    QString configHome;        // $XDG_CONFIG_HOME, default ~/.config
    QStringList configDirs;    // $XDG_CONFIG_DIRS, default /etc/xdg
    QString dataHome;          // $XDG_DATA_HOME, default ~/.local/share
    QStringList dataDirs;      // $XDG_DATA_DIRS, default /usr/local/share:/usr/share
    QStringList desktops;      // $XDG_CURRENT_DESKTOP, lower case, in order

    // Read from the environment now; relative paths are ignored as the base
    // directory rules require.
    static XdgDirs FromEnvironment();

    // The "applications" folders in order of precedence.
    QStringList ApplicationDirs() const;
};

// What this program needs of a desktop entry's [Desktop Entry] group.
struct DesktopEntry {
    QString id;        // e.g. "thunderbird.desktop"
    QString path;      // the file it was read from
    QString name;      // Name=
    QString icon;      // Icon=
    QString exec;      // Exec= with the string escapes already undone
    QString tryExec;   // TryExec=
    bool hidden = false;
    bool terminal = false;
};

// Reads the entry of a desktop file; nothing when the file cannot be read or
// has no [Desktop Entry] group.
std::optional<DesktopEntry> ReadDesktopEntry(const QString& path, const QString& id);

// Finds the installed desktop entry of a desktop file id, including ids that
// stand for files in sub-folders ("kde-kmail.desktop" for kde/kmail.desktop).
// An entry that is hidden, has no Exec line, or whose TryExec program is
// missing does not count as installed.
std::optional<DesktopEntry> FindDesktopEntry(const QString& id, const XdgDirs& dirs);

// The desktop entry of the default application for a MIME type (or URL
// scheme handler such as "x-scheme-handler/mailto"): the first installed
// entry of a [Default Applications] list in mimeapps.list order of
// precedence; when none is set, the most preferred associated application
// ([Added Associations], then mimeinfo.cache, less [Removed Associations]).
std::optional<DesktopEntry> DefaultApplicationFor(const QString& mimeType, const XdgDirs& dirs);

// Splits an Exec value into arguments by the desktop entry quoting rules.
// Field codes are expanded: %c to the name, %k to the file's path, %i to
// "--icon" and the icon, "%%" to "%"; the file and URL codes (%f %F %u %U)
// and the deprecated ones are removed together with any argument that
// carries one, since the caller appends its own arguments. Nothing when the
// quoting is broken.
std::optional<QStringList> SplitExec(const DesktopEntry& entry);

} // namespace platform

} // namespace yotsumado
