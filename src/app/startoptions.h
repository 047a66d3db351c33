#pragma once
// The program's command line: pictures for panels 1 to 4 ("-" leaves a
// panel empty), or --help / --version. Read before the application
// object exists, so that these answers need no display.

#include <QString>
#include <QStringList>

namespace yotsumado {

struct StartOptions {
    enum class Action { Run, Help, Version, Usage };
    Action action = Action::Run;
    // Panels 1 to 4, then any pictures named past the fourth (to be left
    // out); an empty entry leaves the panel as it is.
    QStringList pictures = QStringList(4);
    // Why the arguments were refused (Action::Usage).
    QString error;
};

// Reads the arguments (without the program name, decoded as file names by
// FileNameFromBytes). A picture may be a path or
// a file:// address (what a file manager passes); relative paths are made
// absolute against the current folder, as a drop names files by full path.
StartOptions ParseStartOptions(const QStringList& args);

QString StartUsage();
QString StartVersion();

// Why no window can be opened, or empty when a display is there: neither an
// X display nor a Wayland display is named and no Qt platform is chosen.
QString MissingDisplayReason();

// The Qt platform to start on, or empty for Qt's own choice: none when the
// user chose one (QT_QPA_PLATFORM); "xcb" when both a Wayland and an X
// display are named, since only through XWayland can the window stay on top
// (a Wayland client cannot ask for that); "wayland" for a Wayland display
// alone (Qt would otherwise try X first and abort).
QByteArray QtPlatformToChoose();

} // namespace yotsumado
