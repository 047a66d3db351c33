#include "programicon.h"

QIcon ProgramIcon()
{
    return QIcon::fromTheme(QStringLiteral("yotsumado"), QIcon(QStringLiteral(":/icons/yotsumado.svg")));
}
