#pragma once
// The user's Pictures folder, where a save dialog starts when nothing has
// been saved yet.

#include <QString>

namespace yotsumado {

namespace platform {

// The folder the desktop names for pictures (XDG_PICTURES_DIR of
// user-dirs.dirs, what `xdg-user-dir PICTURES` answers) when it exists;
// otherwise the home folder.
QString PicturesFolder();

} // namespace platform

} // namespace yotsumado
