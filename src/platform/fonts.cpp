#include "platform/fonts.h"

#include <QFont>
#include <QStringList>

namespace yotsumado {

namespace platform {

void InstallFontSubstitutions()
{
    const QString face = QStringLiteral("ＭＳ Ｐゴシック");
    if (!QFont::substitutes(face).isEmpty())
        return;
    QFont::insertSubstitutions(face, {
        QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"), QStringLiteral("IPAGothic"),
        QStringLiteral("VL PGothic"), QStringLiteral("TakaoPGothic"), QStringLiteral("Noto Sans CJK JP"),
    });
}

} // namespace platform

} // namespace yotsumado
