#include "core/tcolor.h"

#include <QGuiApplication>
#include <QPalette>

#include <array>
#include <utility>

namespace yotsumado {

QRgb SysColorRgb(int index)
{
    const QPalette pal = QGuiApplication::palette();
    auto c = [&](QPalette::ColorRole role) { return pal.color(QPalette::Active, role).rgb(); };
    switch (index) {
    case COLOR_WINDOWFRAME: return c(QPalette::Shadow);
    case COLOR_WINDOW: return c(QPalette::Base);
    case COLOR_WINDOWTEXT:
    case COLOR_MENUTEXT:
    case COLOR_CAPTIONTEXT: return c(QPalette::WindowText);
    case COLOR_HIGHLIGHT: return c(QPalette::Highlight);
    case COLOR_HIGHLIGHTTEXT: return c(QPalette::HighlightedText);
    case COLOR_BTNFACE:
    case COLOR_MENU:
    case COLOR_SCROLLBAR:
    case COLOR_ACTIVEBORDER:
    case COLOR_INACTIVEBORDER: return c(QPalette::Button);
    case COLOR_BTNSHADOW: return c(QPalette::Dark);
    case COLOR_GRAYTEXT: return pal.color(QPalette::Disabled, QPalette::Text).rgb();
    case COLOR_BTNTEXT: return c(QPalette::ButtonText);
    case COLOR_BTNHIGHLIGHT: return c(QPalette::Light);
    case COLOR_3DDKSHADOW: return c(QPalette::Shadow);
    case COLOR_3DLIGHT: return c(QPalette::Midlight);
    case COLOR_INFOTEXT: return c(QPalette::ToolTipText);
    case COLOR_INFOBK: return c(QPalette::ToolTipBase);
    case COLOR_ACTIVECAPTION: return c(QPalette::Highlight);
    case COLOR_APPWORKSPACE: return c(QPalette::Mid);
    default: return c(QPalette::Window);
    }
}

QRgb ColorToRgb(TColor color)
{
    if (color < 0)
        return SysColorRgb(color & 0xFF) | 0xff000000u;
    const auto v = static_cast<std::uint32_t>(color);
    return qRgb(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

bool ColorFromName(const QString& name, TColor* out)
{
    static const std::array<std::pair<const char*, TColor>, 21> kNames{{
        {"clNone", clNone}, {"clBlack", clBlack}, {"clWhite", clWhite}, {"clSilver", clSilver},
        {"clGray", clGray}, {"clRed", clRed}, {"clBlue", clBlue}, {"clNavy", clNavy},
        {"clMaroon", clMaroon}, {"clAqua", clAqua}, {"clYellow", clYellow}, {"clFuchsia", clFuchsia},
        {"clLime", clLime}, {"clWindowFrame", clWindowFrame}, {"clWindowText", clWindowText},
        {"clWindow", clWindow}, {"clHighlight", clHighlight}, {"clBtnFace", clBtnFace},
        {"clBtnShadow", clBtnShadow}, {"clBtnText", clBtnText}, {"clBtnHighlight", clBtnHighlight},
    }};
    for (const auto& [n, v] : kNames) {
        if (name == QLatin1String(n)) {
            *out = v;
            return true;
        }
    }
    return false;
}

} // namespace yotsumado
