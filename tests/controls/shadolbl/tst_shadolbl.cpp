#include "controls/base/drawtext.h"
#include "controls/base/storedform.h"
#include "controls/shadolbl/captionchars.h"
#include "controls/shadolbl/gradient.h"
#include "controls/shadolbl/shadowlabel.h"
#include "core/error.h"
#include "support/pixels.h"
#include "support/testmain.h"

#include <QPainter>
#include <QStyle>
#include <QtTest>

#include <functional>
#include <map>

using namespace yotsumado;

using LabelAction = std::function<void(TShadowLabel&)>;
Q_DECLARE_METATYPE(LabelAction)
Q_DECLARE_METATYPE(TShadowLabel::TTextGradation)
Q_DECLARE_METATYPE(TLabel::TAlignment)
Q_DECLARE_METATYPE(QList<QRgb>)

namespace {

constexpr QRgb kBlack = 0xff000000u;
constexpr QRgb kRed = 0xffff0000u;
constexpr QRgb kLime = 0xff00ff00u;
constexpr QRgb kBlue = 0xff0000ffu;
constexpr QRgb kWhite = 0xffffffffu;
constexpr QRgb kSilver = 0xffc0c0c0u;

// A label that counts how often it is asked to paint.
class CountingLabel : public TShadowLabel {
public:
    using TShadowLabel::TShadowLabel;
    int paints = 0;

protected:
    void Paint() override
    {
        ++paints;
        TShadowLabel::Paint();
    }
};

// A parent that paints narrow vertical stripes, so that anything a label
// paints over it, or fails to leave alone, shows.
class StripedParent : public QWidget {
public:
    StripedParent()
    {
        resize(120, 60);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        for (int x = 0; x < width(); x += 3)
            p.fillRect(QRect(x, 0, 3, height()), (x / 3) % 2 ? QColor(255, 225, 255) : QColor(0, 0, 128));
    }
};

void UseMarkerFont(TLabel& label, TColor color = clWhite)
{
    label.Font()->SetName(QStringLiteral("ＭＳ Ｐゴシック"));
    label.Font()->SetCharset(TFont::SHIFTJIS_CHARSET);
    label.Font()->SetHeight(-21);
    label.Font()->SetStyle(TFont::fsBold);
    label.Font()->SetColor(color);
}

void Settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// One copy of the text in a layered picture: its offset and colour. Copies
// are listed bottom first; the main text is the last, at offset (0, 0).
struct Layer {
    QPoint offset;
    QRgb color;
};

struct LayerCheck {
    QString error;           // empty when every decidable pixel is as expected
    QList<int> visible;      // per layer: pixels where that copy is on top
    int overlapped = 0;      // pixels where a copy hides another copy beneath it
};

// Compares a picture of several offset copies of one text against the
// picture of the main text alone (mainOnly, drawn in colour fg over
// background). A pixel is decided when every copy's source pixel is either
// fully covered by the glyph or not at all; then the topmost covering copy's
// colour must show, or the background where no copy covers it.
LayerCheck CheckLayers(const QImage& picture, const QImage& mainOnly, const QImage& background, QRgb fg,
                       const QList<Layer>& layers)
{
    LayerCheck out;
    out.visible = QList<int>(layers.size(), 0);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            QRgb expected = background.pixel(x, y);
            int top = -1;
            int covering = 0;
            bool decided = true;
            for (qsizetype i = layers.size() - 1; i >= 0; --i) {
                const QPoint s = QPoint(x, y) - layers[i].offset;
                if (!mainOnly.rect().contains(s)) {
                    decided = false;
                    break;
                }
                const QRgb m = mainOnly.pixel(s) | 0xff000000u;
                if (m == (fg | 0xff000000u) && m != (background.pixel(s) | 0xff000000u)) {
                    if (top < 0) {
                        top = static_cast<int>(i);
                        expected = layers[i].color;
                    }
                    ++covering;
                } else if (m != (background.pixel(s) | 0xff000000u)) {
                    decided = false;
                    break;
                }
            }
            if (!decided)
                continue;
            if ((picture.pixel(x, y) | 0xff000000u) != (expected | 0xff000000u)) {
                out.error = QStringLiteral("pixel (%1, %2) is %3, expected %4")
                                .arg(x).arg(y)
                                .arg(testing::ColorName(picture.pixel(x, y)), testing::ColorName(expected));
                return out;
            }
            if (top >= 0) {
                ++out.visible[top];
                if (covering > 1 && top != layers.size() - 1)
                    ++out.overlapped;
            }
        }
    }
    return out;
}

// The most frequent colour other than background in columns [left, right).
QRgb DominantColor(const QImage& image, int left, int right, QRgb background)
{
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = std::max(0, left); x < std::min(right, image.width()); ++x) {
            const QRgb c = image.pixel(x, y) | 0xff000000u;
            if (c != (background | 0xff000000u)) ++counts[c];
        }
    QRgb best = background;
    int most = 0;
    for (const auto& [c, n] : counts)
        if (n > most) { best = c; most = n; }
    return best;
}

// The rightmost column with a pixel other than background, or -1.
int RightmostInk(const QImage& image, QRgb background)
{
    for (int x = image.width() - 1; x >= 0; --x)
        for (int y = 0; y < image.height(); ++y)
            if ((image.pixel(x, y) | 0xff000000u) != (background | 0xff000000u))
                return x;
    return -1;
}

// True when every aligned 2 x 2 block of a picture at ratio 2 is one colour:
// the picture was drawn at one pixel per point and then enlarged.
bool PixelDoubled(const QImage& img)
{
    for (int y = 0; y + 1 < img.height(); y += 2)
        for (int x = 0; x + 1 < img.width(); x += 2) {
            const QRgb c = img.pixel(x, y);
            if (img.pixel(x + 1, y) != c || img.pixel(x, y + 1) != c || img.pixel(x + 1, y + 1) != c)
                return false;
        }
    return true;
}

QImage Render(QWidget& w)
{
    return testing::Grab(&w);
}

// A label that shows only its main text, in the marker font and the given
// colour, on black.
void ShowOnlyMainText(TShadowLabel& label, TColor color)
{
    UseMarkerFont(label, color);
    label.SetColor(clBlack);
    label.Shadow()->SetShadowVisible(false);
    label.Highlight()->SetShadowVisible(false);
}

// A label for text-gradient checks: black, 200 x 30, no copies, red text,
// lime middle colour, blue last colour.
void SetUpGradientLabel(TShadowLabel& label)
{
    ShowOnlyMainText(label, clRed);
    label.SetAutoSize(false);
    label.SetBounds(0, 0, 200, 30);
    label.SetTextMidColor(clLime);
    label.SetTextGradationColor(clBlue);
}

class DerivedShadow : public TShadow {
public:
    using TShadow::TShadow;
};

// What a stored form writes for an object, by property name.
QMap<QString, QVariant> Stored(const QObject* object)
{
    QMap<QString, QVariant> stored;
    for (const auto& [name, value] : StoredValues(object))
        stored.insert(name, value);
    return stored;
}

} // namespace

Q_DECLARE_METATYPE(QList<Layer>)

class TestShadowLabel : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        QApplication::setPalette(QApplication::style()->standardPalette());
    }

    // ---- characters of a caption --------------------------------------

    void charactersCountBytesAsTheDoubleByteCodePageDid_data()
    {
        QTest::addColumn<QString>("ch");
        QTest::addColumn<int>("bytes");
        QTest::newRow("ASCII letter") << QStringLiteral("A") << 1;
        QTest::newRow("control character") << QStringLiteral("\t") << 1;
        QTest::newRow("DEL") << QString(QChar(0x7F)) << 1;
        QTest::newRow("first half-width katakana") << QString(QChar(0xFF61)) << 1;
        QTest::newRow("last half-width katakana") << QString(QChar(0xFF9F)) << 1;
        QTest::newRow("full-width after katakana") << QString(QChar(0xFFA0)) << 2;
        QTest::newRow("Latin-1 letter") << QString(QChar(0xE9)) << 2;
        QTest::newRow("hiragana") << QStringLiteral("あ") << 2;
        QTest::newRow("circled digit") << QStringLiteral("①") << 2;
        QTest::newRow("surrogate pair") << QStringLiteral("𠮷") << 2;
    }
    void charactersCountBytesAsTheDoubleByteCodePageDid()
    {
        QFETCH(QString, ch);
        QFETCH(int, bytes);
        QCOMPARE(SplitCharacters(ch).size(), 1);
        QCOMPARE(CharacterByteLength(ch), bytes);
    }

    void threeColorSplitEndsWithTheCharacterHoldingTheMiddleByte_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("firstPart");
        QTest::newRow("ABCD") << QStringLiteral("ABCD") << 2;
        QTest::newRow("ABC") << QStringLiteral("ABC") << 1;
        QTest::newRow("three double-byte") << QStringLiteral("あいう") << 2;
        QTest::newRow("middle byte inside a double-byte character") << QStringLiteral("AあBC") << 2;
        QTest::newRow("half-width katakana are single bytes") << QStringLiteral("ｱｲｳｴｵ") << 2;
        QTest::newRow("surrogate pairs stay whole") << QStringLiteral("𠮷𠮷𠮷") << 2;
        QTest::newRow("mixed") << QStringLiteral("ABあC") << 2;
    }
    void threeColorSplitEndsWithTheCharacterHoldingTheMiddleByte()
    {
        QFETCH(QString, text);
        QFETCH(int, firstPart);
        QCOMPARE(ThreeColorSplit(SplitCharacters(text)), firstPart);
    }

    // ---- TShadow --------------------------------------------------------

    void shadowSettersReportAChangeAfterStoringIt_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("other");
        QTest::newRow("Visible") << QByteArray("Visible") << QVariant(false);
        QTest::newRow("Color") << QByteArray("Color") << QVariant(int(clRed));
        QTest::newRow("OffsetLeft") << QByteArray("OffsetLeft") << QVariant(-3);
        QTest::newRow("OffsetTop") << QByteArray("OffsetTop") << QVariant(4);
    }
    void shadowSettersReportAChangeAfterStoringIt()
    {
        QFETCH(QByteArray, property);
        QFETCH(QVariant, other);
        TShadow s;
        QVariantList seen;
        s.OnChange = [&](QObject* from) { seen << from->property(property.constData()); };
        QVERIFY(s.setProperty(property.constData(), other));
        QCOMPARE(seen, QVariantList{other});
    }

    void assignCopiesEveryValueAndReportsOnce_data()
    {
        QTest::addColumn<bool>("derived");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<TColor>("color");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::newRow("other values") << false << false << clNavy << 5 << -7;
        // Even when nothing differs, the change is reported.
        QTest::newRow("identical values") << false << true << clSilver << 1 << 1;
        QTest::newRow("derived source") << true << true << clSilver << 9 << 1;
    }
    void assignCopiesEveryValueAndReportsOnce()
    {
        QFETCH(bool, derived);
        QFETCH(bool, visible);
        QFETCH(TColor, color);
        QFETCH(int, left);
        QFETCH(int, top);
        TShadow plainSource;
        DerivedShadow derivedSource;
        TShadow& source = derived ? derivedSource : plainSource;
        source.SetShadowVisible(visible);
        source.SetShadowColor(color);
        source.SetShadowLeft(left);
        source.SetShadowTop(top);
        TShadow target;
        int calls = 0;
        target.OnChange = [&](QObject*) { ++calls; };
        target.Assign(&source);
        QCOMPARE(calls, 1);
        QCOMPARE(target.Visible(), visible);
        QCOMPARE(target.Color(), color);
        QCOMPARE(target.OffsetLeft(), left);
        QCOMPARE(target.OffsetTop(), top);
    }

    void assignOfAnotherClassFailsAndKeepsValues_data()
    {
        QTest::addColumn<bool>("useNull");
        QTest::addColumn<QString>("message");
        QTest::newRow("font") << false << QStringLiteral("TFont を TShadow に代入することはできません");
        QTest::newRow("nothing") << true << QStringLiteral("nil を TShadow に代入することはできません");
    }
    void assignOfAnotherClassFailsAndKeepsValues()
    {
        QFETCH(bool, useNull);
        QFETCH(QString, message);
        TFont font;
        TShadow target;
        target.SetShadowColor(clYellow);
        target.SetShadowTop(3);
        int calls = 0;
        target.OnChange = [&](QObject*) { ++calls; };
        try {
            target.Assign(useNull ? nullptr : &font);
            QFAIL("Assign accepted an object that is not a TShadow");
        } catch (const EConvertError& e) {
            QCOMPARE(e.Message(), message);
        }
        QCOMPARE(calls, 0);
        QCOMPARE(target.Color(), clYellow);
        QCOMPARE(target.OffsetTop(), 3);
        QCOMPARE(target.Visible(), true);
        QCOMPARE(target.OffsetLeft(), 1);
    }

    // ---- TShadowLabel model --------------------------------------------

    void storedFormListsHighlightButNotDeclaredDefaults()
    {
        TShadowLabel label;
        QMap<QString, QVariant> stored = Stored(&label);
        QCOMPARE(stored.value(QStringLiteral("Highlight.Color")).toInt(), clWhite);
        QCOMPARE(stored.value(QStringLiteral("Highlight.OffsetLeft")).toInt(), -1);
        QCOMPARE(stored.value(QStringLiteral("Highlight.OffsetTop")).toInt(), -1);
        for (const char* name :
             {"Highlight.Visible", "Shadow.Visible", "Shadow.Color", "Shadow.OffsetLeft", "Shadow.OffsetTop"})
            QVERIFY2(!stored.contains(QLatin1String(name)), name);
        // Properties without a declared default are always listed; a new
        // label has none of their effects.
        for (const char* name : {"Ellipsis", "GradateVert", "Gradation", "TextGradation", "Caption"})
            QVERIFY2(stored.contains(QLatin1String(name)) && stored.value(QLatin1String(name)).toInt() == 0, name);

        label.SetFlickerless(false);
        label.SetGradationColor(clRed);
        stored = Stored(&label);
        QCOMPARE(stored.value(QStringLiteral("Flickerless")).toBool(), false);
        QCOMPARE(stored.value(QStringLiteral("GradationColor")).toInt(), clRed);
    }

    void storedValuesReachOwnedShadowsThroughTheirSetters()
    {
        TShadowLabel label;
        TShadow* highlight = label.Highlight();
        ApplyStoredValues(&label, {{"Highlight.Visible", false},
                                   {"Shadow.OffsetTop", 3},
                                   {"TextGradation", int(TShadowLabel::tg3Colors)},
                                   {"Font.Color", int(clWhite)}});
        QCOMPARE(label.Highlight(), highlight);
        QCOMPARE(label.Highlight()->Visible(), false);
        QCOMPARE(label.Shadow()->OffsetTop(), 3);
        QCOMPARE(label.TextGradation(), TShadowLabel::tg3Colors);
        QCOMPARE(label.Font()->Color(), clWhite);
    }

    void writingAShadowCopiesIntoTheOwnedObject()
    {
        TShadowLabel label;
        TShadow* owned = label.Shadow();
        TShadow value;
        value.SetShadowColor(clRed);
        value.SetShadowLeft(4);
        label.SetShadow(&value);
        QCOMPARE(label.Shadow(), owned);
        QCOMPARE(owned->Color(), clRed);
        QCOMPARE(owned->OffsetLeft(), 4);
        value.SetShadowColor(clBlue);
        QCOMPARE(owned->Color(), clRed);
        label.SetHighlight(nullptr);
        QCOMPARE(label.Highlight()->Color(), clWhite);
    }

    void settersRepaintExactlyWhenTheyShould_data()
    {
        QTest::addColumn<LabelAction>("setup");
        QTest::addColumn<LabelAction>("action");
        QTest::addColumn<bool>("repaints");
        const LabelAction none = [](TShadowLabel&) {};
        auto row = [&](const char* name, LabelAction setup, LabelAction action, bool repaints) {
            QTest::newRow(name) << setup << action << repaints;
        };
        // Values that cannot change the picture now (an equal value never
        // does: tst_basecontrols checks that for every property).
        row("TextMidColor while tgNone", none, [](TShadowLabel& l) { l.SetTextMidColor(clRed); }, false);
        row("TextMidColor while tg2Colors", [](TShadowLabel& l) { l.SetTextGradation(TShadowLabel::tg2Colors); },
            [](TShadowLabel& l) { l.SetTextMidColor(clRed); }, false);
        row("TextGradationColor while tgNone", none, [](TShadowLabel& l) { l.SetTextGradationColor(clRed); }, false);
        row("Flickerless off", none, [](TShadowLabel& l) { l.SetFlickerless(false); }, false);
        row("Flickerless on again", [](TShadowLabel& l) { l.SetFlickerless(false); },
            [](TShadowLabel& l) { l.SetFlickerless(true); }, false);
        row("null Highlight", none, [](TShadowLabel& l) { l.SetHighlight(nullptr); }, false);
        row("null Shadow", none, [](TShadowLabel& l) { l.SetShadow(nullptr); }, false);
        // Changes that repaint.
        row("GradationColor while Gradation off", none, [](TShadowLabel& l) { l.SetGradationColor(clRed); }, true);
        row("GradateVert while Gradation off", none, [](TShadowLabel& l) { l.SetGradateVert(true); }, true);
        row("Gradation", none, [](TShadowLabel& l) { l.SetGradation(true); }, true);
        row("Ellipsis", none, [](TShadowLabel& l) { l.SetEllipsis(TShadowLabel::elPath); }, true);
        row("TextGradation", none, [](TShadowLabel& l) { l.SetTextGradation(TShadowLabel::tg2Colors); }, true);
        row("TextGradationColor while tg2Colors", [](TShadowLabel& l) { l.SetTextGradation(TShadowLabel::tg2Colors); },
            [](TShadowLabel& l) { l.SetTextGradationColor(clRed); }, true);
        row("TextMidColor while tg3Colors", [](TShadowLabel& l) { l.SetTextGradation(TShadowLabel::tg3Colors); },
            [](TShadowLabel& l) { l.SetTextMidColor(clRed); }, true);
        row("Shadow.Color", none, [](TShadowLabel& l) { l.Shadow()->SetShadowColor(clRed); }, true);
        row("Highlight.Visible", none, [](TShadowLabel& l) { l.Highlight()->SetShadowVisible(false); }, true);
        row("Highlight assigned identical values", none, [](TShadowLabel& l) {
            TShadow same;
            same.Assign(l.Highlight());
            l.SetHighlight(&same);
        }, true);
        row("Shadow assigned through Assign", none, [](TShadowLabel& l) {
            TShadow same;
            l.Shadow()->Assign(&same);
        }, true);
        row("Caption", none, [](TShadowLabel& l) { l.SetCaption(QStringLiteral("y")); }, true);
        row("Font.Color", none, [](TShadowLabel& l) { l.Font()->SetColor(clRed); }, true);
        row("Color", none, [](TShadowLabel& l) { l.SetColor(clRed); }, true);
        row("Alignment", none, [](TShadowLabel& l) { l.SetAlignment(TLabel::taCenter); }, true);
        row("Layout", none, [](TShadowLabel& l) { l.SetLayout(TLabel::tlBottom); }, true);
        row("ShowAccelChar", none, [](TShadowLabel& l) { l.SetShowAccelChar(false); }, true);
        row("Transparent", none, [](TShadowLabel& l) { l.SetTransparent(true); }, true);
    }
    void settersRepaintExactlyWhenTheyShould()
    {
        QFETCH(LabelAction, setup);
        QFETCH(LabelAction, action);
        QFETCH(bool, repaints);
        QWidget window;
        window.resize(200, 100);
        auto* label = new CountingLabel(&window);
        label->SetAutoSize(false);
        label->SetBounds(10, 10, 100, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        setup(*label);
        Settle();
        QVERIFY2(label->paints > 0, "the shown label was never painted");
        label->paints = 0;
        action(*label);
        Settle();
        QCOMPARE(label->paints > 0, repaints);
    }

    // ---- auto-size -------------------------------------------------------

    void autoSizeKeepsTheEdgeTheAlignmentNames_data()
    {
        QTest::addColumn<TLabel::TAlignment>("alignment");
        QTest::addColumn<bool>("keepsRightEdge");
        QTest::newRow("left") << TLabel::taLeftJustify << false;
        QTest::newRow("right grows to the left") << TLabel::taRightJustify << true;
        QTest::newRow("centre keeps the left edge") << TLabel::taCenter << false;
    }
    void autoSizeKeepsTheEdgeTheAlignmentNames()
    {
        QFETCH(TLabel::TAlignment, alignment);
        QFETCH(bool, keepsRightEdge);
        QWidget parent;
        parent.resize(400, 100);
        TShadowLabel label(&parent);
        UseMarkerFont(label);
        label.SetAlignment(alignment);
        label.SetBounds(200, 10, 65, 17);
        label.SetCaption(QStringLiteral("I"));
        const QFont font = label.DrawingFont();
        QCOMPARE(label.Width(), TextWidth(font, QStringLiteral("I")));
        QCOMPARE(label.Height(), QFontMetrics(font).height());
        const int left = label.Left();
        const int right = label.Left() + label.Width();
        label.SetCaption(QStringLiteral("IIIIIIII"));
        QCOMPARE(label.Width(), TextWidth(font, QStringLiteral("IIIIIIII")));
        QVERIFY(label.Width() > TextWidth(font, QStringLiteral("I")));
        if (keepsRightEdge) {
            QCOMPARE(label.Left() + label.Width(), right);
            QVERIFY(label.Left() < left);
        } else {
            QCOMPARE(label.Left(), left);
        }
        QCOMPARE(label.Top(), 10);
    }

    void autoSizeMeasuresEmptyTextAsOneSpace_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("showAccelChar");
        QTest::addColumn<QString>("measuredAs");
        QTest::newRow("empty") << QString() << true << QStringLiteral(" ");
        QTest::newRow("lone accelerator mark") << QStringLiteral("&") << true << QStringLiteral(" ");
        QTest::newRow("literal ampersand") << QStringLiteral("&") << false << QStringLiteral("&");
        QTest::newRow("doubled ampersand") << QStringLiteral("&&") << true << QStringLiteral("&");
        QTest::newRow("accelerator") << QStringLiteral("&AB") << true << QStringLiteral("AB");
    }
    void autoSizeMeasuresEmptyTextAsOneSpace()
    {
        QFETCH(QString, caption);
        QFETCH(bool, showAccelChar);
        QFETCH(QString, measuredAs);
        TShadowLabel label;
        UseMarkerFont(label);
        label.SetShowAccelChar(showAccelChar);
        label.SetCaption(QStringLiteral("something else"));
        label.SetCaption(caption);
        label.SetAutoSize(false);
        label.SetAutoSize(true);
        const QFont font = label.DrawingFont();
        QCOMPARE(label.Width(), TextWidth(font, measuredAs));
        QCOMPARE(label.Height(), QFontMetrics(font).height());
    }

    void autoSizeWaitsWhileLoading()
    {
        TShadowLabel label;
        label.BeginLoading();
        UseMarkerFont(label);
        label.SetCaption(QStringLiteral("IIII"));
        QCOMPARE(label.Width(), 65);
        QCOMPARE(label.Height(), 17);
        label.Loaded();
        QCOMPARE(label.Width(), TextWidth(label.DrawingFont(), QStringLiteral("IIII")));
    }

    void autoSizeOffKeepsBounds()
    {
        TShadowLabel label;
        label.SetAutoSize(false);
        UseMarkerFont(label);
        label.SetCaption(QStringLiteral("a long caption that would not fit"));
        QCOMPARE(label.Width(), 65);
        QCOMPARE(label.Height(), 17);
    }

    // ---- painting ---------------------------------------------------------

    // The shadow, then the highlight, then the main text, each in its own
    // colour at its own offset; a disabled label uses fixed system colours.
    void copiesAreDrawnShadowThenHighlightThenText_data()
    {
        QTest::addColumn<LabelAction>("setup");
        QTest::addColumn<QRgb>("textColour");
        QTest::addColumn<QList<Layer>>("layers");
        // Set when the copies overlap: then some pixel must show the
        // highlight covering the shadow. Otherwise each copy must show.
        QTest::addColumn<bool>("overlapping");
        const auto blueShadowLimeHighlight = [](TShadowLabel& l) {
            l.Shadow()->SetShadowColor(clBlue);
            l.Highlight()->SetShadowColor(clLime);
        };
        QTest::newRow("new label") << LabelAction([=](TShadowLabel& l) {
            l.SetCaption(QStringLiteral("■"));
            blueShadowLimeHighlight(l);
        }) << kRed << QList<Layer>{{QPoint(1, 1), kBlue}, {QPoint(-1, -1), kLime}, {QPoint(0, 0), kRed}} << false;
        QTest::newRow("highlight over the shadow") << LabelAction([=](TShadowLabel& l) {
            l.SetCaption(QStringLiteral("I"));
            l.SetAutoSize(false);
            l.SetBounds(0, 0, 40, 30);
            blueShadowLimeHighlight(l);
            l.Shadow()->SetShadowLeft(4);
            l.Shadow()->SetShadowTop(0);
            l.Highlight()->SetShadowLeft(3);
            l.Highlight()->SetShadowTop(0);
        }) << kRed << QList<Layer>{{QPoint(4, 0), kBlue}, {QPoint(3, 0), kLime}, {QPoint(0, 0), kRed}} << true;
        const QRgb btnHighlight = qRgb(200, 40, 60);
        const QRgb btnShadow = qRgb(20, 160, 90);
        QTest::newRow("disabled: fixed system colours") << LabelAction([=](TShadowLabel& l) {
            QPalette pal = QApplication::palette();
            pal.setColor(QPalette::Active, QPalette::Light, QColor(btnHighlight));
            pal.setColor(QPalette::Active, QPalette::Dark, QColor(btnShadow));
            QApplication::setPalette(pal);
            l.SetCaption(QStringLiteral("■"));
            l.setEnabled(false);
        }) << btnShadow << QList<Layer>{{QPoint(1, 1), qRgb(0x80, 0x80, 0x80)}, {QPoint(-1, -1), btnHighlight},
                                        {QPoint(0, 0), btnShadow}} << false;
    }
    void copiesAreDrawnShadowThenHighlightThenText()
    {
        QFETCH(LabelAction, setup);
        QFETCH(QRgb, textColour);
        QFETCH(QList<Layer>, layers);
        QFETCH(bool, overlapping);
        TShadowLabel label;
        UseMarkerFont(label, clRed);
        label.SetColor(clBlack);
        setup(label);
        if (!label.Enabled())
            QCOMPARE(ColorToRgb(clBtnHighlight), layers[1].color);

        const QImage all = Render(label);
        label.Shadow()->SetShadowVisible(false);
        label.Highlight()->SetShadowVisible(false);
        const QImage mainOnly = Render(label);
        QImage background(mainOnly.size(), QImage::Format_RGB32);
        background.fill(kBlack);
        const LayerCheck c = CheckLayers(all, mainOnly, background, textColour, layers);
        QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
        if (overlapping)
            QVERIFY2(c.overlapped > 0, "no pixel where the highlight covers the shadow was checked");
        else
            for (qsizetype i = 0; i < layers.size(); ++i)
                QVERIFY2(c.visible[i] > 0, qPrintable(QStringLiteral("copy %1 never shows").arg(i)));
    }

    void markerPaintsSilverShadowThenWhiteOverTheParent()
    {
        StripedParent parent;
        auto* marker = new TShadowLabel(&parent);
        marker->SetBounds(4, 4, 22, 21);
        UseMarkerFont(*marker, clWhite);
        marker->SetTransparent(true);
        marker->Highlight()->SetShadowVisible(false);
        marker->SetCaption(QStringLiteral("①"));

        const QImage all = Render(parent);
        marker->Shadow()->SetShadowVisible(false);
        const QImage mainOnly = Render(parent);
        marker->hide();
        const QImage background = Render(parent);

        const QRect area = marker->geometry();
        const LayerCheck c = CheckLayers(all.copy(area), mainOnly.copy(area), background.copy(area), kWhite,
                                         {{QPoint(1, 1), kSilver}, {QPoint(0, 0), kWhite}});
        QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
        QVERIFY(c.visible[0] > 0);
        QVERIFY(c.visible[1] > 0);
        // Outside the marker the parent is untouched.
        QImage outside = all;
        QPainter(&outside).fillRect(area, Qt::black);
        QImage outsideBg = background;
        QPainter(&outsideBg).fillRect(area, Qt::black);
        SAME_IMAGE(outside, outsideBg);
    }

    void transparentLabelNeverPaintsABackground_data()
    {
        QTest::addColumn<bool>("flickerless");
        QTest::addColumn<bool>("gradation");
        QTest::newRow("flickerless, solid") << true << false;
        QTest::newRow("flickerless, gradient") << true << true;
        QTest::newRow("direct, solid") << false << false;
        QTest::newRow("direct, gradient") << false << true;
    }
    void transparentLabelNeverPaintsABackground()
    {
        QFETCH(bool, flickerless);
        QFETCH(bool, gradation);
        StripedParent parent;
        auto* label = new TShadowLabel(&parent);
        label->SetAutoSize(false);
        label->SetBounds(5, 5, 80, 40);
        label->SetColor(clRed);
        label->SetGradationColor(clLime);
        label->SetTransparent(true);
        label->SetFlickerless(flickerless);
        label->SetGradation(gradation);
        const QImage withLabel = Render(parent);
        label->hide();
        SAME_IMAGE(withLabel, Render(parent));
    }

    void opaqueBackgroundIsTheSameWithAndWithoutOffscreenBitmap_data()
    {
        QTest::addColumn<bool>("gradation");
        QTest::addColumn<bool>("vertical");
        QTest::newRow("solid") << false << false;
        QTest::newRow("horizontal gradient") << true << false;
        QTest::newRow("vertical gradient") << true << true;
    }
    void opaqueBackgroundIsTheSameWithAndWithoutOffscreenBitmap()
    {
        QFETCH(bool, gradation);
        QFETCH(bool, vertical);
        TShadowLabel label;
        label.SetAutoSize(false);
        label.SetBounds(0, 0, 50, 45);
        label.SetColor(clRed);
        label.SetGradationColor(clBlue);
        label.SetGradation(gradation);
        label.SetGradateVert(vertical);
        label.SetCaption(QStringLiteral("Ab"));
        const QImage flickerless = Render(label);
        label.SetFlickerless(false);
        const QImage direct = Render(label);
        SAME_IMAGE(flickerless, direct);

        // The far corner never holds text: it shows the second colour, Color.
        PIXEL_IS(flickerless, 49, 44, kRed);
        if (gradation)
            PIXEL_IS(flickerless, vertical ? 49 : 0, vertical ? 0 : 44, kBlue);
        else
            PIXEL_IS(flickerless, 0, 44, kRed);
    }

    void centredTextMovesByTruncatedHalfDifference_data()
    {
        QTest::addColumn<int>("textTallerBy");
        QTest::addColumn<int>("shift");
        QTest::newRow("two pixels taller moves up one") << 2 << -1;
        QTest::newRow("one pixel taller stays") << 1 << 0;
        QTest::newRow("same height stays") << 0 << 0;
        QTest::newRow("one pixel shorter stays") << -1 << 0;
        QTest::newRow("three pixels shorter moves down one") << -3 << 1;
    }
    void centredTextMovesByTruncatedHalfDifference()
    {
        QFETCH(int, textTallerBy);
        QFETCH(int, shift);
        TShadowLabel label;
        ShowOnlyMainText(label, clWhite);
        label.SetCaption(QStringLiteral("■"));
        label.SetAutoSize(false);
        const int textHeight = QFontMetrics(label.DrawingFont()).height();
        label.SetBounds(0, 0, 30, textHeight - textTallerBy);
        const QImage top = Render(label);
        label.SetLayout(TLabel::tlCenter);
        const QImage centre = Render(label);

        int compared = 0;
        int inked = 0;
        for (int y = 0; y < top.height(); ++y) {
            const int from = y - shift;
            // Rows that both the clipped top and centred text can show.
            if (from < 0 || from >= top.height() || from >= textHeight)
                continue;
            for (int x = 0; x < top.width(); ++x) {
                QVERIFY2(centre.pixel(x, y) == top.pixel(x, from),
                         qPrintable(QStringLiteral("row %1 is not row %2 of the top-aligned text").arg(y).arg(from)));
                inked += top.pixel(x, from) != kBlack;
            }
            ++compared;
        }
        QVERIFY(compared > 0);
        QVERIFY2(inked > 0, "no text in the compared rows");
        if (shift != 0)
            QVERIFY(centre != top);
    }

    void textGradientColoursEachCharacterFromTheLeftEdge_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<TShadowLabel::TTextGradation>("gradation");
        QTest::addColumn<TLabel::TAlignment>("alignment");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QList<QRgb>>("colours");
        const auto tg2 = TShadowLabel::tg2Colors;
        const auto tg3 = TShadowLabel::tg3Colors;
        const auto left = TLabel::taLeftJustify;
        const QRgb purple = qRgb(127, 0, 127);   // halfway from red to blue, truncated
        const QRgb teal = qRgb(0, 127, 127);     // halfway from lime to blue, truncated
        auto row = [](const char* name, const QString& caption, TShadowLabel::TTextGradation gradation,
                      TLabel::TAlignment alignment, const QList<QRgb>& colours, bool enabled = true) {
            QTest::newRow(name) << caption << gradation << alignment << enabled << colours;
        };
        row("AB two colours", QStringLiteral("AB"), tg2, left, {kRed, kBlue});
        row("ABC two colours", QStringLiteral("ABC"), tg2, left, {kRed, purple, kBlue});
        row("AB three colours is one run", QStringLiteral("AB"), tg3, left, {kRed, kBlue});
        row("ABCD", QStringLiteral("ABCD"), tg3, left, {kRed, kLime, kLime, kBlue});
        row("ABC", QStringLiteral("ABC"), tg3, left, {kRed, kLime, kBlue});
        row("ABCDE", QStringLiteral("ABCDE"), tg3, left, {kRed, kLime, kLime, teal, kBlue});
        row("three double-byte", QStringLiteral("あいう"), tg3, left, {kRed, kLime, kBlue});
        row("middle byte in a double-byte character", QStringLiteral("AあBC"), tg3, left,
            {kRed, kLime, kLime, kBlue});
        row("half-width katakana", QStringLiteral("ｱｲｳｴｵ"), tg3, left, {kRed, kLime, kLime, teal, kBlue});
        row("ABCD right-justified", QStringLiteral("ABCD"), tg3, TLabel::taRightJustify,
            {kRed, kLime, kLime, kBlue});
        row("ABCD centred", QStringLiteral("ABCD"), tg3, TLabel::taCenter, {kRed, kLime, kLime, kBlue});
        row("AB right-justified", QStringLiteral("AB"), tg2, TLabel::taRightJustify, {kRed, kBlue});
        // A disabled label keeps the gradient's colours.
        row("AB two colours, disabled", QStringLiteral("AB"), tg2, left, {kRed, kBlue}, false);
    }
    void textGradientColoursEachCharacterFromTheLeftEdge()
    {
        QFETCH(QString, caption);
        QFETCH(TShadowLabel::TTextGradation, gradation);
        QFETCH(TLabel::TAlignment, alignment);
        QFETCH(bool, enabled);
        QFETCH(QList<QRgb>, colours);
        TShadowLabel label;
        SetUpGradientLabel(label);
        label.SetAlignment(alignment);
        label.SetCaption(caption);
        label.SetTextGradation(gradation);
        label.setEnabled(enabled);
        const QImage img = Render(label);
        const QFont font = label.DrawingFont();
        const QStringList chars = SplitCharacters(caption);
        QCOMPARE(chars.size(), colours.size());
        int x = 0;
        for (qsizetype i = 0; i < chars.size(); ++i) {
            // A character's cell ends where the text up to it ends.
            const int right = TextWidth(font, chars.mid(0, i + 1).join(QString()));
            const QRgb got = DominantColor(img, x, right, kBlack);
            QVERIFY2(got == colours[i], qPrintable(QStringLiteral("character %1 (%2) is %3, expected %4")
                                                       .arg(i).arg(chars[i], testing::ColorName(got),
                                                                   testing::ColorName(colours[i]))));
            x = right;
        }
        // Nothing is drawn to the right of the run.
        QCOMPARE(DominantColor(img, x, img.width(), kBlack), kBlack);
    }

    void loneFirstPieceIsPlacedByTheAlignment()
    {
        TShadowLabel label;
        SetUpGradientLabel(label);
        label.SetAlignment(TLabel::taRightJustify);
        label.SetCaption(QStringLiteral("ABC"));
        label.SetTextGradation(TShadowLabel::tg3Colors);
        const QImage img = Render(label);
        const QFont font = label.DrawingFont();
        const int wA = TextWidth(font, QStringLiteral("A"));
        const int wB = TextWidth(font, QStringLiteral("B"));
        const int wC = TextWidth(font, QStringLiteral("C"));
        // A stands at the right edge of its cell, which runs to the label's edge...
        QCOMPARE(DominantColor(img, 200 - wA, 200, kBlack), kRed);
        QCOMPARE(DominantColor(img, 0, wA, kBlack), kBlack);
        // ...while the run B C still starts where A's width ends.
        QCOMPARE(DominantColor(img, wA, wA + wB, kBlack), kLime);
        QCOMPARE(DominantColor(img, wA + wB, wA + wB + wC, kBlack), kBlue);
    }

    void oneCharacterGradientUsesTheTextColour()
    {
        TShadowLabel label;
        SetUpGradientLabel(label);
        label.SetCaption(QStringLiteral("A"));
        label.SetTextGradation(TShadowLabel::tg2Colors);
        const QImage img = Render(label);
        QCOMPARE(DominantColor(img, 0, 200, kBlack), kRed);
    }

    void plainLabelPaintsItsColourAndTextButNoCopies()
    {
        QWidget parent;
        parent.resize(60, 40);
        TLabel label(&parent);
        UseMarkerFont(label, clRed);
        label.SetColor(clBlack);
        label.SetCaption(QStringLiteral("■"));
        const QImage img = Render(label);
        const QSet<QRgb> colours = [&] {
            QSet<QRgb> out;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) out.insert(img.pixel(x, y) | 0xff000000u);
            return out;
        }();
        QCOMPARE(colours, (QSet<QRgb>{kBlack, kRed}));
        label.SetTransparent(true);
        parent.setAutoFillBackground(true);
        QPalette pal;
        pal.setColor(QPalette::Window, QColor(0, 0, 255));
        parent.setPalette(pal);
        const QImage over = Render(parent);
        PIXEL_IS(over, label.Width() - 1, label.Height() - 1, kBlue);
    }

    void endEllipsisShortensTextThatDoesNotFit()
    {
        TShadowLabel label;
        ShowOnlyMainText(label, clWhite);
        label.SetAutoSize(false);
        label.SetCaption(QStringLiteral("IIIIIIIIIIIIIIIIIIII"));
        const QFont font = label.DrawingFont();
        label.SetBounds(0, 0, TextWidth(font, QStringLiteral("IIIIII")), 30);
        const QImage cut = Render(label);
        label.SetEllipsis(TShadowLabel::elEnd);
        const QImage shortened = Render(label);
        QVERIFY(cut != shortened);
        // The ellipsis leaves room at the end for its dots: the last columns
        // hold less ink than they do when the text is merely cut.
        auto ink = [](const QImage& img, int from) {
            int n = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = from; x < img.width(); ++x) n += (img.pixel(x, y) | 0xff000000u) != kBlack;
            return n;
        };
        const int tail = label.Width() - TextWidth(font, QStringLiteral("..."));
        QVERIFY(ink(shortened, tail) < ink(cut, tail));
    }

    // ---- gradient helpers -------------------------------------------------

    void gradientTextReachesTheEndOfTheWholeText_data()
    {
        // Fonts whose characters' rounded widths add up to less than the
        // width of the text they make together.
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<QString>("caption");
        QTest::newRow("serif m") << QStringLiteral("DejaVu Serif") << 10 << QStringLiteral("mmmmmmmm");
        QTest::newRow("gothic m") << QStringLiteral("IPAPGothic") << 12 << QStringLiteral("mmmmmmmm");
        QTest::newRow("sans i") << QStringLiteral("DejaVu Sans") << 16 << QStringLiteral("iiiiiiii");
    }
    void gradientTextReachesTheEndOfTheWholeText()
    {
        QFETCH(QString, family);
        QFETCH(int, pixels);
        QFETCH(QString, caption);
        auto picture = [&](TShadowLabel::TTextGradation gradation) {
            TShadowLabel label;
            ShowOnlyMainText(label, clRed);
            label.Font()->SetName(family);
            label.Font()->SetHeight(-pixels);
            label.Font()->SetStyle(0);
            label.SetTextGradationColor(clBlue);
            label.SetTextGradation(gradation);
            label.SetCaption(caption);
            return Render(label);
        };
        const QImage plain = picture(TShadowLabel::tgNone);
        const QImage gradient = picture(TShadowLabel::tg2Colors);
        // Auto-size fits the label to the whole text, and the last
        // character of the gradient is not cut off short of it.
        QCOMPARE(gradient.width(), plain.width());
        QVERIFY2(RightmostInk(gradient, kBlack) >= RightmostInk(plain, kBlack) - 1,
                 qPrintable(QStringLiteral("gradient text ends at x %1, the text at x %2 of %3")
                                .arg(RightmostInk(gradient, kBlack))
                                .arg(RightmostInk(plain, kBlack))
                                .arg(plain.width())));
    }

    void parentColorAndParentFontFollowTheParent()
    {
        QWidget parent;
        QPalette pal = parent.palette();
        pal.setColor(QPalette::Window, QColor(10, 20, 30));
        pal.setColor(QPalette::WindowText, QColor(200, 100, 50));
        parent.setPalette(pal);
        QFont font(QStringLiteral("DejaVu Serif"));
        font.setPixelSize(19);
        font.setBold(true);
        parent.setFont(font);
        TShadowLabel label(&parent);
        QVERIFY(label.setProperty("ParentColor", true));
        QCOMPARE(label.Color(), RGBColor(10, 20, 30));
        pal.setColor(QPalette::Window, QColor(40, 50, 60));
        parent.setPalette(pal);
        QCOMPARE(label.Color(), RGBColor(40, 50, 60));
        label.SetColor(clRed);
        QVERIFY(!label.property("ParentColor").toBool());
        pal.setColor(QPalette::Window, QColor(70, 80, 90));
        parent.setPalette(pal);
        QCOMPARE(label.Color(), clRed);

        QVERIFY(label.setProperty("ParentFont", true));
        QCOMPARE(label.Font()->Name(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(label.Font()->Height(), -19);
        QCOMPARE(label.Font()->Style(), int(TFont::fsBold));
        QCOMPARE(label.Font()->Color(), RGBColor(200, 100, 50));
        font.setPixelSize(25);
        parent.setFont(font);
        QCOMPARE(label.Font()->Height(), -25);
        label.Font()->SetHeight(-12);
        QVERIFY(!label.property("ParentFont").toBool());
        parent.setFont(QFont(QStringLiteral("DejaVu Sans")));
        QCOMPARE(label.Font()->Height(), -12);
    }

    void mouseEnterAndLeaveReachTheirHandlers()
    {
        TShadowLabel label;
        QStringList log;
        QVERIFY(label.BindEvent("OnMouseEnter", TNotifyEvent([&](QObject* s) { log << (s == &label ? "enter" : "?"); })));
        QVERIFY(label.BindEvent("OnMouseLeave", TNotifyEvent([&](QObject* s) { log << (s == &label ? "leave" : "?"); })));
        QVERIFY(!label.BindEvent("OnMouseEnter", TMouseMoveEvent([](QObject*, TShiftState, int, int) {})));
        QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
        QCoreApplication::sendEvent(&label, &enter);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&label, &leave);
        QCOMPARE(log, QStringList({"enter", "leave"}));
    }

    void offscreenBitmapHasTheDevicePixels_data()
    {
        QTest::addColumn<bool>("flickerless");
        QTest::newRow("off-screen bitmap") << true;
        QTest::newRow("drawn directly") << false;
    }
    void offscreenBitmapHasTheDevicePixels()
    {
        QFETCH(bool, flickerless);
        TShadowLabel label;
        ShowOnlyMainText(label, clWhite);
        label.Font()->SetName(QStringLiteral("DejaVu Sans"));
        label.Font()->SetHeight(-14);
        label.SetFlickerless(flickerless);
        label.SetCaption(QStringLiteral("Ag"));
        label.SetAutoSize(false);
        label.SetBounds(0, 0, 60, 24);
        QImage img(label.size() * 2, QImage::Format_RGB32);
        img.setDevicePixelRatio(2);
        img.fill(Qt::red);
        label.render(&img);
        QVERIFY2(!PixelDoubled(img), "the text was drawn at one pixel per point and enlarged");
        // Still covering the whole label.
        UNIFORM(img, QRect(img.width() - 2, 0, 2, img.height()), kBlack);
    }

    void getRgbSplitsColourBytes_data()
    {
        QTest::addColumn<int>("color");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");
        QTest::newRow("maroon") << int(0x000080) << 0x80 << 0 << 0;
        QTest::newRow("blue") << int(0xFF0000) << 0 << 0 << 0xFF;
        QTest::newRow("mixed") << int(0x563412) << 0x12 << 0x34 << 0x56;
        QTest::newRow("top byte ignored") << int(0x1FFFFFFF) << 0xFF << 0xFF << 0xFF;
    }
    void getRgbSplitsColourBytes()
    {
        QFETCH(int, color);
        QFETCH(int, red);
        QFETCH(int, green);
        QFETCH(int, blue);
        quint8 r = 1, g = 1, b = 1;
        GetRGB(color, r, g, b);
        QCOMPARE(int(r), red);
        QCOMPARE(int(g), green);
        QCOMPARE(int(b), blue);
    }

    void getRgbLooksUpSystemColoursAtTheTimeOfTheCall()
    {
        QPalette pal = QApplication::palette();
        pal.setColor(QPalette::Active, QPalette::Button, QColor(11, 22, 33));
        QApplication::setPalette(pal);
        quint8 r, g, b;
        GetRGB(clBtnFace, r, g, b);
        QCOMPARE(QList<int>({r, g, b}), QList<int>({11, 22, 33}));
        pal.setColor(QPalette::Active, QPalette::Button, QColor(44, 55, 66));
        QApplication::setPalette(pal);
        GetRGB(clBtnFace, r, g, b);
        QCOMPARE(QList<int>({r, g, b}), QList<int>({44, 55, 66}));
    }

    void gradBitmapTruncatesEachStep_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("color1");
        QTest::addColumn<int>("color2");
        QTest::addColumn<QList<QRgb>>("steps");
        QTest::newRow("rising, horizontal") << false << int(0x000000) << int(0x0000FF)
                                            << QList<QRgb>{qRgb(0, 0, 0), qRgb(127, 0, 0), qRgb(255, 0, 0)};
        QTest::newRow("falling, horizontal") << false << int(0x0000FF) << int(0x000000)
                                             << QList<QRgb>{qRgb(255, 0, 0), qRgb(127, 0, 0), qRgb(0, 0, 0)};
        QTest::newRow("rising, vertical") << true << int(0x000000) << int(0x0000FF)
                                          << QList<QRgb>{qRgb(0, 0, 0), qRgb(127, 0, 0), qRgb(255, 0, 0)};
        QTest::newRow("falling, vertical") << true << int(0x0000FF) << int(0x000000)
                                           << QList<QRgb>{qRgb(255, 0, 0), qRgb(127, 0, 0), qRgb(0, 0, 0)};
        QTest::newRow("all components") << false << int(0x10FF00) << int(0xF000FF)
                                        << QList<QRgb>{qRgb(0, 255, 16), qRgb(127, 127, 128), qRgb(255, 0, 240)};
    }
    void gradBitmapTruncatesEachStep()
    {
        QFETCH(bool, vertical);
        QFETCH(int, color1);
        QFETCH(int, color2);
        QFETCH(QList<QRgb>, steps);
        // Three steps along the gradient, four pixels across it.
        QImage bitmap(vertical ? QSize(4, 3) : QSize(3, 4), QImage::Format_BGR888);
        bitmap.fill(Qt::gray);
        GradBitmap(bitmap, color1, color2, vertical);
        for (int along = 0; along < 3; ++along)
            for (int across = 0; across < 4; ++across) {
                const int x = vertical ? across : along;
                const int y = vertical ? along : across;
                PIXEL_IS(bitmap, x, y, steps[along]);
            }
    }

    void gradBitmapWritesBlueGreenRedBytes()
    {
        QImage bitmap(2, 2, QImage::Format_BGR888);
        GradBitmap(bitmap, RGBColor(0x12, 0x34, 0x56), RGBColor(0x12, 0x34, 0x56), false);
        const uchar* row = bitmap.constScanLine(1);
        QCOMPARE(int(row[0]), 0x56);
        QCOMPARE(int(row[1]), 0x34);
        QCOMPARE(int(row[2]), 0x12);
    }

    void gradBitmapFillsOtherRgbFormatsAlike_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("RGB32") << int(QImage::Format_RGB32);
        QTest::newRow("RGB888") << int(QImage::Format_RGB888);
        QTest::newRow("indexed is converted") << int(QImage::Format_Indexed8);
    }
    void gradBitmapFillsOtherRgbFormatsAlike()
    {
        QFETCH(int, format);
        QImage reference(5, 3, QImage::Format_BGR888);
        GradBitmap(reference, clBlack, clWhite, false);
        QImage bitmap(5, 3, static_cast<QImage::Format>(format));
        if (bitmap.format() == QImage::Format_Indexed8) {
            bitmap.setColorCount(1);
            bitmap.setColor(0, qRgb(1, 2, 3));
            bitmap.fill(0);
        }
        GradBitmap(bitmap, clBlack, clWhite, false);
        SAME_IMAGE(bitmap.convertToFormat(QImage::Format_RGB32), reference.convertToFormat(QImage::Format_RGB32));
    }

    void gradBitmapLeavesEmptyBitmapsAlone()
    {
        QImage none(0, 5, QImage::Format_BGR888);
        GradBitmap(none, clBlack, clWhite, false);
        QVERIFY(none.isNull());
        QImage flat(5, 0, QImage::Format_BGR888);
        GradBitmap(flat, clBlack, clWhite, true);
        QVERIFY(flat.isNull());
    }

    void onePixelLongGradientHasTheFirstColour_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("vertical");
        QTest::newRow("one row, vertical") << QSize(4, 1) << true;
        QTest::newRow("one column, horizontal") << QSize(1, 4) << false;
        QTest::newRow("one pixel") << QSize(1, 1) << false;
    }
    void onePixelLongGradientHasTheFirstColour()
    {
        QFETCH(QSize, size);
        QFETCH(bool, vertical);
        QImage bitmap(size, QImage::Format_BGR888);
        bitmap.fill(Qt::gray);
        GradBitmap(bitmap, RGBColor(10, 20, 30), RGBColor(200, 100, 50), vertical);
        UNIFORM(bitmap, bitmap.rect(), qRgb(10, 20, 30));
    }

    // GradRect paints a rectangle of a canvas through a small bitmap that is
    // stretched over it, and leaves the rest of the canvas (and the painter's
    // composition mode) as they were. A rectangle without area gets nothing.
    void gradRectBuildsASmallBitmapAndStretchesIt_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<QSize>("bitmapSize");
        QTest::newRow("horizontal 100 x 21") << QRect(10, 5, 100, 21) << false << QSize(100, 2);
        QTest::newRow("horizontal 100 x 19") << QRect(0, 0, 100, 19) << false << QSize(100, 1);
        QTest::newRow("horizontal 7 x 40") << QRect(3, 3, 7, 40) << false << QSize(7, 3);
        QTest::newRow("vertical 100 x 21") << QRect(10, 5, 100, 21) << true << QSize(1, 21);
        const std::pair<const char*, QRect> noArea[] = {{"negative width", QRect(10, 5, -20, 21)},
                                                        {"negative height", QRect(10, 5, 20, -21)},
                                                        {"zero width", QRect(10, 5, 0, 21)},
                                                        {"zero height", QRect(10, 5, 20, 0)}};
        for (const auto& [name, rect] : noArea)
            for (const bool vertical : {false, true})
                QTest::addRow("%s, %s", name, vertical ? "vertical" : "horizontal") << rect << vertical << QSize();
    }
    void gradRectBuildsASmallBitmapAndStretchesIt()
    {
        QFETCH(QRect, rect);
        QFETCH(bool, vertical);
        QFETCH(QSize, bitmapSize);
        QCOMPARE(GradRectBitmapSize(rect, vertical), bitmapSize);

        QImage canvas(130, 50, QImage::Format_RGB32);
        canvas.fill(Qt::gray);
        {
            QPainter p(&canvas);
            GradRect(p, rect, clBlack, RGBColor(255, 0, 0), vertical);
            QCOMPARE(p.compositionMode(), QPainter::CompositionMode_SourceOver);
        }
        const QRect painted = rect.isEmpty() ? QRect() : rect;
        const int length = vertical ? rect.height() : rect.width();
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                if (!painted.contains(x, y)) {
                    PIXEL_IS(canvas, x, y, qRgb(160, 160, 164));
                    continue;
                }
                const int i = vertical ? y - rect.top() : x - rect.left();
                const double t = static_cast<double>(i) / (length - 1);
                const int red = static_cast<int>(255 * t + 0);
                PIXEL_IS(canvas, x, y, qRgb(red, 0, 0));
            }
    }
};

YOTSUMADO_TEST_MAIN(TestShadowLabel)
#include "tst_shadolbl.moc"
