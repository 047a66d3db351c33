#pragma once
// The program's icon: the icon theme's "yotsumado" when the desktop has it
// installed, else the copy built into the program (the same drawing).

#include <QIcon>

namespace yotsumado {

QIcon ProgramIcon();

} // namespace yotsumado
