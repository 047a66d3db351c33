// The shine speed button as a control: its model, groups, painting and its
// reactions to real pointer, key and control events.
#include "controls/base/storedform.h"
#include "controls/shinespdbtn/dialogchar.h"
#include "controls/shinespdbtn/groupsender.h"
#include "controls/shinespdbtn/shinespeedbutton.h"
#include "core/error.h"
#include "support/pixels.h"
#include "support/testmain.h"

#include <QAction>
#include <QLineEdit>
#include <QSet>
#include <QTimer>
#include <QtTest>

using namespace yotsumado;

namespace {

// Distinct system colours, so every frame edge can be told apart.
QPalette TestPalette()
{
    QPalette pal;
    pal.setColor(QPalette::Button, QColor(0xd4, 0xd0, 0xc8));
    pal.setColor(QPalette::Window, QColor(0xd4, 0xd0, 0xc8));
    pal.setColor(QPalette::Light, QColor(0xff, 0xff, 0xfe));
    pal.setColor(QPalette::Dark, QColor(0x80, 0x80, 0x81));
    pal.setColor(QPalette::Shadow, QColor(0x40, 0x40, 0x42));
    pal.setColor(QPalette::Highlight, QColor(0x0a, 0x24, 0x6a));
    pal.setColor(QPalette::ButtonText, QColor(0, 0, 0));
    return pal;
}

QRgb Sys(TColor c) { return ColorToRgb(c); }

// Counts the group announcements that reach the controls of a parent.
class TAnnouncementSpy : public QWidget {
public:
    using QWidget::QWidget;
    int Count = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == TMessageEvent::EventType()
            && static_cast<TMessageEvent*>(e)->Message().Msg == CM_BUTTONPRESSED)
            ++Count;
        return QWidget::event(e);
    }
};

class TCountingButton : public TShineSpeedButton {
public:
    using TShineSpeedButton::TShineSpeedButton;
    int Paints = 0;

protected:
    void Paint() override
    {
        ++Paints;
        TShineSpeedButton::Paint();
    }
};

// Swallows the toolkit's leave notification, as when the pointer leaves too
// fast for the window system to report it.
class TLeaveEater : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override { return e->type() == QEvent::Leave; }
};

// Counts the ticks of 200 ms timers (the hover timer's period) as they
// arrive, for as long as it is installed on the application.
class TTickCounter : public QObject {
public:
    int Count = 0;
    bool eventFilter(QObject* receiver, QEvent* e) override
    {
        if (e->type() == QEvent::Timer)
            if (auto* timer = qobject_cast<QTimer*>(receiver); timer && timer->interval() == 200)
                ++Count;
        return false;
    }
};

// A shown window with one button at (10, 10) whose events are logged.
struct TScene {
    QWidget window;
    TShineSpeedButton* button;
    QStringList log;

    TScene()
    {
        window.resize(200, 100);
        window.move(40, 40);
        button = new TShineSpeedButton(&window);
        button->move(10, 10);
        Watch(button, QString());
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) qWarning("window not exposed");
    }

    void Watch(TShineSpeedButton* b, const QString& prefix)
    {
        b->OnMouseDown = [this, prefix](QObject*, TMouseButton mb, TShiftState, int, int) {
            log << prefix + (mb == TMouseButton::mbLeft ? "down" : "rdown");
        };
        b->OnMouseUp = [this, prefix](QObject*, TMouseButton mb, TShiftState, int, int) {
            log << prefix + (mb == TMouseButton::mbLeft ? "up" : "rup");
        };
        b->OnClick = [this, prefix](QObject*) { log << prefix + "click"; };
        b->OnDblClick = [this, prefix](QObject*) { log << prefix + "dbl"; };
        b->OnMouseEnter = [this, prefix](QObject*, TShiftState, int, int) { log << prefix + "enter"; };
        b->OnMouseLeave = [this, prefix](QObject*, TShiftState, int, int) { log << prefix + "leave"; };
    }

    // Moves the real pointer to a point in the button's coordinates.
    void PointTo(QPoint p, TShineSpeedButton* b = nullptr)
    {
        QCursor::setPos((b ? b : button)->mapToGlobal(p));
        QCoreApplication::processEvents();
    }
    QPoint InWindow(QPoint p) const { return button->mapTo(&window, p); }
    void Press(QPoint p, Qt::MouseButton mb = Qt::LeftButton)
    {
        QTest::mousePress(window.windowHandle(), mb, {}, InWindow(p));
    }
    void Release(QPoint p, Qt::MouseButton mb = Qt::LeftButton)
    {
        QTest::mouseRelease(window.windowHandle(), mb, {}, InWindow(p));
    }
};

const QPoint kInside(12, 12);
const QPoint kOutside(100, 60);

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

int CountColour(const QImage& img, QRgb c)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFFu) == (c & 0xFFFFFFu)) ++n;
    return n;
}

// The colours of a picture that are not in allowed, as text; empty when none.
QString ForeignColours(const QImage& img, const QList<QRgb>& allowed)
{
    QSet<QRgb> foreign;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y) | 0xFF000000u;
            if (!allowed.contains(c)) foreign.insert(c);
        }
    if (foreign.isEmpty()) return QString();
    QStringList names;
    for (QRgb c : foreign) names << testing::ColorName(c);
    names.sort();
    return QStringLiteral("%1 colours besides the expected ones, e.g. %2")
        .arg(foreign.size())
        .arg(names.mid(0, 3).join(QStringLiteral(", ")));
}

} // namespace

class TestShineButton : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setPalette(TestPalette()); }
    void init()
    {
        // Park the pointer where no test window is.
        QCursor::setPos(QPoint(900, 700));
        QCoreApplication::processEvents();
    }

    // --- model ---------------------------------------------------------------
    void storedFormListsObjectsAndChangedValuesOnly()
    {
        TShineSpeedButton b;
        auto names = [&] {
            QMap<QString, int> n;
            for (const auto& [name, value] : StoredValues(&b)) n.insert(name, value.toInt());
            return n;
        };
        auto n = names();
        // The colours no default is declared for: always listed.
        QCOMPARE(n.value("Colors.Color"), clBtnFace);
        QCOMPARE(n.value("PressedColors.Color"), clBtnHighlight);
        QCOMPARE(n.value("Font.Color"), clBtnText);
        QCOMPARE(n.value("ActiveFont.Color"), clHighlight);
        QVERIFY(!n.contains("Colors.Highlight"));
        b.SetFrameType(ftFlatFrame);
        b.SetMargin(3);
        n = names();
        QVERIFY(n.contains("FrameType"));
        QVERIFY(n.contains("Margin"));
        ApplyStoredValues(&b, {{"Colors.Gradation", true}, {"Spacing", 7}});
        QVERIFY(b.Colors()->Gradation());
        QCOMPARE(b.Spacing(), 7);
    }

    void colourSetPropertiesCopyIntoTheOwnedSets()
    {
        TShineSpeedButton b;
        TShineBtnColors* own = b.Colors();
        TShineBtnColors source;
        source.SetColor(clNavy);
        b.SetColors(&source);
        QCOMPARE(b.Colors(), own);
        QCOMPARE(own->Color(), clNavy);
        QObject other;
        try {
            b.SetPressedColors(&other);
            QFAIL("no error");
        } catch (const EConvertError& e) {
            QCOMPARE(e.Message(), QStringLiteral("QObject を TShineBtnColors に代入することはできません"));
        }
        QVERIFY_THROWS_EXCEPTION(EConvertError, b.SetPressedColors(nullptr));
        QCOMPARE(b.PressedColors()->Color(), clBtnHighlight);
    }

    void fontPropertiesCopyAndIgnoreNoFont()
    {
        TShineSpeedButton b;
        TFont f;
        f.SetColor(clMaroon);
        f.SetHeight(-20);
        b.SetFont(&f);
        QCOMPARE(b.Font()->Color(), clMaroon);
        QCOMPARE(b.Font()->Height(), -20);
        b.SetFont(nullptr);
        QCOMPARE(b.Font()->Color(), clMaroon);
        b.SetActiveFont(&f);
        QCOMPARE(b.ActiveFont()->Color(), clMaroon);
        QObject other;
        QVERIFY_THROWS_EXCEPTION(EConvertError, b.SetActiveFont(&other));
    }

    void glyphIsKeptAs32BitsAndClearedByNull()
    {
        TShineSpeedButton b;
        QImage rgb(6, 5, QImage::Format_RGB888);
        rgb.fill(Qt::red);
        b.SetGlyph(rgb);
        QCOMPARE(b.Glyph().format(), QImage::Format_RGB32);
        QCOMPARE(b.Glyph().size(), QSize(6, 5));
        QVERIFY(b.CreateStateGlyph().has_value());
        b.SetGlyph(QImage());
        QCOMPARE(b.Glyph().size(), QSize(0, 0));
        QVERIFY(!b.CreateStateGlyph().has_value());
    }

    void downIsIgnoredOutsideAGroup()
    {
        QWidget parent;
        TShineSpeedButton b(&parent);
        b.SetDown(true);
        QVERIFY(!b.Down());
    }

    void groupIndexWithoutParentStoresButAnnouncesNothing()
    {
        TShineSpeedButton b;
        b.SetGroupIndex(3);
        QCOMPARE(b.GroupIndex(), 3);
        b.SetDown(true);
        QVERIFY(b.Down());
    }

    // --- groups ----------------------------------------------------------------
    void exclusiveGroupKeepsOneDown()
    {
        QWidget parent;
        TShineSpeedButton b1(&parent), b2(&parent), b3(&parent), other(&parent);
        for (auto* b : {&b1, &b2, &b3}) b->SetGroupIndex(1);
        other.SetGroupIndex(2);
        other.SetDown(true);
        b1.SetDown(true);
        QVERIFY(b1.Down());
        b2.SetDown(true);
        QVERIFY(!b1.Down());
        QVERIFY(b2.Down());
        QVERIFY(!b3.Down());
        QCOMPARE(b1.State(), shUp);
        QCOMPARE(b2.State(), shDown);
        // A down member of an exclusive group stays down.
        b2.SetDown(false);
        QVERIFY(b2.Down());
        // Another group is not touched.
        QVERIFY(other.Down());
    }

    void allowAllUpSpreadsOverTheGroup()
    {
        QWidget parent;
        TShineSpeedButton b1(&parent), b2(&parent), b3(&parent);
        for (auto* b : {&b1, &b2, &b3}) b->SetGroupIndex(1);
        b1.SetAllowAllUp(true);
        QVERIFY(b2.AllowAllUp());
        QVERIFY(b3.AllowAllUp());
        b2.SetDown(true);
        QVERIFY(b2.Down());
        b2.SetDown(false);
        QVERIFY(!b2.Down());
        b3.SetDown(true);
        b1.SetDown(true);
        QVERIFY(!b3.Down());
        QVERIFY(b1.Down());
    }

    void buttonIgnoresItsOwnAnnouncement()
    {
        QWidget parent;
        TShineSpeedButton b1(&parent), b2(&parent);
        b1.SetGroupIndex(1);
        b2.SetGroupIndex(1);
        b1.SetDown(true);
        // This announces with Down true; b1 would release itself if it listened.
        b1.SetAllowAllUp(true);
        QVERIFY(b1.Down());
        QVERIFY(b2.AllowAllUp());
        // Someone else's sender that is down does release it.
        TGroupSender foreign(1, false, true);
        foreign.Announce(&parent);
        QVERIFY(!b1.Down());
        QVERIFY(!b1.AllowAllUp());
    }

    void disablingADownButtonReleasesItQuietly()
    {
        QWidget parent;
        TShineSpeedButton b1(&parent), b2(&parent), b3(&parent);
        auto* spy = new TAnnouncementSpy(&parent);
        for (auto* b : {&b1, &b2, &b3}) b->SetGroupIndex(1);
        b2.SetDown(true);
        const int before = spy->Count;
        QVERIFY(before > 0);
        b2.setEnabled(false);
        QVERIFY(!b2.Down());
        QCOMPARE(b2.State(), shDisabled);
        QCOMPARE(spy->Count, before);
        b2.setEnabled(true);
        QVERIFY(!b2.Down());
        QCOMPARE(b2.State(), shUp);
    }

    // --- painting -------------------------------------------------------------
    void defaultUpFrame()
    {
        TShineSpeedButton b;
        const QImage img = testing::Grab(&b);
        QCOMPARE(img.size(), QSize(25, 25));
        UNIFORM(img, QRect(0, 0, 24, 1), Sys(clBtnHighlight));   // row 0, x 0..23
        UNIFORM(img, QRect(0, 0, 1, 24), Sys(clBtnHighlight));   // column 0, y 0..23
        UNIFORM(img, QRect(1, 23, 23, 1), Sys(clBtnShadow));     // row 23, x 1..23
        UNIFORM(img, QRect(23, 1, 1, 23), Sys(clBtnShadow));     // column 23, y 1..23
        UNIFORM(img, QRect(1, 24, 24, 1), Sys(clWindowFrame));   // row 24, x 1..24
        UNIFORM(img, QRect(24, 1, 1, 24), Sys(clWindowFrame));   // column 24, y 1..24
        PIXEL_IS(img, 24, 0, Sys(clBtnFace));
        PIXEL_IS(img, 0, 24, Sys(clBtnFace));
        UNIFORM(img, QRect(1, 1, 22, 22), Sys(clBtnFace));
    }

    void defaultDownFrame()
    {
        QWidget parent;
        TShineSpeedButton b(&parent);
        b.SetGroupIndex(1);
        b.SetDown(true);
        QCOMPARE(b.State(), shDown);
        const QImage img = testing::Grab(&b);
        UNIFORM(img, QRect(0, 0, 24, 1), Sys(clWindowFrame));    // outer top-left at 0
        UNIFORM(img, QRect(0, 0, 1, 24), Sys(clWindowFrame));
        UNIFORM(img, QRect(1, 1, 23, 1), Sys(clBtnShadow));      // inner top-left at 1
        UNIFORM(img, QRect(1, 1, 1, 23), Sys(clBtnShadow));
        UNIFORM(img, QRect(1, 24, 24, 1), Sys(clBtnHighlight));  // bottom-right at 24
        UNIFORM(img, QRect(24, 1, 1, 24), Sys(clBtnHighlight));
        PIXEL_IS(img, 24, 0, Sys(clBtnHighlight));  // the face of the pressed set
        UNIFORM(img, QRect(2, 2, 22, 22), Sys(clBtnHighlight));
    }

    void otherFrameTypes_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("down");
        QTest::newRow("flat up") << int(ftFlatFrame) << false;
        QTest::newRow("flat down") << int(ftFlatFrame) << true;
        QTest::newRow("enclosed up") << int(ftEnclosedFrame) << false;
        QTest::newRow("enclosed down") << int(ftEnclosedFrame) << true;
    }
    void otherFrameTypes()
    {
        QFETCH(int, type);
        QFETCH(bool, down);
        QWidget parent;
        TShineSpeedButton b(&parent);
        b.resize(20, 16);
        b.SetFrameType(static_cast<TFrameType>(type));
        b.Colors()->SetDarkShadow(clMaroon);
        b.PressedColors()->SetColor(clBtnFace);
        b.SetGroupIndex(1);
        b.SetDown(down);
        const QImage img = testing::Grab(&b);
        const QRgb light = Sys(down ? clBtnShadow : clBtnHighlight);
        const QRgb dark = Sys(down ? clBtnHighlight : clBtnShadow);
        if (type == ftFlatFrame) {
            UNIFORM(img, QRect(0, 0, 19, 1), light);
            UNIFORM(img, QRect(0, 0, 1, 15), light);
            UNIFORM(img, QRect(1, 15, 19, 1), dark);
            UNIFORM(img, QRect(19, 1, 1, 15), dark);
            PIXEL_IS(img, 19, 0, Sys(clBtnFace));
            UNIFORM(img, QRect(1, 1, 18, 14), Sys(clBtnFace));
        } else {
            // Outline in Colors.DarkShadow whatever the state, bevel one pixel in.
            const QRgb outline = ColorToRgb(clMaroon);
            UNIFORM(img, QRect(0, 0, 20, 1), outline);
            UNIFORM(img, QRect(0, 15, 20, 1), outline);
            UNIFORM(img, QRect(0, 0, 1, 16), outline);
            UNIFORM(img, QRect(19, 0, 1, 16), outline);
            UNIFORM(img, QRect(1, 1, 17, 1), light);   // TL(1, 2): x 1..17
            UNIFORM(img, QRect(1, 1, 1, 13), light);   // y 1..13
            UNIFORM(img, QRect(2, 14, 17, 1), dark);   // BR(2, 1): x 2..18
            UNIFORM(img, QRect(18, 2, 1, 13), dark);   // y 2..14
            PIXEL_IS(img, 18, 1, Sys(clBtnFace));
            PIXEL_IS(img, 1, 14, Sys(clBtnFace));
        }
    }

    void upFrameOffShowsNoFrameUntilHover()
    {
        TScene s;
        s.button->SetUpFrame(false);
        QImage img = testing::Grab(s.button);
        UNIFORM(img, img.rect(), Sys(clBtnFace));
        s.PointTo(kInside);
        QCOMPARE(s.button->State(), shUpActive);
        img = testing::Grab(s.button);
        PIXEL_IS(img, 0, 0, Sys(clBtnHighlight));
        PIXEL_IS(img, 24, 24, Sys(clWindowFrame));
        s.button->SetActiveFrame(false);
        img = testing::Grab(s.button);
        UNIFORM(img, img.rect(), Sys(clBtnFace));
    }

    void glyphShowsFaceThroughKeyAndMovesWhenDown()
    {
        QWidget parent;
        TShineSpeedButton b(&parent);
        QImage glyph(16, 16, QImage::Format_RGB32);
        glyph.fill(qRgb(255, 0, 255));
        glyph.setPixel(8, 8, qRgb(0, 128, 0));
        b.SetGlyph(glyph);
        b.SetUpFrame(false);
        b.SetDownFrame(false);
        QImage img = testing::Grab(&b);
        // Centred: (25 - 16) / 2 = 4.
        PIXEL_IS(img, 12, 12, qRgb(0, 128, 0));
        UNIFORM(img, QRect(1, 1, 11, 11), Sys(clBtnFace));
        b.SetGroupIndex(1);
        b.SetDown(true);
        img = testing::Grab(&b);
        PIXEL_IS(img, 13, 13, qRgb(0, 128, 0));
        PIXEL_IS(img, 12, 12, Sys(clBtnHighlight));
    }

    void disabledGlyphIsEmbossedEdges()
    {
        TShineSpeedButton b;
        QImage glyph(16, 16, QImage::Format_RGB32);
        glyph.fill(qRgb(255, 0, 255));
        for (int y = 6; y < 10; ++y)
            for (int x = 6; x < 10; ++x) glyph.setPixel(x, y, qRgb(0, 0, 0));
        b.SetGlyph(glyph);
        b.SetDisabledHighlight(clAqua);
        b.SetDisabledShadow(clNavy);
        b.setEnabled(false);
        const QImage img = testing::Grab(&b);
        QCOMPARE(b.State(), shDisabled);
        // Glyph at (4, 4): edges at glyph (5..9, 5..9) less the inside (6..8, 6..8).
        PIXEL_IS(img, 9, 9, ColorToRgb(clNavy));      // shadow copy on top
        PIXEL_IS(img, 13, 13, ColorToRgb(clNavy));
        PIXEL_IS(img, 14, 14, ColorToRgb(clAqua));    // highlight copy, one right and down
        PIXEL_IS(img, 11, 11, Sys(clBtnFace));        // the inside of the square stays face
        PIXEL_IS(img, 8, 8, Sys(clBtnFace));
    }

    void transparentButtonShowsItsParent()
    {
        QWidget parent;
        parent.resize(40, 40);
        parent.setAutoFillBackground(true);
        QPalette pal = parent.palette();
        pal.setColor(QPalette::Window, QColor(10, 200, 30));
        parent.setPalette(pal);
        TShineSpeedButton b(&parent);
        b.move(5, 5);
        QVERIFY(b.testAttribute(Qt::WA_OpaquePaintEvent));
        b.SetTransparent(true);
        QVERIFY(!b.testAttribute(Qt::WA_OpaquePaintEvent));
        const QImage img = testing::Grab(&parent);
        PIXEL_IS(img, 17, 17, qRgb(10, 200, 30));
        PIXEL_IS(img, 5, 5, Sys(clBtnHighlight));   // the frame is still drawn
        PIXEL_IS(img, 29, 29, Sys(clWindowFrame));
    }

    void systemColourChangeRepaintsWithNewColours()
    {
        TScene s;
        QImage img = testing::Grab(s.button);
        PIXEL_IS(img, 12, 12, Sys(clBtnFace));
        QPalette pal = TestPalette();
        pal.setColor(QPalette::Button, QColor(0x33, 0x66, 0x99));
        QApplication::setPalette(pal);
        img = testing::Grab(s.button);
        QApplication::setPalette(TestPalette());
        PIXEL_IS(img, 12, 12, qRgb(0x33, 0x66, 0x99));
    }

    void captionAndFontChangesRepaint()
    {
        QWidget window;
        window.resize(100, 50);
        auto* b = new TCountingButton(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(b->Paints > 0);
        int before = b->Paints;
        b->SetCaption(QStringLiteral("&Go"));
        QTRY_VERIFY(b->Paints > before);
        before = b->Paints;
        b->Font()->SetColor(clMaroon);
        QTRY_VERIFY(b->Paints > before);
        before = b->Paints;
        b->Colors()->SetColor(clNavy);
        QTRY_VERIFY(b->Paints > before);
    }

    // --- interaction ------------------------------------------------------------
    void clickOnUngroupedButton()
    {
        TScene s;
        s.PointTo(kInside);
        QCOMPARE(s.log, QStringList{"enter"});
        QCOMPARE(s.button->State(), shUpActive);
        QVERIFY(s.button->HoverTimerActive());
        s.log.clear();
        s.Press(kInside);
        QCOMPARE(s.log, QStringList{"down"});
        QCOMPARE(s.button->State(), shDownActive);
        QVERIFY(s.button->Pressing());
        s.Release(kInside);
        QCOMPARE(s.log, (QStringList{"down", "up", "click", "enter"}));
        QCOMPARE(s.button->State(), shUpActive);
        QVERIFY(!s.button->Pressing());
        QVERIFY(!s.button->Down());
    }

    void dragOutAndReleaseOutside()
    {
        TScene s;
        s.PointTo(kInside);
        s.Press(kInside);
        s.PointTo(kOutside);  // the press holds the pointer: the move comes to the button
        QCOMPARE(s.button->State(), shUp);
        s.log.clear();
        s.Release(kOutside);
        QVERIFY(!s.log.contains("click"));
        QCOMPARE(s.log.value(0), QStringLiteral("up"));
        QVERIFY(s.log.contains("leave"));
        QCOMPARE(s.button->State(), shUp);
        QVERIFY(!s.button->MouseInControl());
        QVERIFY(!s.button->HoverTimerActive());
    }

    void rightButtonOnlyReports()
    {
        TScene s;
        s.PointTo(kInside);
        s.log.clear();
        s.Press(kInside, Qt::RightButton);
        QCOMPARE(s.log, QStringList{"rdown"});
        QCOMPARE(s.button->State(), shUpActive);
        QVERIFY(!s.button->Pressing());
        s.Release(kInside, Qt::RightButton);
        QCOMPARE(s.log, (QStringList{"rdown", "rup"}));
        QCOMPARE(s.button->State(), shUpActive);
    }

    void rightReleaseEndsALeftPress()
    {
        TScene s;
        s.PointTo(kInside);
        s.Press(kInside);
        s.Press(kInside, Qt::RightButton);
        s.log.clear();
        s.Release(kInside, Qt::RightButton);
        QVERIFY(!s.button->Pressing());
        QVERIFY(s.log.contains("click"));
        s.log.clear();
        s.Release(kInside);  // the left button comes up later: nothing more happens
        QCOMPARE(s.log, QStringList{"up"});
    }

    void timerCatchesAPointerThatLeftUnreported()
    {
        TScene s;
        TLeaveEater eater;
        s.button->installEventFilter(&eater);
        s.PointTo(kInside);
        QCOMPARE(s.button->State(), shUpActive);
        s.log.clear();
        s.PointTo(kOutside);
        QCOMPARE(s.button->State(), shUpActive);  // nobody told the button
        QTRY_COMPARE_WITH_TIMEOUT(s.button->State(), shUp, 2000);
        QCOMPARE(s.log, QStringList{"leave"});
        QVERIFY(!s.button->HoverTimerActive());
        QVERIFY(!s.button->MouseInControl());
    }

    void timerKeepsRunningWhileThePointerStays()
    {
        // Two ticks of the hover timer (counted where they arrive) find the
        // pointer inside and change nothing. Then the pointer leaves without
        // the window system telling the button, and the next tick notices:
        // so the ticks counted were ones that looked at the pointer.
        TScene s;
        TLeaveEater eater;
        s.button->installEventFilter(&eater);
        TTickCounter ticks;
        qApp->installEventFilter(&ticks);
        s.PointTo(kInside);
        QVERIFY(s.button->HoverTimerActive());
        QTRY_VERIFY_WITH_TIMEOUT(ticks.Count >= 2, 5000);
        QCOMPARE(s.button->State(), shUpActive);
        QVERIFY(s.button->HoverTimerActive());
        QCOMPARE(s.log, QStringList{"enter"});
        s.PointTo(kOutside);
        QTRY_COMPARE_WITH_TIMEOUT(s.button->State(), shUp, 5000);
        QCOMPARE(s.log, (QStringList{"enter", "leave"}));
    }

    void disabledButtonReportsEnterAndLeaveOnly()
    {
        TScene s;
        s.button->setEnabled(false);
        s.log.clear();
        s.PointTo(kInside);
        QCOMPARE(s.log, QStringList{"enter"});
        QCOMPARE(s.button->State(), shDisabled);
        QVERIFY(!s.button->HoverTimerActive());
        QVERIFY(!s.button->MouseInControl());
        s.PointTo(kOutside);
        QCOMPARE(s.log, (QStringList{"enter", "leave"}));
        QCOMPARE(s.button->State(), shDisabled);
    }

    void leaveWhilePressingChangesNothing()
    {
        TScene s;
        s.PointTo(kInside);
        s.Press(kInside);
        s.log.clear();
        s.button->Perform(CM_MOUSELEAVE);
        QCOMPARE(s.log, QStringList{"leave"});
        QVERIFY(s.button->MouseInControl());
        QCOMPARE(s.button->State(), shDownActive);
        s.Release(kInside);
    }

    void pointerHeldByAnotherWindowBlocksTheHotLook()
    {
        TScene s;
        QWidget other;
        other.resize(30, 30);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        other.grabMouse();
        s.log.clear();
        s.button->Perform(CM_MOUSEENTER);
        other.releaseMouse();
        QCOMPARE(s.log, QStringList{"enter"});
        QCOMPARE(s.button->State(), shUp);
        QVERIFY(!s.button->HoverTimerActive());
    }

    void doubleClickReportsOnlyOnADownButton_data()
    {
        QTest::addColumn<bool>("grouped");
        QTest::addColumn<int>("dblClicks");
        QTest::newRow("exclusive group") << true << 1;
        QTest::newRow("ungrouped") << false << 0;
    }
    void doubleClickReportsOnlyOnADownButton()
    {
        QFETCH(bool, grouped);
        QFETCH(int, dblClicks);
        TScene s;
        auto* partner = new TShineSpeedButton(&s.window);
        partner->move(60, 10);
        partner->show();
        if (grouped) {
            s.button->SetGroupIndex(1);
            partner->SetGroupIndex(1);
        }
        s.PointTo(kInside);
        QTest::mouseDClick(s.window.windowHandle(), Qt::LeftButton, {}, s.InWindow(kInside));
        QCOMPARE(s.log.count("dbl"), dblClicks);
        QCOMPARE(s.button->Down(), grouped);
        QCOMPARE(s.log.count("down"), 2);
        QCOMPARE(s.button->State(), grouped ? shDownActive : shUpActive);
    }

    void groupedClickTogglesByTheGroupRules()
    {
        TScene s;
        auto* partner = new TShineSpeedButton(&s.window);
        partner->move(60, 10);
        partner->show();
        s.button->SetGroupIndex(1);
        partner->SetGroupIndex(1);
        partner->SetDown(true);
        s.PointTo(kInside);
        s.Press(kInside);
        s.Release(kInside);
        QVERIFY(s.button->Down());
        QVERIFY(!partner->Down());
        QCOMPARE(s.button->State(), shDownActive);
        // Exclusive: clicking the down button leaves it down.
        s.Press(kInside);
        s.Release(kInside);
        QVERIFY(s.button->Down());
        // Release outside: no toggle, the look follows the pointer.
        s.Press(kInside);
        s.PointTo(kOutside);
        QCOMPARE(s.button->State(), shDown);
        s.Release(kOutside);
        QVERIFY(s.button->Down());
        QCOMPARE(s.button->State(), shDown);
    }

    void acceleratorClicks_data()
    {
        QTest::addColumn<bool>("accelCharDown");
        QTest::addColumn<bool>("hook");
        QTest::addColumn<uint>("key");
        QTest::newRow("plain, lower case") << false << false << uint('o');
        QTest::newRow("plain, upper case") << false << false << uint('O');
        QTest::newRow("toggles down") << true << false << uint('o');
        QTest::newRow("down look while clicking") << false << true << uint('o');
    }
    void acceleratorClicks()
    {
        QFETCH(bool, accelCharDown);
        QFETCH(bool, hook);
        QFETCH(uint, key);
        TScene s;
        s.button->SetCaption(QStringLiteral("&Open"));
        s.button->SetGroupIndex(1);
        s.button->SetAllowAllUp(true);
        s.button->SetAccelCharDown(accelCharDown);
        s.button->SetClickDownHook(hook);
        TShineState during = shDisabled;
        bool downDuring = false;
        s.button->OnClick = [&](QObject*) {
            during = s.button->State();
            downDuring = s.button->Down();
            s.log << "click";
        };
        QVERIFY(OfferDialogChar(&s.window, key));
        QCOMPARE(s.log.count("click"), 1);
        QCOMPARE(downDuring, accelCharDown);
        QCOMPARE(s.button->Down(), accelCharDown);
        QCOMPARE(during, hook ? shDownActive : (accelCharDown ? shDown : shUp));
        QCOMPARE(s.button->State(), accelCharDown ? shDown : shUp);
        if (accelCharDown) {
            QVERIFY(OfferDialogChar(&s.window, key));
            QVERIFY(!s.button->Down());
        }
    }

    void acceleratorIgnoredWhenDisabledHiddenOrOtherLetter()
    {
        TScene s;
        s.button->SetCaption(QStringLiteral("&Open"));
        QVERIFY(!OfferDialogChar(&s.window, U'p'));
        s.button->setEnabled(false);
        QVERIFY(!OfferDialogChar(&s.window, U'o'));
        s.button->setEnabled(true);
        s.button->hide();
        QVERIFY(!OfferDialogChar(&s.window, U'o'));
        QCOMPARE(s.log.count("click"), 0);
        s.button->SetCaption(QStringLiteral("&&Open"));
        s.button->show();
        QVERIFY(!OfferDialogChar(&s.window, U'o'));
    }

    void hostWindowOffersKeysNoFocusedControlTakes()
    {
        TScene s;
        s.button->SetCaption(QStringLiteral("&Open"));
        auto* edit = new QLineEdit(&s.window);
        edit->move(10, 60);
        edit->show();
        TDialogCharFilter::Install(&s.window);
        // The edit takes a plain letter itself.
        QTest::keyClick(edit, Qt::Key_O);
        QCOMPARE(edit->text(), QStringLiteral("o"));
        QCOMPARE(s.log.count("click"), 0);
        // Alt with the letter is an accelerator: the edit does not get it.
        QTest::keyClick(edit, Qt::Key_O, Qt::AltModifier);
        QCOMPARE(s.log.count("click"), 1);
        QCOMPARE(edit->text(), QStringLiteral("o"));
        // An Alt key without a matching caption still reaches the edit.
        QTest::keyClick(edit, Qt::Key_Q, Qt::AltModifier);
        QCOMPARE(edit->text(), QStringLiteral("oq"));
        // Without a focused control, a plain letter reaches it too.
        QTest::keyClick(&s.window, Qt::Key_O);
        QCOMPARE(s.log.count("click"), 2);
        QTest::keyClick(&s.window, Qt::Key_X);
        QCOMPARE(s.log.count("click"), 2);
    }

    // --- what a program using the button relies on ---------------------------
    void disablingAContainerKeepsDownAndTheGroup()
    {
        QWidget window;
        auto* panel = new QWidget(&window);
        auto* b1 = new TShineSpeedButton(panel);
        auto* b2 = new TShineSpeedButton(panel);
        b1->SetGroupIndex(1);
        b2->SetGroupIndex(1);
        b2->SetDown(true);
        panel->setEnabled(false);
        // Enabled is the button's own setting; the look follows the panel.
        QVERIFY(b2->Enabled());
        QVERIFY(b2->Down());
        testing::Grab(b2);
        QCOMPARE(b2->State(), shDisabled);
        panel->setEnabled(true);
        QVERIFY(b2->Down());
        QCOMPARE(b2->State(), shDown);
        // The group still works as before.
        b1->SetDown(true);
        QVERIFY(!b2->Down());
        // The button's own Enabled still releases it.
        b1->setEnabled(false);
        QVERIFY(!b1->Down());
    }

    void actionHintShowHintAndTagArePublished()
    {
        QWidget parent;
        auto* b = new TShineSpeedButton(&parent);
        QAction action(QStringLiteral("&Open"));
        int triggered = 0;
        connect(&action, &QAction::triggered, this, [&] { ++triggered; });
        QVERIFY(b->setProperty("Action", QVariant::fromValue(&action)));
        QCOMPARE(b->property("Caption").toString(), QStringLiteral("&Open"));
        action.setText(QStringLiteral("&Close"));
        QCOMPARE(b->property("Caption").toString(), QStringLiteral("&Close"));
        action.setEnabled(false);
        QVERIFY(!b->property("Enabled").toBool());
        action.setEnabled(true);
        QVERIFY(b->property("Enabled").toBool());
        b->Click();
        QCOMPARE(triggered, 1);
        // A checkable action sets Down by the group rules.
        b->SetGroupIndex(1);
        b->SetAllowAllUp(true);
        action.setCheckable(true);
        action.setChecked(true);
        QVERIFY(b->Down());
        action.setChecked(false);
        QVERIFY(!b->Down());
        // An assigned OnClick takes the place of the action's trigger.
        int clicks = 0;
        b->OnClick = [&](QObject*) { ++clicks; };
        b->Click();
        QCOMPARE(clicks, 1);
        QCOMPARE(triggered, 1);
        // Unlinked, the button no longer follows.
        QVERIFY(b->setProperty("Action", QVariant::fromValue<QAction*>(nullptr)));
        action.setText(QStringLiteral("&Quit"));
        QCOMPARE(b->property("Caption").toString(), QStringLiteral("&Close"));

        QVERIFY(b->setProperty("Hint", QStringLiteral("Opens a picture")));
        QCOMPARE(b->toolTip(), QString());
        QVERIFY(b->setProperty("ShowHint", true));
        QCOMPARE(b->toolTip(), QStringLiteral("Opens a picture"));
        QVERIFY(b->setProperty("Tag", 42));
        QCOMPARE(b->property("Tag").toInt(), 42);
        // The action is never written to a stored form.
        for (const auto& [name, value] : StoredValues(b)) QVERIFY(name != QLatin1String("Action"));
    }

    void gradientFaceEndsAreExactAtEverySize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("vertical");
        QTest::newRow("default button, horizontal") << QSize(25, 25) << false;
        QTest::newRow("default button, vertical") << QSize(25, 25) << true;
        QTest::newRow("narrow") << QSize(7, 3) << false;
        QTest::newRow("wider than the ramp") << QSize(300, 4) << false;
        QTest::newRow("two rows") << QSize(5, 2) << true;
    }
    void gradientFaceEndsAreExactAtEverySize()
    {
        QFETCH(QSize, size);
        QFETCH(bool, vertical);
        TShineSpeedButton b;
        b.resize(size);
        b.SetUpFrame(false);
        b.Colors()->SetColor(clBlack);
        b.Colors()->SetGradColor(clRed);
        b.Colors()->SetGradVertical(vertical);
        b.Colors()->SetGradation(true);
        const QImage img = testing::Grab(&b);
        const QRect first = vertical ? QRect(0, 0, size.width(), 1) : QRect(0, 0, 1, size.height());
        const QRect last = vertical ? QRect(0, size.height() - 1, size.width(), 1)
                                    : QRect(size.width() - 1, 0, 1, size.height());
        UNIFORM(img, first, qRgb(0, 0, 0));
        UNIFORM(img, last, qRgb(255, 0, 0));
    }

    void alphaGlyphIsBlendedOnTheFace()
    {
        // A typical icon: transparent margin, black outline, red inside and
        // one half-transparent white pixel.
        QImage glyph(16, 16, QImage::Format_ARGB32);
        glyph.fill(Qt::transparent);
        for (int y = 2; y < 14; ++y)
            for (int x = 2; x < 14; ++x)
                glyph.setPixel(x, y, (x == 2 || y == 2 || x == 13 || y == 13) ? qRgba(0, 0, 0, 255)
                                                                            : qRgba(255, 0, 0, 255));
        glyph.setPixel(7, 7, qRgba(255, 255, 255, 128));
        TShineSpeedButton b;
        b.SetUpFrame(false);
        b.SetGlyph(glyph);
        const QImage img = testing::Grab(&b);
        // The glyph stands at (4, 4).
        PIXEL_IS(img, 6, 6, qRgb(0, 0, 0));
        PIXEL_IS(img, 17, 17, qRgb(0, 0, 0));
        PIXEL_IS(img, 6, 17, qRgb(0, 0, 0));
        PIXEL_IS(img, 8, 8, qRgb(255, 0, 0));
        PIXEL_IS(img, 5, 5, Sys(clBtnFace));
        PIXEL_IS(img, 4, 19, Sys(clBtnFace));
        // Half of the white over the face.
        const QRgb face = Sys(clBtnFace);
        const QRgb blended = img.pixel(11, 11);
        QVERIFY2(std::abs(qRed(blended) - (qRed(face) + 255) / 2) <= 2
                     && std::abs(qBlue(blended) - (qBlue(face) + 255) / 2) <= 2,
                 qPrintable(testing::ColorName(blended)));
        // The hover outline goes around the drawn shape, in the shine colour.
        const auto hot = ShineSpdBtn::CreateStateGlyph(b.Glyph(), shUpActive, aiFrameLight, diDefault,
                                                       0xFFFF00u, 0);
        QVERIFY(hot);
        QCOMPARE(hot->Image.pixel(1, 5), qRgba(255, 255, 0, 255));
        QCOMPARE(qAlpha(hot->Image.pixel(0, 5)), 0);
        QCOMPARE(hot->Image.pixel(2, 5), qRgba(0, 0, 0, 255));
    }

    void captionIsDrawnCrisp_data()
    {
        QTest::addColumn<int>("look");
        QTest::addColumn<QList<TColor>>("colours");
        QTest::newRow("plain") << 0 << QList<TColor>{clBlack};
        QTest::newRow("shadow and highlight copies") << 1 << QList<TColor>{clBlack, clRed, clLime};
        // Disabled: the emboss alone, not the copies.
        QTest::newRow("disabled emboss") << 2 << QList<TColor>{clAqua, clNavy};
    }
    void captionIsDrawnCrisp()
    {
        QFETCH(int, look);
        QFETCH(QList<TColor>, colours);
        TShineSpeedButton b;
        b.resize(90, 30);
        b.SetUpFrame(false);
        TFont f;
        f.SetHeight(-18);
        f.SetColor(clBlack);
        b.SetFont(&f);
        b.SetCaption(QStringLiteral("W&ag"));
        if (look >= 1) {
            b.SetFontShadow(clRed);
            b.SetFontHighlight(clLime);
        }
        if (look == 2) {
            b.SetDisabledHighlight(clAqua);
            b.SetDisabledShadow(clNavy);
            b.setEnabled(false);
        }
        const QImage img = testing::Grab(&b);
        QList<QRgb> allowed{Sys(clBtnFace) | 0xFF000000u};
        for (TColor c : colours) allowed << (ColorToRgb(c) | 0xFF000000u);
        const QString foreign = ForeignColours(img, allowed);
        QVERIFY2(foreign.isEmpty(), qPrintable(foreign));
        for (TColor c : colours)
            QVERIFY2(CountColour(img, ColorToRgb(c)) > 0, qPrintable(testing::ColorName(ColorToRgb(c))));
    }

    void drawsAtTheDevicePixelRatio()
    {
        TShineSpeedButton b;
        b.resize(60, 25);
        TFont f;
        f.SetHeight(-14);
        f.SetColor(clBlack);
        b.SetFont(&f);
        b.SetCaption(QStringLiteral("Ag"));
        QImage img(120, 50, QImage::Format_RGB32);
        img.setDevicePixelRatio(2);
        img.fill(Qt::white);
        b.render(&img);
        QVERIFY2(!PixelDoubled(img), "the caption was drawn at one pixel per point and enlarged");
        // The frame still lines the edges, two device pixels wide.
        QCOMPARE(img.pixel(0, 0), Sys(clBtnHighlight));
        QCOMPARE(img.pixel(1, 1), Sys(clBtnHighlight));
        QCOMPARE(img.pixel(119, 49), Sys(clWindowFrame));
        QCOMPARE(img.pixel(30, 2), Sys(clBtnFace));
    }

    void acceleratorNeedsNoCallByTheWindow_data()
    {
        QTest::addColumn<bool>("captionBeforeShow");
        QTest::newRow("caption given before the window shows") << true;
        QTest::newRow("caption given to a shown button") << false;
    }
    void acceleratorNeedsNoCallByTheWindow()
    {
        QFETCH(bool, captionBeforeShow);
        QWidget window;
        window.resize(120, 60);
        auto* b = new TShineSpeedButton(&window);
        int clicks = 0;
        b->OnClick = [&](QObject*) { ++clicks; };
        if (captionBeforeShow) b->SetCaption(QStringLiteral("&Open"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (!captionBeforeShow) b->SetCaption(QStringLiteral("&Open"));
        QTest::keyClick(&window, Qt::Key_O, Qt::AltModifier);
        QCOMPARE(clicks, 1);
        // Showing it again adds no second filter: one key, one click.
        b->hide();
        b->show();
        TDialogCharFilter::Install(&window);
        QTest::keyClick(&window, Qt::Key_O, Qt::AltModifier);
        QCOMPARE(clicks, 2);
    }

    void enablingUnderThePointerShowsTheHotLook()
    {
        TScene s;
        s.button->setEnabled(false);
        s.PointTo(kInside);
        s.log.clear();
        s.button->setEnabled(true);
        QCOMPARE(s.button->State(), shUpActive);
        QVERIFY(s.button->HoverTimerActive());
        QCOMPARE(s.log, QStringList{"enter"});
    }
};

YOTSUMADO_TEST_MAIN(TestShineButton)
#include "tst_shinebutton.moc"
