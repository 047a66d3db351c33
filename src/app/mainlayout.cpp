#include "app/mainlayout.h"

#include "app/grid.h"
#include "controls/base/font.h"
#include "controls/base/shape.h"
#include "controls/selshape/selshape.h"
#include "core/stretch.h"

#include <QPainter>

namespace yotsumado {

namespace {

constexpr TColor kPalePink = RGBColor(255, 225, 255);
constexpr TColor kPanelColors[4] = {clWhite, kPalePink, kPalePink, clWhite};

QList<TStoredValue> PanelBackground(TColor color)
{
    return {{"Brush.Color", static_cast<int>(color)}, {"Pen.Style", QStringLiteral("psClear")}};
}

QList<TStoredValue> Picture()
{
    return {{"Stretch", true}};
}

QList<TEventBinding> PictureEvents(const char* mouseMove, const char* dblClick)
{
    return {{"OnMouseMove", mouseMove}, {"OnDblClick", dblClick}};
}

QList<TStoredValue> Marker(const char* caption, TColor color)
{
    return {
        {"Caption", QString::fromUtf8(caption)},
        {"Font.Name", QStringLiteral("ＭＳ Ｐゴシック")},
        {"Font.Charset", TFont::SHIFTJIS_CHARSET},
        {"Font.Height", -21},
        {"Font.Style", static_cast<int>(TFont::fsBold)},
        {"Font.Color", static_cast<int>(color)},
        {"Transparent", true},
        {"Ellipsis", QStringLiteral("elNone")},
        {"GradateVert", false},
        {"Gradation", false},
        {"Highlight.Visible", false},
        {"Highlight.Color", static_cast<int>(clWhite)},
        {"Highlight.OffsetLeft", -1},
        {"Highlight.OffsetTop", -1},
        {"TextGradation", QStringLiteral("tgNone")},
    };
}

QList<TStoredValue> Divider(TCursor cursor, int minTop, int minLeft, int maxBottom, int maxRight, int selOption)
{
    return {
        {"Brush.Color", static_cast<int>(clBlue)},
        {"Brush.Style", QStringLiteral("bsFDiagonal")},
        {"Pen.Color", static_cast<int>(clAqua)},
        {"Cursor", cursor},
        {"SizeSense", 5},
        {"MinWidth", 5},
        {"MinHeight", 5},
        {"MinTop", minTop},
        {"MinLeft", minLeft},
        {"MaxBottom", maxBottom},
        {"MaxRight", maxRight},
        {"SelOption", selOption},
    };
}

// A marker's stored rectangle: inset in its panel, sized for one character
// (it sizes itself to its text once the layout has been read).
QRect MarkerRect(const QRect& panel)
{
    return QRect(panel.topLeft() + QPoint(grid::kMarkerInset, grid::kMarkerInset), QSize(22, 21));
}

constexpr int kMoveX = 1 << 2;
constexpr int kMoveY = 1 << 3;

TFormLayout MakeLayout()
{
    using K = TControlKind;
    TFormLayout f;
    f.Caption = QStringLiteral("ヨツマド - (右クリックでポップアップメニュー)");
    f.Position = QPoint(20, 20);
    f.ClientSize = QSize(grid::kClientWidth, grid::kClientHeight);
    f.Color = clWhite;
    f.FontName = QStringLiteral("ＭＳ Ｐゴシック");
    f.FontHeight = -12;
    f.PopupMenu = "PopupMenu1";
    const std::array<QRect, 4> panel = grid::PanelRects(grid::kStartSplitV, grid::kStartSplitH);
    const grid::MarkerMode& startMarkers = grid::kMarkerModes[0];
    f.Controls = {
        {"Shape1", K::Shape, panel[0], PanelBackground(kPanelColors[0]), {}},
        {"Shape2", K::Shape, panel[1], PanelBackground(kPanelColors[1]), {}},
        {"Shape3", K::Shape, panel[2], PanelBackground(kPanelColors[2]), {}},
        {"Shape4", K::Shape, panel[3], PanelBackground(kPanelColors[3]), {}},
        {"Image1", K::Image, panel[0], Picture(), PictureEvents("Image1MouseMove", "Image1DblClick")},
        {"Image2", K::Image, panel[1], Picture(), PictureEvents("Image2MouseMove", "Image2DblClick")},
        {"Image3", K::Image, panel[2], Picture(), PictureEvents("Image3MouseMove", "Image3DblClick")},
        {"Image4", K::Image, panel[3], Picture(), PictureEvents("Image4MouseMove", "Image4DblClick")},
        {"Image0", K::Image, {400, 0, grid::kClientWidth, grid::kClientHeight}, {{"Visible", false}}, {}},
        {"Label1", K::ShadowLabel, MarkerRect(panel[0]), Marker(startMarkers.captions[0], startMarkers.color), {}},
        {"Label2", K::ShadowLabel, MarkerRect(panel[1]), Marker(startMarkers.captions[1], startMarkers.color), {}},
        {"Label3", K::ShadowLabel, MarkerRect(panel[2]), Marker(startMarkers.captions[2], startMarkers.color), {}},
        {"Label4", K::ShadowLabel, MarkerRect(panel[3]), Marker(startMarkers.captions[3], startMarkers.color), {}},
        {"SelShape1", K::SelShape, grid::HorizontalDivider(grid::kStartSplitH),
         Divider(crVSplit, grid::kDividerHMinTop, 0, grid::kDividerHMaxBottom, 0, kMoveY),
         {{"OnMouseUp", "SelShape1MouseUp"}}},
        {"SelShape2", K::SelShape, grid::VerticalDivider(grid::kStartSplitV),
         Divider(crHSplit, 0, grid::kDividerVMinLeft, 0, grid::kDividerVMaxRight, kMoveX),
         {{"OnMouseUp", "SelShape1MouseUp"}}},
        {"Button1", K::PushButton, {36, 276, 75, 25},
         {{"Caption", QStringLiteral("Button1")}, {"Visible", false}, {"TabOrder", 0}},
         {{"OnClick", "Button1Click"}}},
    };
    f.MenuItems = {
        {"Save1", nullptr, QStringLiteral("保存(&S)..."), QKeySequence(Qt::CTRL | Qt::Key_S), false, false, "Save1Click"},
        {"M1", nullptr, QStringLiteral("メール送信(&M)..."), QKeySequence(Qt::CTRL | Qt::Key_M), false, false, "M1Click"},
        {"Copy1", nullptr, QStringLiteral("コピー(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C), false, false, "Copy1Click"},
        {"Paste1", nullptr, QStringLiteral("貼り付け(&V)"), QKeySequence(Qt::CTRL | Qt::Key_V), false, false, "Paste1Click"},
        {"N1", nullptr, QStringLiteral("-"), {}, false, false, nullptr},
        {"N2", nullptr, QStringLiteral("数字/英語の割り振り(&N)"), {}, false, false, nullptr},
        {"N6", "N2", QStringLiteral("白い数字(&W)"), QKeySequence(Qt::SHIFT | Qt::Key_F1), true, true, "N6Click"},
        {"N7", "N2", QStringLiteral("黒い数字(&B)"), QKeySequence(Qt::SHIFT | Qt::Key_F2), true, false, "N7Click"},
        {"N10", "N2", QStringLiteral("白い英語(&H)"), QKeySequence(Qt::CTRL | Qt::Key_F1), true, false, "N10Click"},
        {"N11", "N2", QStringLiteral("黒い英語(&L)"), QKeySequence(Qt::CTRL | Qt::Key_F2), true, false, "N11Click"},
        {"N9", "N2", QStringLiteral("-"), {}, false, false, nullptr},
        {"N8", "N2", QStringLiteral("数字/英語なし(&N)"), QKeySequence(Qt::Key_Insert), true, false, "N8Click"},
        {"Fit1", nullptr, QStringLiteral("画像の合わせ方(&F)"), {}, false, false, nullptr},
        {"FitStretch1", "Fit1", QStringLiteral("引き伸ばす(&S)"), {}, true, true, "FitStretch1Click"},
        {"FitWhole1", "Fit1", QStringLiteral("全体を表示(&W)"), {}, true, false, "FitWhole1Click"},
        {"FitFill1", "Fit1", QStringLiteral("切り取って埋める(&C)"), {}, true, false, "FitFill1Click"},
        {"Size1", nullptr, QStringLiteral("出力サイズ(&Z)"), {}, false, false, nullptr},
        {"Size1x", "Size1", QStringLiteral("480 × 360(&1)"), {}, true, true, "Size1xClick"},
        {"Size2x", "Size1", QStringLiteral("960 × 720(&2)"), {}, true, false, "Size2xClick"},
        {"Size3x", "Size1", QStringLiteral("1440 × 1080(&3)"), {}, true, false, "Size3xClick"},
        {"Size4x", "Size1", QStringLiteral("1920 × 1440(&4)"), {}, true, false, "Size4xClick"},
        {"D1", nullptr, QStringLiteral("ぜんぶ消去(&D)"), QKeySequence(Qt::Key_Delete), false, false, "D1Click"},
        {"N3", nullptr, QStringLiteral("-"), {}, false, false, nullptr},
        {"N4", nullptr, QStringLiteral("インフォメーション(&I)..."), {}, false, false, "N4Click"},
    };
    return f;
}

} // namespace

const TFormLayout& MainForm1Layout()
{
    static const TFormLayout layout = MakeLayout();
    return layout;
}

TColor PanelColor(int index)
{
    return index >= 0 && index < 4 ? kPanelColors[index] : clWhite;
}

QImage DrawPanels(const std::array<QImage, 4>& pictures, int splitV, int splitH, TFitMode fit, int scale)
{
    // What the window's capture renders when no marker shows: its
    // background, the stacked panel rectangles, then the pictures as placed.
    // Everything drawn is opaque, so the JPEG encoder's own pixel format
    // holds the same values and spares it a conversion (which Qt hands to a
    // pool of threads for a picture this size).
    QImage composite(grid::kClientWidth * scale, grid::kClientHeight * scale, QImage::Format_RGB888);
    composite.setDevicePixelRatio(1.0);
    composite.fill(ToQColor(MainForm1Layout().Color));
    QPainter painter(&composite);
    const std::array<QRect, 4> panels = grid::PanelRects(splitV, splitH, scale);
    TPen pen;
    pen.SetStyle(TPen::psClear);
    for (size_t i = 0; i < 4; ++i) {
        TBrush brush;
        brush.SetColor(PanelColor(int(i)));
        // TShape's arithmetic for its rectangle within its bounds.
        const int p = std::max(0, pen.Width());
        const int x = p / 2;
        const int w = p == 0 ? panels[i].width() : panels[i].width() - p + 1;
        const int h = p == 0 ? panels[i].height() : panels[i].height() - p + 1;
        painter.save();
        painter.translate(panels[i].topLeft());
        DrawRectangle(painter, x, x, x + w, x + h, pen, brush);
        painter.restore();
    }
    for (size_t i = 0; i < 4; ++i) {
        if (pictures[i].isNull())
            continue;
        const QPoint at = PlaceInPanel(pictures[i].size(), panels[i].size(), fit).target.topLeft();
        painter.drawImage(panels[i].topLeft() + at, StretchPlaced(pictures[i], panels[i].size(), fit, QImage::Format_RGB888));
    }
    return composite;
}

} // namespace yotsumado
