// The parts of the shine speed button that need no widget: colour sets,
// glyph effects, the face ramp, the glyph/caption layout and the drawing
// state.
#include "controls/base/storedform.h"
#include "controls/shinespdbtn/glypheffects.h"
#include "controls/shinespdbtn/shinebtncolors.h"
#include "controls/shinespdbtn/shinebuttonpaint.h"
#include "controls/shinespdbtn/shinestate.h"
#include "core/error.h"
#include "support/pixels.h"
#include "support/testmain.h"

#include <QtTest>

using namespace yotsumado;

using namespace ShineSpdBtn;

namespace {

constexpr std::uint32_t kMagenta = 0xFF00FF;
constexpr std::uint32_t kYellowPixel = 0xFFFF00;  // clYellow as a pixel: red 255, green 255, blue 0

QImage Filled(int w, int h, std::uint32_t rgb)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor::fromRgb(rgb | 0xFF000000u));
    return img;
}

std::uint32_t At(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFFu; }

QString Hex(std::uint32_t v) { return QStringLiteral("%1").arg(v, 6, 16, QLatin1Char('0')); }

// The set pixels of an image whose pixels are either shine or something else.
QSet<QPair<int, int>> PixelsOf(const QImage& img, std::uint32_t rgb)
{
    QSet<QPair<int, int>> out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (At(img, x, y) == rgb) out.insert({x, y});
    return out;
}

} // namespace

class TestShineButtonParts : public QObject {
    Q_OBJECT
private slots:
    // --- colour sets -------------------------------------------------------
    void setterNotifiesAChangeAfterStoringIt()
    {
        TShineBtnColors c;
        int calls = 0;
        TColor seen = 0;
        c.OnChange = [&](QObject* sender) {
            QCOMPARE(sender, &c);
            seen = c.Shadow();
            ++calls;
        };
        c.SetShadow(clNavy);
        QCOMPARE(calls, 1);
        QCOMPARE(seen, clNavy);
        // A system colour and the RGB value it resolves to are different values.
        c.SetColor(RgbToColor(ColorToRgb(clBtnFace)));
        QCOMPARE(calls, 2);
    }

    void assignCopiesEverythingAndAlwaysNotifies()
    {
        TShineBtnColors source, target;
        source.SetGradation(true);
        source.SetColor(clMaroon);
        source.SetGradVertical(true);
        int calls = 0;
        target.OnChange = [&](QObject* sender) { QCOMPARE(sender, &target); ++calls; };
        target.Assign(&source);
        QCOMPARE(calls, 1);
        QCOMPARE(target.Gradation(), true);
        QCOMPARE(target.Color(), clMaroon);
        QCOMPARE(target.GradVertical(), true);
        target.Assign(&source);  // nothing differs now
        QCOMPARE(calls, 2);
    }

    void assignToNotifiesTheDestination()
    {
        TShineBtnColors source, target;
        source.SetHighlight(clAqua);
        int sourceCalls = 0, targetCalls = 0;
        source.OnChange = [&](QObject*) { ++sourceCalls; };
        target.OnChange = [&](QObject* sender) { QCOMPARE(sender, &target); ++targetCalls; };
        source.AssignTo(&target);
        QCOMPARE(target.Highlight(), clAqua);
        QCOMPARE(targetCalls, 1);
        QCOMPARE(sourceCalls, 0);
    }

    void assignRefusesOtherClassesWithTheAssignmentError()
    {
        TShineBtnColors c;
        QObject other;
        try {
            c.Assign(&other);
            QFAIL("no error");
        } catch (const EConvertError& e) {
            QCOMPARE(e.Message(), QStringLiteral("QObject を TShineBtnColors に代入することはできません"));
        }
        try {
            c.Assign(nullptr);
            QFAIL("no error");
        } catch (const EConvertError& e) {
            QCOMPARE(e.Message(), QStringLiteral("nil を TShineBtnColors に代入することはできません"));
        }
        QVERIFY_THROWS_EXCEPTION(EConvertError, c.AssignTo(&other));
        QCOMPARE(c.Color(), clBtnFace);
    }

    void destructionNeverNotifies()
    {
        // Every value away from its default first, each change counted, so
        // that the handler is seen to work and a destructor that put values
        // back (or reported anything) would be counted too.
        int calls = 0;
        {
            TShineBtnColors c;
            c.OnChange = [&](QObject*) { ++calls; };
            c.SetColor(clNavy);
            c.SetHighlight(clAqua);
            c.SetShadow(clMaroon);
            c.SetDarkShadow(clLime);
            c.SetGradColor(clYellow);
            c.SetGradVertical(true);
            c.SetGradation(true);
            QCOMPARE(calls, 7);
        }
        QCOMPARE(calls, 7);
    }

    void storedFormAlwaysListsColorButNotDefaults()
    {
        TShineBtnColors c;
        auto names = [](const QObject* o) {
            QStringList n;
            for (const auto& [name, value] : StoredValues(o)) n << name;
            return n;
        };
        QCOMPARE(names(&c), QStringList{QStringLiteral("Color")});
        c.SetShadow(clNavy);
        c.SetGradation(true);
        // Declaration order: Highlight, Shadow, DarkShadow, GradColor, GradVertical, Gradation, Color.
        QCOMPARE(names(&c), (QStringList{QStringLiteral("Shadow"), QStringLiteral("Gradation"), QStringLiteral("Color")}));
    }

    // --- drawing state -----------------------------------------------------
    void stateFollowsWhatHappened_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("event");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<int>("expected");
        using E = TShineEvent;
        auto row = [](const char* name, TShineState s, E e, TShineFlags f, TShineState expected) {
            QTest::newRow(name) << int(s) << int(e) << uint(f) << int(expected);
        };
        row("enter up", shUp, E::Enter, 0, shUpActive);
        row("enter down", shDown, E::Enter, sfDown, shDownActive);
        row("enter disabled", shDisabled, E::Enter, 0, shDisabled);
        row("enter while hot", shDownActive, E::Enter, 0, shDownActive);
        row("leave up", shUpActive, E::Leave, 0, shUp);
        row("leave down", shDownActive, E::Leave, sfDown, shDown);
        row("leave pressed up button", shDownActive, E::Leave, 0, shDown);
        row("leave disabled", shDisabled, E::Leave, 0, shDisabled);
        row("press", shUpActive, E::Press, 0, shDownActive);
        row("drag inside", shUp, E::PressMove, sfInside, shDownActive);
        row("drag out of an up button", shDownActive, E::PressMove, 0, shUp);
        row("drag out of a down button", shDownActive, E::PressMove, sfDown | sfGrouped, shDown);
        row("release ungrouped inside", shDownActive, E::Release, sfInside, shUp);
        row("release ungrouped outside", shUp, E::Release, 0, shUp);
        row("release grouped inside", shDownActive, E::Release, sfGrouped | sfInside | sfDown, shDownActive);
        row("release grouped outside, up", shUp, E::Release, sfGrouped, shUpActive);
        row("release grouped outside, down", shDown, E::Release, sfGrouped | sfDown, shDownActive);
        row("down written", shUpActive, E::DownChanged, sfDown | sfGrouped, shDown);
        row("released by the group", shDownActive, E::DownChanged, sfGrouped, shUp);
        row("hooked click", shUp, E::HookedClick, 0, shDownActive);
        row("disable", shDownActive, E::Disable, sfDown, shDisabled);
        row("enable up", shDisabled, E::Enable, 0, shUp);
        row("enable down", shDisabled, E::Enable, sfDown, shDown);
    }
    void stateFollowsWhatHappened()
    {
        QFETCH(int, state);
        QFETCH(int, event);
        QFETCH(uint, flags);
        QFETCH(int, expected);
        QCOMPARE(NextState(TShineState(state), TShineEvent(event), flags), TShineState(expected));
    }

    // --- glyph effects -----------------------------------------------------
    void pixelEffects_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<int>("effect");
        QTest::addColumn<uint>("expected");
        // The glyph pixel is (16, 32, 48); shine yellow; face (100, 50, 0).
        QTest::newRow("xor") << true << int(aiXorLight) << 0xEFDF30u;       // (239, 223, 48)
        QTest::newRow("half") << true << int(aiHalfLight) << 0x878F18u;     // (135, 143, 24)
        QTest::newRow("quarter") << true << int(aiQuaterLight) << 0xC3C70Cu;  // (195, 199, 12)
        QTest::newRow("add") << true << int(aiAddLight) << 0xFFFF30u;       // (255, 255, 48)
        QTest::newRow("normal") << true << int(aiNormal) << 0x102030u;
        QTest::newRow("grey") << false << int(diGrayscale) << 0x202020u;    // (32, 32, 32)
        QTest::newRow("alpha half") << false << int(diAlphaHalfTrans) << 0x3A2918u;    // (58, 41, 24)
        QTest::newRow("alpha quarter") << false << int(diAlphaQuaterTrans) << 0x4F2D0Cu;  // (79, 45, 12)
    }
    void pixelEffects()
    {
        QFETCH(bool, active);
        QFETCH(int, effect);
        QFETCH(uint, expected);
        QImage glyph = Filled(16, 16, kMagenta);
        glyph.setPixel(3, 4, 0xFF102030u);
        const auto out = CreateStateGlyph(glyph, active ? shUpActive : shDisabled,
                                          static_cast<TActiveImageType>(active ? effect : aiNormal),
                                          static_cast<TDisabledImageType>(active ? diDefault : effect),
                                          kYellowPixel, 0x643200);
        QVERIFY(out);
        QCOMPARE(Hex(At(out->Image, 3, 4)), Hex(expected));
        // Key pixels stay as they were; the key stays the transparent colour.
        QCOMPARE(PixelsOf(out->Image, kMagenta).size(), 16 * 16 - 1);
        QCOMPARE(Hex(out->TransparentColor), Hex(kMagenta));
    }

    void upAndDownStatesCopyTheGlyphUnchanged()
    {
        QImage glyph = Filled(5, 4, kMagenta);
        glyph.setPixel(1, 1, 0xFF102030u);
        for (TShineState s : {shUp, shDown}) {
            const auto out = CreateStateGlyph(glyph, s, aiXorLight, diGrayscale, kYellowPixel, 0);
            QVERIFY(out);
            SAME_IMAGE(out->Image, glyph);
        }
    }

    void alphaGlyphUsesItsAlphaNotAKey_data()
    {
        // A glyph with an alpha channel: transparent except one opaque black
        // pixel at (5, 5) and a half-transparent red one at (8, 5).
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("effect");
        QTest::addColumn<QList<QPoint>>("shine");  // pixels painted opaque in the shine colour
        QTest::newRow("up") << int(shUp) << int(aiFrameLight) << QList<QPoint>{};
        QTest::newRow("frame light") << int(shUpActive) << int(aiFrameLight)
                                     << QList<QPoint>{{4, 5}, {6, 5}, {5, 4}, {5, 6}, {7, 5}, {9, 5}, {8, 4}, {8, 6}};
    }
    void alphaGlyphUsesItsAlphaNotAKey()
    {
        QFETCH(int, state);
        QFETCH(int, effect);
        QFETCH(QList<QPoint>, shine);
        QImage glyph(12, 10, QImage::Format_ARGB32);
        glyph.fill(Qt::transparent);
        glyph.setPixel(5, 5, qRgba(0, 0, 0, 255));
        glyph.setPixel(8, 5, qRgba(255, 0, 0, 128));
        const auto out = CreateStateGlyph(glyph, static_cast<TShineState>(state),
                                          static_cast<TActiveImageType>(effect), diDefault, kYellowPixel, 0);
        QVERIFY(out);
        QVERIFY(out->Image.hasAlphaChannel());
        const QImage img = out->Image.convertToFormat(QImage::Format_ARGB32);
        // The black pixel is glyph, not background, and keeps its colour.
        QCOMPARE(Hex(img.pixel(5, 5)), Hex(qRgba(0, 0, 0, 255)));
        QCOMPARE(qAlpha(img.pixel(8, 5)), 128);
        QCOMPARE(qRed(img.pixel(8, 5)), 255);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QPoint p(x, y);
                if (p == QPoint(5, 5) || p == QPoint(8, 5)) continue;
                if (shine.contains(p))
                    QCOMPARE(Hex(img.pixel(p)), Hex(0xFF000000u | kYellowPixel));
                else
                    QVERIFY2(qAlpha(img.pixel(p)) == 0, qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
            }
    }

    void emptyGlyphGivesNoStateGlyph()
    {
        QVERIFY(!CreateStateGlyph(QImage(), shUpActive, aiXorLight, diDefault, kYellowPixel, 0));
        QVERIFY(!CreateStateGlyph(QImage(0, 5, QImage::Format_RGB32), shUp, aiNormal, diDefault, 0, 0));
    }

    void outlineOfASinglePixel_data()
    {
        QTest::addColumn<int>("effect");
        QTest::addColumn<QList<QPoint>>("painted");
        const QList<QPoint> ring{{4, 5}, {6, 5}, {5, 4}, {5, 6}};
        QTest::newRow("frame") << int(aiFrameLight) << ring;
        QTest::newRow("thick frame") << int(aiFrameLight2)
                                     << (ring + QList<QPoint>{{3, 5}, {7, 5}, {5, 3}, {5, 7}, {4, 4}, {6, 4}, {4, 6}, {6, 6}});
    }
    void outlineOfASinglePixel()
    {
        QFETCH(int, effect);
        QFETCH(QList<QPoint>, painted);
        QImage glyph = Filled(11, 11, kMagenta);
        glyph.setPixel(5, 5, 0xFF000000u);
        const auto out = CreateStateGlyph(glyph, shDownActive, static_cast<TActiveImageType>(effect), diDefault,
                                          kYellowPixel, 0);
        QVERIFY(out);
        QSet<QPair<int, int>> expected;
        for (const QPoint& p : painted) expected.insert({p.x(), p.y()});
        QCOMPARE(PixelsOf(out->Image, kYellowPixel), expected);
        QCOMPARE(At(out->Image, 5, 5), 0u);
    }

    void outlineReachingTheCornerBecomesTheTransparentColour()
    {
        QImage glyph = Filled(4, 4, kMagenta);
        glyph.setPixel(1, 3, 0xFF000000u);  // right of the bottom-left corner
        const auto out = CreateStateGlyph(glyph, shUpActive, aiFrameLight, diDefault, kYellowPixel, 0);
        QVERIFY(out);
        QCOMPARE(Hex(At(out->Image, 0, 3)), Hex(kYellowPixel));
        QCOMPARE(Hex(out->TransparentColor), Hex(kYellowPixel));
    }

    void alternation_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("checkerboard");
        QTest::newRow("4x4 checkerboard") << 4 << 4 << true;
        QTest::newRow("4x3 stripes") << 4 << 3 << false;
        QTest::newRow("3x3 checkerboard") << 3 << 3 << true;
    }
    void alternation()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, checkerboard);
        // Only the bottom-left pixel has the key colour.
        QImage glyph = Filled(width, height, 0x336699);
        glyph.setPixel(0, height - 1, 0xFF000000u | kMagenta);
        const auto light = CreateStateGlyph(glyph, shUpActive, aiMaskLight, diDefault, kYellowPixel, 0);
        const auto trans = CreateStateGlyph(glyph, shDisabled, aiNormal, diMaskTrans, kYellowPixel, 0);
        QVERIFY(light && trans);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const bool key = x == 0 && y == height - 1;
                const bool selected = !key && (checkerboard ? (x + y) % 2 == 1 : x % 2 == 1);
                const QByteArray where = QStringLiteral("(%1, %2)").arg(x).arg(y).toLatin1();
                QVERIFY2((At(light->Image, x, y) == kYellowPixel) == selected, where.constData());
                QVERIFY2((At(trans->Image, x, y) == kMagenta) == (selected || key), where.constData());
            }
        }
    }

    void faceTakesBothEndsOfTheRamp_data()
    {
        // Pixel i of a face n pixels long takes entry i * 255 / (n - 1).
        QTest::addColumn<int>("length");
        QTest::addColumn<QList<int>>("entries");  // for pixels 0, 1, middle, last
        QTest::newRow("one pixel") << 1 << QList<int>{0, 0, 0, 0};
        QTest::newRow("two pixels") << 2 << QList<int>{0, 255, 255, 255};
        QTest::newRow("default button") << 25 << QList<int>{0, 10, 127, 255};
        QTest::newRow("as long as the ramp") << 256 << QList<int>{0, 1, 128, 255};
        QTest::newRow("longer than the ramp") << 511 << QList<int>{0, 0, 127, 255};
    }
    void faceTakesBothEndsOfTheRamp()
    {
        QFETCH(int, length);
        QFETCH(QList<int>, entries);
        QCOMPARE(RampIndex(0, length), entries[0]);
        QCOMPARE(RampIndex(std::min(1, length - 1), length), entries[1]);
        QCOMPARE(RampIndex(length / 2, length), entries[2]);
        QCOMPARE(RampIndex(length - 1, length), entries[3]);
    }

    void edgePictureOfSolidGlyphIsAllBlack()
    {
        const QImage glyph = Filled(8, 6, 0x123456);
        const auto out = CreateStateGlyph(glyph, shDisabled, aiNormal, diDefault, kYellowPixel, 0);
        QVERIFY(out);
        QVERIFY(out->IsEdgePicture);
        QCOMPARE(out->Image.format(), QImage::Format_Mono);
        QCOMPARE(out->Image.size(), glyph.size());
        UNIFORM(out->Image.convertToFormat(QImage::Format_RGB32), out->Image.rect(), qRgb(0, 0, 0));
        QCOMPARE(out->TransparentColor, 0u);
    }

    void edgePictureMarksDiagonalEdgesOnly()
    {
        // A 2 x 2 square at (2, 2) on a 6 x 6 key background.
        QImage glyph = Filled(6, 6, kMagenta);
        for (int y = 2; y < 4; ++y)
            for (int x = 2; x < 4; ++x) glyph.setPixel(x, y, 0xFF000000u);
        const QImage edge = EdgePicture(glyph).convertToFormat(QImage::Format_RGB32);
        QSet<QPair<int, int>> expected;
        for (int y = 1; y <= 3; ++y)
            for (int x = 1; x <= 3; ++x) expected.insert({x, y});
        expected.remove({2, 2});  // its block lies wholly inside the square
        QCOMPARE(PixelsOf(edge, 0xFFFFFF), expected);
    }

    void oneRowGlyphHasNoEdges()
    {
        QImage glyph = Filled(5, 1, kMagenta);
        glyph.setPixel(2, 0, 0xFF000000u);
        const QImage edge = EdgePicture(glyph).convertToFormat(QImage::Format_RGB32);
        UNIFORM(edge, edge.rect(), qRgb(0, 0, 0));
    }

    // --- face ramp ---------------------------------------------------------
    void rampEntries_data()
    {
        QTest::addColumn<uint>("from");
        QTest::addColumn<uint>("to");
        QTest::addColumn<int>("entry");
        QTest::addColumn<uint>("expected");
        QTest::newRow("rising 0") << 0x000000u << 0xFF0000u << 0 << 0x000000u;
        QTest::newRow("rising 1") << 0x000000u << 0xFF0000u << 1 << 0x010000u;
        QTest::newRow("rising 128") << 0x000000u << 0xFF0000u << 128 << 0x800000u;
        QTest::newRow("rising 255") << 0x000000u << 0xFF0000u << 255 << 0xFF0000u;
        QTest::newRow("falling 1") << 0xFF0000u << 0x000000u << 1 << 0xFE0000u;
        QTest::newRow("falling truncates toward zero") << 0x0000FFu << 0x000000u << 128 << 0x00007Fu;
        QTest::newRow("mixed channels") << 0x10FF00u << 0x2000FFu << 100 << 0x169B64u;
    }
    void rampEntries()
    {
        QFETCH(uint, from);
        QFETCH(uint, to);
        QFETCH(int, entry);
        QFETCH(uint, expected);
        const QImage h = GradientRamp(from, to, false);
        const QImage v = GradientRamp(from, to, true);
        QCOMPARE(h.size(), QSize(256, 1));
        QCOMPARE(v.size(), QSize(1, 256));
        QCOMPARE(Hex(At(h, entry, 0)), Hex(expected));
        QCOMPARE(Hex(At(v, 0, entry)), Hex(expected));
    }

    // --- layout ------------------------------------------------------------
    void layoutPositions_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("margin");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QSize>("glyph");
        QTest::addColumn<QSize>("text");
        QTest::addColumn<QPoint>("glyphAt");
        QTest::addColumn<QRect>("caption");
        const QSize g(16, 16), t(30, 13), c(60, 25);
        QTest::newRow("left centred") << int(blGlyphLeft) << -1 << c << g << t << QPoint(5, 4) << QRect(25, 5, 30, 13);
        QTest::newRow("left margin 3") << int(blGlyphLeft) << 3 << c << g << t << QPoint(3, 4) << QRect(23, 5, 30, 13);
        QTest::newRow("right margin 2") << int(blGlyphRight) << 2 << c << g << t << QPoint(42, 4) << QRect(8, 5, 30, 13);
        QTest::newRow("right centred") << int(blGlyphRight) << -1 << c << g << t << QPoint(39, 4) << QRect(5, 5, 30, 13);
        // Block 30 x 33 in 60 x 40: glyph centred over the caption.
        QTest::newRow("top centred") << int(blGlyphTop) << -1 << QSize(60, 40) << g << t << QPoint(22, 3) << QRect(15, 23, 30, 13);
        QTest::newRow("top margin 1") << int(blGlyphTop) << 1 << QSize(60, 40) << g << t << QPoint(22, 1) << QRect(15, 21, 30, 13);
        QTest::newRow("bottom margin 1") << int(blGlyphBottom) << 1 << QSize(60, 40) << g << t << QPoint(22, 23) << QRect(15, 6, 30, 13);
        // Caption alone on top is pushed down by the spacing: SH 17, OY 4, top 8.
        QTest::newRow("top caption only") << int(blGlyphTop) << -1 << QSize(40, 25) << QSize() << QSize(20, 13) << QPoint(10, 4) << QRect(10, 8, 20, 13);
        QTest::newRow("left caption only") << int(blGlyphLeft) << -1 << QSize(40, 25) << QSize() << QSize(20, 13) << QPoint(10, 6) << QRect(10, 6, 20, 13);
        // A block wider than the client: (20 - 25) / 2 is -2, not -3.
        QTest::newRow("negative OX") << int(blGlyphLeft) << -1 << QSize(20, 20) << QSize() << QSize(25, 10) << QPoint(-2, 5) << QRect(-2, 5, 25, 10);
        QTest::newRow("glyph only") << int(blGlyphLeft) << -1 << QSize(25, 25) << g << QSize() << QPoint(4, 4) << QRect(20, 4, 0, 0);
    }
    void layoutPositions()
    {
        QFETCH(int, layout);
        QFETCH(int, margin);
        QFETCH(QSize, client);
        QFETCH(QSize, glyph);
        QFETCH(QSize, text);
        QFETCH(QPoint, glyphAt);
        QFETCH(QRect, caption);
        const bool present = !text.isEmpty();
        const TDrawPosition p = CalcDrawPosition(static_cast<TButtonLayout>(layout), margin, 4, client,
                                                 glyph.isValid() ? glyph : QSize(0, 0), present ? text : QSize(0, 0),
                                                 present);
        QCOMPARE(p.Glyph, glyphAt);
        QCOMPARE(p.Caption, caption);
    }

    void extremeMarginDoesNotOverflow()
    {
        const TDrawPosition p = CalcDrawPosition(blGlyphRight, std::numeric_limits<int>::max(), 4, QSize(60, 25),
                                                 QSize(16, 16), QSize(30, 13), true);
        QVERIFY(p.Glyph.x() < 0);
        QVERIFY(p.Caption.left() < p.Glyph.x());
    }
};

YOTSUMADO_TEST_MAIN(TestShineButtonParts)
#include "tst_shinebuttonparts.moc"
