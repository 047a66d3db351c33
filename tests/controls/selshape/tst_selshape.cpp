#include "pixels.h"
#include "scriptedplatform.h"
#include "selshape.h"
#include "storedform.h"
#include "testmain.h"

#include <QtTest>

#include <memory>

namespace {

// A shown 480 x 360 top-level window with a white background, standing in for
// the main window's client area.
class Stage {
public:
    Stage()
    {
        window.setFixedSize(480, 360);
        window.setAutoFillBackground(true);
        QPalette pal;
        pal.setColor(QPalette::Window, Qt::white);
        window.setPalette(pal);
        window.move(50, 60);
        window.show();
    }
    bool Exposed() { return QTest::qWaitForWindowExposed(&window); }
    QWidget window;
};

// Drives the mouse through the window system, so that events take the real
// route (hit test of the child under the pointer, implicit grab while a
// button is held). Points are in the window's client coordinates.
class Pointer {
public:
    explicit Pointer(QWidget* top) : window_(top->windowHandle())
    {
        // The window system drops a move to where the pointer already is;
        // start from a corner no test uses, so the first real move counts.
        Move(QPoint(479, 359));
    }
    ~Pointer()
    {
        // Never let a button stay held into the next test: release what is
        // still down through the window, or at least forget it.
        for (const Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            if ((held_ & b) && window_ && window_->isVisible())
                Release(b, last_);
        QTestPrivate::qtestMouseButtons = Qt::NoButton;
    }
    Pointer(const Pointer&) = delete;
    Pointer& operator=(const Pointer&) = delete;
    void Move(QPoint p)
    {
        last_ = p;
        QTest::mouseMove(window_, p);
    }
    void Press(Qt::MouseButton b, QPoint p)
    {
        last_ = p;
        held_ |= b;
        QTest::mousePress(window_, b, {}, p);
    }
    void Release(Qt::MouseButton b, QPoint p)
    {
        last_ = p;
        held_ &= ~Qt::MouseButtons(b);
        QTest::mouseRelease(window_, b, {}, p);
    }
    // Hover at from, press there, move to each point, release at the last.
    void Drag(Qt::MouseButton b, QPoint from, std::initializer_list<QPoint> path)
    {
        Move(from);
        Press(b, from);
        QPoint last = from;
        for (const QPoint p : path) {
            Move(p);
            last = p;
        }
        Release(b, last);
    }

private:
    QPointer<QWindow> window_;
    Qt::MouseButtons held_;
    QPoint last_;
};

// Sends one mouse event straight to a widget (position in its coordinates),
// for sequences the window system would not produce by itself.
void Send(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void ApplyDividerLook(TSelShape* s)
{
    s->Pen()->SetColor(clAqua);
    s->Brush()->SetColor(clBlue);
    s->Brush()->SetStyle(TBrush::bsFDiagonal);
}

// The main window's two dividers, written the way its stored layout writes them.
TSelShape* HorizontalDivider(QWidget* parent)
{
    auto* s = new TSelShape(parent);
    ApplyDividerLook(s);
    ApplyStoredValues(s, {{"Left", 0}, {"Top", 178}, {"Width", 480}, {"Height", 4},
                          {"Cursor", static_cast<int>(crVSplit)}, {"SizeSense", 5}, {"MinWidth", 5},
                          {"MinHeight", 5}, {"MinTop", 60}, {"MinLeft", 0}, {"MaxBottom", 300},
                          {"MaxRight", 0}, {"SelOption", 8}});
    s->show();
    return s;
}

TSelShape* VerticalDivider(QWidget* parent)
{
    auto* s = new TSelShape(parent);
    ApplyDividerLook(s);
    ApplyStoredValues(s, {{"Left", 238}, {"Top", 0}, {"Width", 4}, {"Height", 360},
                          {"Cursor", static_cast<int>(crHSplit)}, {"SizeSense", 5}, {"MinWidth", 5},
                          {"MinHeight", 5}, {"MinTop", 0}, {"MinLeft", 60}, {"MaxBottom", 0},
                          {"MaxRight", 420}, {"SelOption", 4}});
    s->show();
    return s;
}

TSelShape* PlainShape(QWidget* parent, const QRect& bounds)
{
    auto* s = new TSelShape(parent);
    s->SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
    s->show();
    return s;
}

// Records the shape's bounds after each move or resize it goes through.
class BoundsRecorder : public QObject {
public:
    explicit BoundsRecorder(QWidget* w) : w_(w) { w->installEventFilter(this); }
    QList<QRect> steps;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (o == w_ && (e->type() == QEvent::Move || e->type() == QEvent::Resize))
            if (steps.isEmpty() || steps.last() != w_->geometry())
                steps.append(w_->geometry());
        return false;
    }

private:
    QWidget* w_;
};

struct UpCall {
    TMouseButton button;
    QRect bounds;
    bool dragging;
    int releases;
};

} // namespace

Q_DECLARE_METATYPE(TSelShape::TSelMode)

class TestSelShape : public QObject {
    Q_OBJECT
private slots:
    void newShapeIsAnUnfilledOutlineWithItsSettings()
    {
        TSelShape s;
        QCOMPARE(s.Width(), 65);
        QCOMPARE(s.Height(), 65);
        QCOMPARE(s.Pen()->Color(), clBlack);
        QCOMPARE(s.Pen()->Width(), 1);
        QCOMPARE(s.Pen()->Style(), TPen::psSolid);
        QCOMPARE(s.Brush()->Color(), clWhite);
        QCOMPARE(s.Brush()->Style(), TBrush::bsClear);
        QCOMPARE(s.SizeSense(), 5);
        QCOMPARE(s.MinWidth(), 5);
        QCOMPARE(s.MinHeight(), 5);
        QCOMPARE(s.MinTop(), 0);
        QCOMPARE(s.MinLeft(), 0);
        QCOMPARE(s.MaxBottom(), 0);
        QCOMPARE(s.MaxRight(), 0);
        QCOMPARE(s.SelOption(), 15);
        QVERIFY(!s.Dragging());
        QCOMPARE(s.Mode(), TSelShape::SelM);
    }

    void storedLayoutListsAllEightSettingsAndWritesTheOptionAsBits()
    {
        TSelShape s;
        QStringList listed;
        for (const auto& [name, value] : StoredValues(&s))
            listed << name;
        for (const char* name : {"SizeSense", "MinWidth", "MinHeight", "MinTop", "MinLeft", "MaxBottom",
                                 "MaxRight", "SelOption"})
            QVERIFY2(listed.contains(QLatin1String(name)), name);

        ApplyStoredValue(&s, "SelOption", 8);
        QVERIFY(s.HasSelOption(TSelShape::MoveY));
        QVERIFY(!s.HasSelOption(TSelShape::MoveX));
        QVERIFY(!s.HasSelOption(TSelShape::ResizeX));
        QVERIFY(!s.HasSelOption(TSelShape::ResizeY));
        ApplyStoredValue(&s, "SelOption", 4);
        QCOMPARE(s.SelOption(), int(TSelShape::SelOpts({TSelShape::MoveX})));
        s.SetSelOptions({TSelShape::ResizeX, TSelShape::ResizeY});
        QCOMPARE(s.SelOption(), 3);
        // Bits past the four elements mean nothing and are not kept.
        s.SetSelOption(0xF2);
        QCOMPARE(s.SelOption(), 2);
    }

    void writingTheSettingsNeitherMovesNorRepaints()
    {
        Stage stage;
        TSelShape* s = PlainShape(&stage.window, QRect(100, 100, 65, 65));
        QVERIFY(stage.Exposed());
        QCoreApplication::processEvents();

        int paints = 0, moves = 0;
        struct Counter : QObject {
            int* paints; int* moves;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Paint) ++*paints;
                if (e->type() == QEvent::Move || e->type() == QEvent::Resize) ++*moves;
                return false;
            }
        } counter;
        counter.paints = &paints;
        counter.moves = &moves;
        s->installEventFilter(&counter);

        s->SetSizeSense(9);
        s->SetMinWidth(200);
        s->SetMinHeight(200);
        s->SetMinTop(150);
        s->SetMinLeft(150);
        s->SetMaxBottom(160);
        s->SetMaxRight(160);
        s->SetSelOption(0);
        QCoreApplication::processEvents();
        QCOMPARE(paints, 0);
        QCOMPARE(moves, 0);
        QCOMPARE(s->geometry(), QRect(100, 100, 65, 65));

        // The counter does see a repaint when there is one.
        s->update();
        QTRY_VERIFY(paints > 0);
    }

    void pointerEventsReachTheShapeInItsOwnCoordinates()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = PlainShape(&stage.window, QRect(100, 120, 65, 65));
        QVERIFY(stage.Exposed());
        QList<QPoint> moves, downs, ups;
        s->OnMouseMove = [&](QObject* sender, TShiftState, int x, int y) {
            QCOMPARE(sender, s);
            moves << QPoint(x, y);
        };
        s->OnMouseDown = [&](QObject*, TMouseButton, TShiftState, int x, int y) { downs << QPoint(x, y); };
        s->OnMouseUp = [&](QObject*, TMouseButton, TShiftState, int x, int y) { ups << QPoint(x, y); };

        Pointer pointer(&stage.window);
        pointer.Move(QPoint(130, 150));
        QVERIFY(!moves.isEmpty());
        QCOMPARE(moves.last(), QPoint(30, 30));
        pointer.Press(Qt::LeftButton, QPoint(130, 150));
        QCOMPARE(downs, QList<QPoint>{QPoint(30, 30)});
        QVERIFY(s->Dragging());
        pointer.Move(QPoint(140, 155));
        QCOMPARE(s->geometry(), QRect(110, 125, 65, 65));
        pointer.Release(Qt::LeftButton, QPoint(140, 155));
        QCOMPARE(ups, QList<QPoint>{QPoint(30, 30)});
        QVERIFY(!s->Dragging());
    }

    void hitTestZones_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<TSelShape::TSelMode>("mode");
        QTest::addColumn<int>("cursor");
        const QSize normal(65, 65);
        QTest::newRow("inside") << normal << QPoint(30, 30) << TSelShape::SelM << int(crDefault);
        QTest::newRow("inside next to left zone") << normal << QPoint(6, 30) << TSelShape::SelM << int(crDefault);
        QTest::newRow("inside next to right zone") << normal << QPoint(59, 59) << TSelShape::SelM << int(crDefault);
        QTest::newRow("top edge") << normal << QPoint(30, 5) << TSelShape::SelN << int(crSizeNS);
        QTest::newRow("top edge first row") << normal << QPoint(30, 0) << TSelShape::SelN << int(crSizeNS);
        QTest::newRow("bottom edge") << normal << QPoint(30, 60) << TSelShape::SelS << int(crSizeNS);
        QTest::newRow("bottom edge last row") << normal << QPoint(30, 64) << TSelShape::SelS << int(crSizeNS);
        QTest::newRow("left edge") << normal << QPoint(5, 30) << TSelShape::SelW << int(crSizeWE);
        QTest::newRow("right edge") << normal << QPoint(60, 30) << TSelShape::SelE << int(crSizeWE);
        QTest::newRow("top-right") << normal << QPoint(62, 2) << TSelShape::SelNE << int(crSizeNESW);
        QTest::newRow("top-left") << normal << QPoint(0, 0) << TSelShape::SelNW << int(crSizeNWSE);
        QTest::newRow("bottom-right") << normal << QPoint(64, 64) << TSelShape::SelSE << int(crSizeNWSE);
        QTest::newRow("bottom-left") << normal << QPoint(3, 61) << TSelShape::SelSW << int(crSizeNESW);
        // A shape no larger than twice the zone: left and top come first.
        const QSize small(8, 8);
        QTest::newRow("small: both zones, left and top win") << small << QPoint(5, 5) << TSelShape::SelNW << int(crSizeNWSE);
        QTest::newRow("small: left column, bottom row") << small << QPoint(5, 6) << TSelShape::SelSW << int(crSizeNESW);
        QTest::newRow("small: right column, top row") << small << QPoint(6, 5) << TSelShape::SelNE << int(crSizeNESW);
        QTest::newRow("small: right and bottom") << small << QPoint(7, 7) << TSelShape::SelSE << int(crSizeNWSE);
        const QSize thin(11, 40);
        QTest::newRow("thin: no middle column left of 6") << thin << QPoint(5, 20) << TSelShape::SelW << int(crSizeWE);
        QTest::newRow("thin: column 6 is right") << thin << QPoint(6, 20) << TSelShape::SelE << int(crSizeWE);
    }

    void hitTestZones()
    {
        QFETCH(QSize, size);
        QFETCH(QPoint, at);
        QFETCH(TSelShape::TSelMode, mode);
        QFETCH(int, cursor);
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = PlainShape(&stage.window, QRect(QPoint(100, 100), size));
        QVERIFY(stage.Exposed());
        s->SetCursor(crHourGlass);
        Pointer pointer(&stage.window);
        pointer.Move(QPoint(100, 100) + at);
        QCOMPARE(s->Mode(), mode);
        QCOMPARE(s->Cursor(), cursor);
        QCOMPARE(s->HitTest(at.x(), at.y()), mode);
    }

    void selOptionReducesTheZone_data()
    {
        using S = TSelShape;
        QTest::addColumn<int>("options");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<TSelShape::TSelMode>("mode");
        QTest::addColumn<int>("cursor");
        const int noResizeX = S::SelOpts({S::ResizeY, S::MoveX, S::MoveY});
        const int noResizeY = S::SelOpts({S::ResizeX, S::MoveX, S::MoveY});
        const int moveOnly = S::SelOpts({S::MoveX, S::MoveY});
        const QPoint n(30, 2), s(30, 62), w(2, 30), e(62, 30), ne(62, 2), nw(2, 2), se(62, 62), sw(2, 62);
        QTest::newRow("no ResizeX: W") << noResizeX << w << S::SelM << int(crDefault);
        QTest::newRow("no ResizeX: E") << noResizeX << e << S::SelM << int(crDefault);
        QTest::newRow("no ResizeX: NE") << noResizeX << ne << S::SelN << int(crSizeNS);
        QTest::newRow("no ResizeX: NW") << noResizeX << nw << S::SelN << int(crSizeNS);
        QTest::newRow("no ResizeX: SE") << noResizeX << se << S::SelS << int(crSizeNS);
        QTest::newRow("no ResizeX: SW") << noResizeX << sw << S::SelS << int(crSizeNS);
        QTest::newRow("no ResizeX: N stays") << noResizeX << n << S::SelN << int(crSizeNS);
        QTest::newRow("no ResizeY: N") << noResizeY << n << S::SelM << int(crDefault);
        QTest::newRow("no ResizeY: S") << noResizeY << s << S::SelM << int(crDefault);
        QTest::newRow("no ResizeY: NE") << noResizeY << ne << S::SelE << int(crSizeWE);
        QTest::newRow("no ResizeY: SE") << noResizeY << se << S::SelE << int(crSizeWE);
        QTest::newRow("no ResizeY: NW") << noResizeY << nw << S::SelW << int(crSizeWE);
        QTest::newRow("no ResizeY: SW") << noResizeY << sw << S::SelW << int(crSizeWE);
        QTest::newRow("no ResizeY: E stays") << noResizeY << e << S::SelE << int(crSizeWE);
        QTest::newRow("move only: NE") << moveOnly << ne << S::SelM << int(crDefault);
        QTest::newRow("move only: SW") << moveOnly << sw << S::SelM << int(crDefault);
        QTest::newRow("move only: S") << moveOnly << s << S::SelM << int(crDefault);
        QTest::newRow("empty: NW") << 0 << nw << S::SelM << int(crDefault);
        QTest::newRow("empty: E") << 0 << e << S::SelM << int(crDefault);
        QTest::newRow("moves do not matter: SE") << int(S::SelOpts({S::ResizeX, S::ResizeY})) << se << S::SelSE
                                                 << int(crSizeNWSE);
    }

    void selOptionReducesTheZone()
    {
        QFETCH(int, options);
        QFETCH(QPoint, at);
        QFETCH(TSelShape::TSelMode, mode);
        QFETCH(int, cursor);
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = PlainShape(&stage.window, QRect(100, 100, 65, 65));
        s->SetSelOption(options);
        QVERIFY(stage.Exposed());
        s->SetCursor(crHandPoint);
        Pointer pointer(&stage.window);
        pointer.Move(QPoint(100, 100) + at);
        QCOMPARE(s->Mode(), mode);
        QCOMPARE(s->Cursor(), cursor);
    }

    void horizontalDividerIsAMoveEverywhere()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = HorizontalDivider(&stage.window);
        QVERIFY(stage.Exposed());
        QCOMPARE(s->Cursor(), int(crVSplit));
        Pointer pointer(&stage.window);
        for (const int x : {0, 1, 5, 6, 100, 474, 475, 479}) {
            for (int y = 178; y < 182; ++y) {
                s->SetCursor(crVSplit);
                pointer.Move(QPoint(x, y));
                QVERIFY2(s->Mode() == TSelShape::SelM, qPrintable(QStringLiteral("at %1, %2").arg(x).arg(y)));
                QCOMPARE(s->Cursor(), int(crDefault));
            }
        }
    }

    void horizontalDividerMovesOnlyUpAndDownWithinItsLimits_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QList<QPoint>>("path");
        QTest::addColumn<int>("top");
        QTest::newRow("up from the middle") << QPoint(240, 180) << QList<QPoint>{{240, 100}} << 98;
        QTest::newRow("down, sideways ignored") << QPoint(240, 180) << QList<QPoint>{{10, 250}} << 248;
        QTest::newRow("from the left end") << QPoint(2, 179) << QList<QPoint>{{2, 150}} << 149;
        QTest::newRow("from the right end") << QPoint(477, 181) << QList<QPoint>{{470, 200}} << 197;
        QTest::newRow("just above the top limit") << QPoint(240, 180) << QList<QPoint>{{240, 63}} << 61;
        QTest::newRow("onto the top limit") << QPoint(240, 180) << QList<QPoint>{{240, 62}} << 60;
        QTest::newRow("far past the top limit") << QPoint(240, 180) << QList<QPoint>{{240, 1}} << 60;
        QTest::newRow("onto the bottom limit") << QPoint(240, 180) << QList<QPoint>{{240, 298}} << 296;
        QTest::newRow("far past the bottom limit") << QPoint(477, 181) << QList<QPoint>{{400, 358}} << 296;
        QTest::newRow("to both ends and back") << QPoint(240, 180)
                                               << QList<QPoint>{{240, 5}, {240, 350}, {240, 200}} << 198;
    }

    void horizontalDividerMovesOnlyUpAndDownWithinItsLimits()
    {
        QFETCH(QPoint, from);
        QFETCH(QList<QPoint>, path);
        QFETCH(int, top);
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = HorizontalDivider(&stage.window);
        QVERIFY(stage.Exposed());
        Pointer pointer(&stage.window);
        pointer.Move(from);
        pointer.Press(Qt::LeftButton, from);
        for (const QPoint p : path) {
            pointer.Move(p);
            QVERIFY2(s->Top() >= 60 && s->Top() <= 296, qPrintable(QString::number(s->Top())));
            QCOMPARE(s->Left(), 0);
            QCOMPARE(s->Width(), 480);
            QCOMPARE(s->Height(), 4);
            QCOMPARE(s->Mode(), TSelShape::SelM);
        }
        pointer.Release(Qt::LeftButton, path.last());
        QCOMPARE(s->geometry(), QRect(0, top, 480, 4));
        QVERIFY(!s->Dragging());
    }

    void verticalDividerMovesOnlySidewaysWithinItsLimits_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QList<QPoint>>("path");
        QTest::addColumn<int>("left");
        QTest::newRow("left from the middle") << QPoint(240, 180) << QList<QPoint>{{100, 180}} << 98;
        QTest::newRow("right, up and down ignored") << QPoint(240, 180) << QList<QPoint>{{300, 5}} << 298;
        QTest::newRow("from the top end") << QPoint(239, 1) << QList<QPoint>{{200, 1}} << 199;
        QTest::newRow("from the bottom end") << QPoint(241, 358) << QList<QPoint>{{260, 300}} << 257;
        QTest::newRow("onto the left limit") << QPoint(240, 180) << QList<QPoint>{{62, 180}} << 60;
        QTest::newRow("far past the left limit") << QPoint(240, 180) << QList<QPoint>{{0, 180}} << 60;
        QTest::newRow("just before the right limit") << QPoint(240, 180) << QList<QPoint>{{417, 180}} << 415;
        QTest::newRow("onto the right limit") << QPoint(240, 180) << QList<QPoint>{{418, 180}} << 416;
        QTest::newRow("far past the right limit") << QPoint(240, 180) << QList<QPoint>{{479, 10}} << 416;
        // Past the limit the pointer leaves the bar; coming back, the bar
        // lines up with the pointer again where it was held.
        QTest::newRow("past the left limit and back") << QPoint(240, 180)
                                                      << QList<QPoint>{{10, 180}, {100, 180}} << 98;
    }

    void verticalDividerMovesOnlySidewaysWithinItsLimits()
    {
        QFETCH(QPoint, from);
        QFETCH(QList<QPoint>, path);
        QFETCH(int, left);
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = VerticalDivider(&stage.window);
        QVERIFY(stage.Exposed());
        Pointer pointer(&stage.window);
        pointer.Move(from);
        QCOMPARE(s->Mode(), TSelShape::SelM);
        QCOMPARE(s->Cursor(), int(crDefault));
        pointer.Press(Qt::LeftButton, from);
        for (const QPoint p : path) {
            pointer.Move(p);
            QVERIFY2(s->Left() >= 60 && s->Left() <= 416, qPrintable(QString::number(s->Left())));
            QCOMPARE(s->Top(), 0);
            QCOMPARE(s->Width(), 4);
            QCOMPARE(s->Height(), 360);
        }
        pointer.Release(Qt::LeftButton, path.last());
        QCOMPARE(s->geometry(), QRect(left, 0, 4, 360));
    }

    void ownerSeesFinalBoundsBeforeThePointerIsReleased()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = HorizontalDivider(&stage.window);
        QVERIFY(stage.Exposed());
        QList<UpCall> calls;
        s->OnMouseUp = [&](QObject*, TMouseButton b, TShiftState, int, int) {
            calls.append({b, s->geometry(), s->Dragging(), scripted.log.releases});
        };
        Pointer pointer(&stage.window);
        pointer.Move(QPoint(240, 180));
        pointer.Press(Qt::LeftButton, QPoint(240, 180));
        QVERIFY(s->Dragging());
        QCOMPARE(scripted.log.confinements.size(), 1);
        QCOMPARE(scripted.log.releases, 0);
        pointer.Move(QPoint(240, 120));
        QVERIFY(calls.isEmpty());
        pointer.Release(Qt::LeftButton, QPoint(240, 120));

        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].button, TMouseButton::mbLeft);
        QCOMPARE(calls[0].bounds, QRect(0, 118, 480, 4));
        QVERIFY(calls[0].dragging);
        QCOMPARE(calls[0].releases, 0);
        QVERIFY(!s->Dragging());
        QCOMPARE(scripted.log.releases, 1);
    }

    void rightClickOnTheShapeReachesTheOwnerAndEndsTheDrag()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = VerticalDivider(&stage.window);
        QVERIFY(stage.Exposed());
        QList<UpCall> calls;
        s->OnMouseUp = [&](QObject*, TMouseButton b, TShiftState, int, int) {
            calls.append({b, s->geometry(), s->Dragging(), scripted.log.releases});
        };
        Pointer pointer(&stage.window);
        pointer.Move(QPoint(240, 100));
        pointer.Press(Qt::RightButton, QPoint(240, 100));
        QVERIFY(s->Dragging());
        QCOMPARE(scripted.log.confinements.size(), 1);
        pointer.Release(Qt::RightButton, QPoint(240, 100));
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].button, TMouseButton::mbRight);
        QCOMPARE(calls[0].bounds, QRect(238, 0, 4, 360));
        QVERIFY(!s->Dragging());
        QCOMPARE(scripted.log.releases, 1);
    }

    void rightButtonDragReleasedOutsideTheShapeEndsTheDrag()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = VerticalDivider(&stage.window);
        QVERIFY(stage.Exposed());
        QList<UpCall> calls;
        s->OnMouseUp = [&](QObject*, TMouseButton b, TShiftState, int, int) {
            calls.append({b, s->geometry(), s->Dragging(), scripted.log.releases});
        };
        Pointer pointer(&stage.window);
        pointer.Move(QPoint(240, 100));
        pointer.Press(Qt::RightButton, QPoint(240, 100));
        pointer.Move(QPoint(460, 100));
        QCOMPARE(s->Left(), 416);  // held at the limit; the pointer is beyond the bar
        pointer.Release(Qt::RightButton, QPoint(460, 100));
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].bounds, QRect(416, 0, 4, 360));
        QVERIFY(!s->Dragging());
        QCOMPARE(scripted.log.releases, 1);

        // Later moves over the bar without a button no longer drag it.
        pointer.Move(QPoint(417, 50));
        pointer.Move(QPoint(419, 80));
        QCOMPARE(s->Left(), 416);
        QCOMPARE(scripted.log.releases, 1);
    }

    void moveWithNoButtonHeldEndsALostDrag()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = VerticalDivider(&stage.window);
        QVERIFY(stage.Exposed());
        QList<UpCall> calls;
        s->OnMouseUp = [&](QObject*, TMouseButton b, TShiftState, int, int) {
            calls.append({b, s->geometry(), s->Dragging(), scripted.log.releases});
        };
        Send(s, QEvent::MouseButtonPress, QPoint(2, 100), Qt::MiddleButton, Qt::MiddleButton);
        Send(s, QEvent::MouseMove, QPoint(12, 100), Qt::NoButton, Qt::MiddleButton);
        QCOMPARE(s->Left(), 248);
        QVERIFY(s->Dragging());
        // The release went elsewhere; the next move has no button held.
        Send(s, QEvent::MouseMove, QPoint(1, 120), Qt::NoButton, Qt::NoButton);
        QVERIFY(!s->Dragging());
        QCOMPARE(s->Left(), 248);
        QCOMPARE(scripted.log.releases, 1);
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].button, TMouseButton::mbMiddle);
        QCOMPARE(calls[0].bounds, QRect(248, 0, 4, 360));
        QCOMPARE(calls[0].releases, 0);
        // The move was taken as a plain hover.
        QCOMPARE(s->Mode(), TSelShape::SelM);
        Send(s, QEvent::MouseMove, QPoint(3, 130), Qt::NoButton, Qt::NoButton);
        QCOMPARE(s->Left(), 248);
        QCOMPARE(calls.size(), 1);
        QCOMPARE(scripted.log.releases, 1);
    }

    void dragEndsWhenTheShapeGoesAway_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("hidden") << QStringLiteral("hide");
        QTest::newRow("disabled") << QStringLiteral("disable");
        QTest::newRow("window hidden") << QStringLiteral("hide window");
        QTest::newRow("destroyed") << QStringLiteral("delete");
    }

    void dragEndsWhenTheShapeGoesAway()
    {
        QFETCH(QString, how);
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        QPointer<TSelShape> s = HorizontalDivider(&stage.window);
        QVERIFY(stage.Exposed());
        int ups = 0;
        s->OnMouseUp = [&](QObject*, TMouseButton, TShiftState, int, int) { ++ups; };
        Pointer pointer(&stage.window);
        pointer.Move(QPoint(240, 180));
        pointer.Press(Qt::LeftButton, QPoint(240, 180));
        pointer.Move(QPoint(240, 150));
        QVERIFY(s->Dragging());
        QCOMPARE(scripted.log.confinements.size(), 1);

        if (how == QLatin1String("hide")) s->hide();
        else if (how == QLatin1String("disable")) s->SetEnabled(false);
        else if (how == QLatin1String("hide window")) stage.window.hide();
        else delete s.data();

        QCOMPARE(scripted.log.releases, 1);
        QCOMPARE(ups, 0);
        if (s) {
            QVERIFY(!s->Dragging());
            // Brought back, the shape does not think it is still held.
            s->show();
            s->SetEnabled(true);
            stage.window.show();
            QVERIFY(stage.Exposed());
            Send(s, QEvent::MouseMove, QPoint(240, 2), Qt::NoButton, Qt::NoButton);
            QCOMPARE(s->Top(), 148);
            QCOMPARE(ups, 0);
            QCOMPARE(scripted.log.releases, 1);
        }
    }

    void ownerHidingTheShapeOnReleaseIsCalledOnce()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = HorizontalDivider(&stage.window);
        QVERIFY(stage.Exposed());
        int ups = 0;
        s->OnMouseUp = [&](QObject*, TMouseButton, TShiftState, int, int) {
            ++ups;
            s->hide();
        };
        Pointer pointer(&stage.window);
        pointer.Drag(Qt::LeftButton, QPoint(240, 180), {QPoint(240, 200)});
        QCOMPARE(ups, 1);
        QCOMPARE(scripted.log.releases, 1);
        QVERIFY(!s->Dragging());
    }

    void cursorFollowsTheModeWhileDragging()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = PlainShape(&stage.window, QRect(100, 100, 65, 65));
        QVERIFY(stage.Exposed());
        Pointer pointer(&stage.window);
        pointer.Move(QPoint(102, 162));
        QCOMPARE(s->Cursor(), int(crSizeNESW));
        pointer.Press(Qt::LeftButton, QPoint(102, 162));
        s->SetCursor(crHourGlass);
        pointer.Move(QPoint(95, 170));
        QCOMPARE(s->Mode(), TSelShape::SelSW);
        QCOMPARE(s->Cursor(), int(crSizeNESW));
        // Options taken away mid-drag reduce the mode from the next move on.
        s->SetSelOptions({TSelShape::ResizeY});
        pointer.Move(QPoint(95, 175));
        QCOMPARE(s->Mode(), TSelShape::SelS);
        QCOMPARE(s->Cursor(), int(crSizeNS));
        pointer.Release(Qt::LeftButton, QPoint(95, 175));
    }

    void ownerHidingTheShapeOnPressStartsNoDrag()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = HorizontalDivider(&stage.window);
        QVERIFY(stage.Exposed());
        s->OnMouseDown = [&](QObject*, TMouseButton, TShiftState, int, int) { s->hide(); };
        Pointer pointer(&stage.window);
        pointer.Move(QPoint(240, 180));
        pointer.Press(Qt::LeftButton, QPoint(240, 180));
        QVERIFY(!s->Dragging());
        QVERIFY(scripted.log.confinements.isEmpty());
        pointer.Release(Qt::LeftButton, QPoint(240, 180));
        QCOMPARE(scripted.log.releases, 0);
    }

    void firstReleaseOfTwoButtonsEndsTheDrag()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = HorizontalDivider(&stage.window);
        QVERIFY(stage.Exposed());
        int ups = 0;
        s->OnMouseUp = [&](QObject*, TMouseButton, TShiftState, int, int) { ++ups; };
        Pointer pointer(&stage.window);
        pointer.Move(QPoint(240, 180));
        pointer.Press(Qt::LeftButton, QPoint(240, 180));
        pointer.Press(Qt::RightButton, QPoint(240, 180));
        pointer.Move(QPoint(240, 190));
        QCOMPARE(s->Top(), 188);
        pointer.Release(Qt::RightButton, QPoint(240, 190));
        QVERIFY(!s->Dragging());
        QCOMPARE(scripted.log.releases, 1);
        // The left button still held now only hovers.
        pointer.Move(QPoint(240, 220));
        QCOMPARE(s->Top(), 188);
        pointer.Release(Qt::LeftButton, QPoint(240, 220));
        QCOMPARE(ups, 2);
        QCOMPARE(scripted.log.releases, 1);
    }

    void cornerDragAppliesVerticalBeforeHorizontal_data()
    {
        QTest::addColumn<QPoint>("corner");
        QTest::addColumn<QRect>("result");
        // Shape (100, 100) 65 x 65; each drag goes 10 right and 7 down.
        QTest::newRow("NE") << QPoint(162, 102) << QRect(100, 107, 75, 58);
        QTest::newRow("NW") << QPoint(102, 102) << QRect(110, 107, 55, 58);
        QTest::newRow("SE") << QPoint(162, 162) << QRect(100, 100, 75, 72);
        QTest::newRow("SW") << QPoint(102, 162) << QRect(110, 100, 55, 72);
    }

    void cornerDragAppliesVerticalBeforeHorizontal()
    {
        QFETCH(QPoint, corner);
        QFETCH(QRect, result);
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = PlainShape(&stage.window, QRect(100, 100, 65, 65));
        QVERIFY(stage.Exposed());
        Pointer pointer(&stage.window);
        pointer.Move(corner);
        pointer.Press(Qt::LeftButton, corner);
        BoundsRecorder recorder(s);
        pointer.Move(corner + QPoint(10, 7));
        pointer.Release(Qt::LeftButton, corner + QPoint(10, 7));
        QCOMPARE(s->geometry(), result);

        // Every change of the vertical extent comes before any change of the
        // horizontal one.
        QRect previous(100, 100, 65, 65);
        bool horizontalSeen = false;
        for (const QRect& r : recorder.steps) {
            const bool vertical = r.top() != previous.top() || r.height() != previous.height();
            const bool horizontal = r.left() != previous.left() || r.width() != previous.width();
            QVERIFY2(!(vertical && horizontalSeen), "a vertical change came after a horizontal one");
            QVERIFY2(!(vertical && horizontal), "both axes changed in one step");
            horizontalSeen = horizontalSeen || horizontal;
            previous = r;
        }
        QVERIFY(horizontalSeen);
    }

    void topEdgeStepBelowMinHeightIsDroppedWhole()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = PlainShape(&stage.window, QRect(100, 100, 65, 20));
        QVERIFY(stage.Exposed());
        Pointer pointer(&stage.window);
        pointer.Move(QPoint(130, 102));
        QCOMPARE(s->Mode(), TSelShape::SelN);
        pointer.Press(Qt::LeftButton, QPoint(130, 102));
        // 16 down would leave 4 < 5: nothing happens, not even the 15 that fit.
        pointer.Move(QPoint(130, 118));
        QCOMPARE(s->geometry(), QRect(100, 100, 65, 20));
        // 15 down leaves exactly 5.
        pointer.Move(QPoint(130, 117));
        QCOMPARE(s->geometry(), QRect(100, 115, 65, 5));
        // Upwards past MinTop the step is cut at MinTop.
        s->SetMinTop(90);
        pointer.Move(QPoint(130, 50));
        QCOMPARE(s->geometry(), QRect(100, 90, 65, 30));
        pointer.Release(Qt::LeftButton, QPoint(130, 50));
    }

    void bottomEdgeIntoANearLimitStillShrinksToTheLimit_data()
    {
        QTest::addColumn<int>("maxBottom");
        QTest::addColumn<int>("height");
        QTest::newRow("limit 20 below top") << 120 << 20;
        QTest::newRow("limit nearer than MinHeight") << 102 << 2;
    }

    void bottomEdgeIntoANearLimitStillShrinksToTheLimit()
    {
        QFETCH(int, maxBottom);
        QFETCH(int, height);
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = PlainShape(&stage.window, QRect(100, 100, 65, 50));
        s->SetMaxBottom(maxBottom);
        QVERIFY(stage.Exposed());
        Pointer pointer(&stage.window);
        pointer.Drag(Qt::LeftButton, QPoint(130, 148), {QPoint(130, 149)});
        QCOMPARE(s->geometry(), QRect(100, 100, 65, height));
    }

    void bottomAndRightDragsCarryTheAnchorWithTheEdge()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = PlainShape(&stage.window, QRect(100, 100, 65, 65));
        s->SetMaxRight(200);
        QVERIFY(stage.Exposed());
        Pointer pointer(&stage.window);
        pointer.Move(QPoint(163, 130));
        QCOMPARE(s->Mode(), TSelShape::SelE);
        pointer.Press(Qt::LeftButton, QPoint(163, 130));
        pointer.Move(QPoint(180, 130));
        QCOMPARE(s->Width(), 82);
        pointer.Move(QPoint(190, 130));
        QCOMPARE(s->Width(), 92);
        // Past the limit the edge stops; coming back it follows at once.
        pointer.Move(QPoint(250, 130));
        QCOMPARE(s->Width(), 100);
        pointer.Move(QPoint(190, 130));
        QCOMPARE(s->Width(), 92);
        pointer.Release(Qt::LeftButton, QPoint(190, 130));
        QCOMPARE(s->geometry(), QRect(100, 100, 92, 65));

        // Bottom edge: too small a height is refused and the anchor stays.
        pointer.Move(QPoint(130, 163));
        QCOMPARE(s->Mode(), TSelShape::SelS);
        pointer.Press(Qt::LeftButton, QPoint(130, 163));
        pointer.Move(QPoint(130, 101));
        QCOMPARE(s->Height(), 65);
        pointer.Move(QPoint(130, 110));
        QCOMPARE(s->Height(), 12);
        pointer.Release(Qt::LeftButton, QPoint(130, 110));
    }

    void zeroLimitStandsForTheParentsEdgeOnlyWhileTheMinimumIsNotNegative_data()
    {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<QRect>("result");
        // Shape (100, 100) 60 x 40 moved 400 right and 400 down.
        QTest::newRow("minimum 0: the parent's client area") << 0 << QRect(420, 320, 60, 40);
        QTest::newRow("minimum -10: the limit 0 is in force") << -10 << QRect(-60, -40, 60, 40);
    }

    void zeroLimitStandsForTheParentsEdgeOnlyWhileTheMinimumIsNotNegative()
    {
        QFETCH(int, minimum);
        QFETCH(QRect, result);
        TSelShape* s;
        QWidget parent;
        parent.resize(480, 360);
        s = new TSelShape(&parent);
        s->SetBounds(100, 100, 60, 40);
        s->SetMinTop(minimum);
        s->SetMinLeft(minimum);
        s->SetMaxBottom(0);
        s->SetMaxRight(0);
        s->SelChgMov(400, 400);
        QCOMPARE(s->geometry(), result);

        // Resizing toward the same limits.
        s->SetBounds(100, 100, 60, 40);
        s->SelChgBot(400);
        s->SelChgRit(400);
        if (minimum == 0)
            QCOMPARE(s->geometry(), QRect(100, 100, 380, 260));
        else  // the limit lies above the top: the bottom edge is pulled up to it
            QCOMPARE(s->geometry(), QRect(100, 100, 0, 0));
    }

    void minimumBeforeMaximumSoTheMaximumWins()
    {
        QWidget parent;
        parent.resize(480, 360);
        auto* s = new TSelShape(&parent);
        s->SetBounds(100, 100, 60, 50);
        s->SetMinTop(80);
        s->SetMaxBottom(120);
        s->SelChgMov(0, -50);
        QCOMPARE(s->Top(), 70);
        s->SetBounds(100, 100, 60, 50);
        s->SelChgMov(0, 30);
        QCOMPARE(s->Top(), 70);
        // Without MoveY nothing vertical happens at all.
        s->SetSelOptions({TSelShape::MoveX});
        s->SelChgMov(-5, 30);
        QCOMPARE(s->geometry(), QRect(95, 70, 60, 50));
    }

    void emptySelOptionChangesNothing()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = PlainShape(&stage.window, QRect(100, 100, 65, 65));
        s->SetSelOption(0);
        QVERIFY(stage.Exposed());
        Pointer pointer(&stage.window);
        for (const QPoint corner : {QPoint(102, 102), QPoint(162, 162), QPoint(130, 130), QPoint(130, 102),
                                    QPoint(162, 130)}) {
            s->SetCursor(crCross);
            pointer.Move(corner);
            QCOMPARE(s->Cursor(), int(crDefault));
            QCOMPARE(s->Mode(), TSelShape::SelM);
            pointer.Press(Qt::LeftButton, corner);
            pointer.Move(corner + QPoint(20, 15));
            pointer.Move(corner - QPoint(30, 25));
            pointer.Release(Qt::LeftButton, corner - QPoint(30, 25));
            QCOMPARE(s->geometry(), QRect(100, 100, 65, 65));
        }
        QCOMPARE(scripted.log.confinements.size(), 5);
        QCOMPARE(scripted.log.releases, 5);
    }

    void pressWithoutAPrecedingMoveUsesTheLastMode()
    {
        platform::ScopedScriptedPlatform scripted;
        QWidget parent;
        parent.resize(480, 360);
        auto* s = new TSelShape(&parent);
        s->SetBounds(100, 100, 65, 65);
        // A new shape moves, though the press lands on its top-left corner.
        Send(s, QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton, Qt::LeftButton);
        Send(s, QEvent::MouseMove, QPoint(12, 7), Qt::NoButton, Qt::LeftButton);
        Send(s, QEvent::MouseButtonRelease, QPoint(2, 2), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(s->geometry(), QRect(110, 105, 65, 65));

        // After hovering the right edge, a press in the middle still resizes.
        Send(s, QEvent::MouseMove, QPoint(62, 30), Qt::NoButton, Qt::NoButton);
        QCOMPARE(s->Mode(), TSelShape::SelE);
        Send(s, QEvent::MouseButtonPress, QPoint(30, 30), Qt::LeftButton, Qt::LeftButton);
        Send(s, QEvent::MouseMove, QPoint(40, 30), Qt::NoButton, Qt::LeftButton);
        Send(s, QEvent::MouseButtonRelease, QPoint(40, 30), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(s->geometry(), QRect(110, 105, 75, 65));
    }

    void dividerPaintsAnAquaOutlineOverABlueHatch()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        HorizontalDivider(&stage.window);
        VerticalDivider(&stage.window)->SetBounds(237, 20, 7, 100);
        const QImage img = testing::Grab(&stage.window);
        const QRgb aqua = qRgb(0, 255, 255), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255);

        // Horizontal bar: rows 178 and 181 outline, rows 179-180 hatch.
        UNIFORM(img, QRect(0, 178, 480, 1), aqua);
        UNIFORM(img, QRect(0, 181, 480, 1), aqua);
        UNIFORM(img, QRect(0, 178, 1, 4), aqua);
        UNIFORM(img, QRect(479, 178, 1, 4), aqua);
        UNIFORM(img, QRect(0, 182, 480, 10), white);
        UNIFORM(img, QRect(0, 170, 237, 8), white);

        // The hatch lies on the parent's diagonals x - y = 8k, whatever the
        // bar's own position, and leaves the white beneath elsewhere.
        auto hatched = [](int x, int y) { return ((x - y) % 8 + 8) % 8 == 0; };
        int blues = 0;
        for (int y = 179; y <= 180; ++y)
            for (int x = 1; x <= 478; ++x) {
                PIXEL_IS(img, x, y, hatched(x, y) ? blue : white);
                blues += hatched(x, y) ? 1 : 0;
            }
        QVERIFY(blues > 100);
        PIXEL_IS(img, 179, 179, blue);
        PIXEL_IS(img, 180, 180, blue);
        PIXEL_IS(img, 181, 179, white);

        // A 7-wide bar at an odd place: outline columns 237 and 243, hatch between.
        UNIFORM(img, QRect(237, 20, 1, 100), aqua);
        UNIFORM(img, QRect(243, 20, 1, 100), aqua);
        UNIFORM(img, QRect(237, 20, 7, 1), aqua);
        UNIFORM(img, QRect(237, 119, 7, 1), aqua);
        for (int y = 21; y <= 118; ++y)
            for (int x = 238; x <= 242; ++x)
                PIXEL_IS(img, x, y, hatched(x, y) ? blue : white);
        PIXEL_IS(img, 240, 120, white);
    }

    void newShapeIsJustAnOutline()
    {
        Stage stage;
        PlainShape(&stage.window, QRect(10, 10, 65, 65));
        const QImage img = testing::Grab(&stage.window);
        UNIFORM(img, QRect(10, 10, 65, 1), qRgb(0, 0, 0));
        UNIFORM(img, QRect(10, 74, 65, 1), qRgb(0, 0, 0));
        UNIFORM(img, QRect(10, 10, 1, 65), qRgb(0, 0, 0));
        UNIFORM(img, QRect(74, 10, 1, 65), qRgb(0, 0, 0));
        UNIFORM(img, QRect(11, 11, 63, 63), qRgb(255, 255, 255));
    }

    void confinementIsTheParentsClientOriginWithItsOuterSize()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        TSelShape* s = HorizontalDivider(&stage.window);
        QVERIFY(stage.Exposed());
        Pointer pointer(&stage.window);
        pointer.Move(QPoint(240, 180));
        pointer.Press(Qt::LeftButton, QPoint(240, 180));
        QCOMPARE(scripted.log.confinements.size(), 1);
        // Client origin on the screen, outer size: past the client area on
        // the right and at the bottom by the frame.
        const QRect expected(stage.window.geometry().topLeft(), stage.window.frameGeometry().size());
        QCOMPARE(scripted.log.confinements[0], expected);
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            // Moved to (50, 60) with the offscreen platform's 2-pixel frame.
            QCOMPARE(scripted.log.confinements[0], QRect(52, 62, 484, 364));
        }
        pointer.Release(Qt::LeftButton, QPoint(240, 180));
        QVERIFY(!s->Dragging());
    }

    void confinementInsideAChildParentUsesItsSize()
    {
        platform::ScopedScriptedPlatform scripted;
        Stage stage;
        auto* panel = new QWidget(&stage.window);
        panel->setGeometry(40, 30, 300, 200);
        panel->show();
        TSelShape* s = PlainShape(panel, QRect(10, 10, 65, 65));
        QVERIFY(stage.Exposed());
        Pointer pointer(&stage.window);
        pointer.Move(QPoint(80, 70));
        pointer.Press(Qt::LeftButton, QPoint(80, 70));
        QCOMPARE(scripted.log.confinements.size(), 1);
        QCOMPARE(scripted.log.confinements[0],
                 QRect(stage.window.geometry().topLeft() + QPoint(40, 30), QSize(300, 200)));
        // The parent's client area is the limit here, not the window's.
        pointer.Move(QPoint(400, 300));
        QCOMPARE(s->geometry(), QRect(235, 135, 65, 65));
        pointer.Release(Qt::LeftButton, QPoint(400, 300));
    }
};

YOTSUMADO_TEST_MAIN(TestSelShape)
#include "tst_selshape.moc"
