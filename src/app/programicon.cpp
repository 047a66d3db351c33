#include "app/programicon.h"

namespace yotsumado {

QIcon ProgramIcon()
{
    return QIcon::fromTheme(QStringLiteral("yotsumado"), QIcon(QStringLiteral(":/icons/yotsumado.svg")));
}

} // namespace yotsumado
