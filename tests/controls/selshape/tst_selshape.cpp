#include "controls/base/storedform.h"
#include "controls/selshape/selshape.h"
#include "support/pixels.h"
#include "support/scriptedplatform.h"
#include "support/testmain.h"

#include <QtTest>

using namespace yotsumado;

namespace {

// A shown 480 x 360 top-level window with a white background, standing in
// for the main window's client area; like the main window, it hands the
// shapes put on it (by the helpers below) a pointer confinement, here the
// scripted one.
class SceneWindow : public QWidget {
public:
    platform::PointerConfinement* pointer = nullptr;
};

class Scene {
public:
    Scene()
    {
        window.pointer = scripted.services.pointer.get();
        window.setFixedSize(480, 360);
        window.setAutoFillBackground(true);
        QPalette pal;
        pal.setColor(QPalette::Window, Qt::white);
        window.setPalette(pal);
        window.move(50, 60);
        window.show();
    }
    bool Exposed() { return QTest::qWaitForWindowExposed(&window); }
    const platform::ScriptedLog& log() const { return scripted.log; }

    platform::ScriptedPlatform scripted;
    SceneWindow window;
};

// The pointer confinement of the scene whose window holds parent, if any.
platform::PointerConfinement* ConfinementFor(QWidget* parent)
{
    auto* scene = dynamic_cast<SceneWindow*>(parent->window());
    return scene ? scene->pointer : nullptr;
}

// Drives the mouse through the window system, so that events take the real
// route (hit test of the child under the pointer, implicit grab while a
// button is held). Points are in the window's client coordinates. Declare it
// after everything an owner's handler uses: it releases held buttons when it
// goes.
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
        // still down through the window, shown or not.
        for (const Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            if ((held_ & b) && window_)
                Release(b, last_);
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
    // Hover at p, then press there.
    void Hold(Qt::MouseButton b, QPoint p)
    {
        Move(p);
        Press(b, p);
    }
    // Hold at from, move to each point, release at the last.
    void Drag(Qt::MouseButton b, QPoint from, std::initializer_list<QPoint> path)
    {
        Hold(b, from);
        for (const QPoint p : path)
            Move(p);
        Release(b, last_);
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

// The main window's two dividers, written the way its stored layout writes them.
TSelShape* Divider(QWidget* parent, bool vertical)
{
    auto* s = new TSelShape(parent);
    s->SetPointerConfinement(ConfinementFor(parent));
    s->Pen()->SetColor(clAqua);
    s->Brush()->SetColor(clBlue);
    s->Brush()->SetStyle(TBrush::bsFDiagonal);
    if (vertical)
        ApplyStoredValues(s, {{"Left", 238}, {"Top", 0}, {"Width", 4}, {"Height", 360},
                              {"Cursor", static_cast<int>(crHSplit)}, {"SizeSense", 5}, {"MinWidth", 5},
                              {"MinHeight", 5}, {"MinTop", 0}, {"MinLeft", 60}, {"MaxBottom", 0},
                              {"MaxRight", 420}, {"SelOption", 4}});
    else
        ApplyStoredValues(s, {{"Left", 0}, {"Top", 178}, {"Width", 480}, {"Height", 4},
                              {"Cursor", static_cast<int>(crVSplit)}, {"SizeSense", 5}, {"MinWidth", 5},
                              {"MinHeight", 5}, {"MinTop", 60}, {"MinLeft", 0}, {"MaxBottom", 300},
                              {"MaxRight", 0}, {"SelOption", 8}});
    s->show();
    return s;
}
TSelShape* HorizontalDivider(QWidget* parent) { return Divider(parent, false); }
TSelShape* VerticalDivider(QWidget* parent) { return Divider(parent, true); }

TSelShape* PlainShape(QWidget* parent, const QRect& bounds)
{
    auto* s = new TSelShape(parent);
    s->SetPointerConfinement(ConfinementFor(parent));
    s->SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
    s->show();
    return s;
}

// Counts the events of the given types a widget receives.
class EventCounter : public QObject {
public:
    EventCounter(QWidget* w, std::initializer_list<QEvent::Type> types) : types_(types) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        count += types_.contains(e->type()) ? 1 : 0;
        return false;
    }

private:
    QList<QEvent::Type> types_;
};

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

// What the owner's OnMouseUp saw, call by call: the button, the shape's
// bounds, its drag flag and how often the pointer had been released by then.
struct UpCall {
    TMouseButton button;
    QRect bounds;
    bool dragging;
    int releases;
};

class UpRecorder {
public:
    UpRecorder(TSelShape* s, const platform::ScriptedLog& log)
    {
        s->OnMouseUp = [this, s, &log](QObject*, TMouseButton b, TShiftState, int, int) {
            calls.append({b, s->geometry(), s->Dragging(), log.releases});
        };
    }
    QList<UpCall> calls;
};

// Empty when the one-pixel frame of rect is all colour c in image.
QString CheckOutline(const QImage& image, const QRect& r, QRgb c)
{
    for (const QRect side : {QRect(r.left(), r.top(), r.width(), 1), QRect(r.left(), r.bottom(), r.width(), 1),
                             QRect(r.left(), r.top(), 1, r.height()), QRect(r.right(), r.top(), 1, r.height())})
        if (QString msg = testing::CheckUniform(image, side, c); !msg.isEmpty())
            return msg;
    return {};
}

// Empty when the blue hatch of a divider fills rect as it should: on the
// parent's diagonals x - y = 8k, whatever the shape's own position, with the
// white beneath elsewhere. Counts the blue pixels into *blues.
QString CheckHatch(const QImage& image, const QRect& rect, int* blues)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const bool hatched = ((x - y) % 8 + 8) % 8 == 0;
            const QRgb expected = hatched ? qRgb(0, 0, 255) : qRgb(255, 255, 255);
            if ((image.pixel(x, y) & 0xffffffu) != (expected & 0xffffffu))
                return QStringLiteral("pixel (%1, %2) is %3, expected %4")
                    .arg(x).arg(y).arg(testing::ColorName(image.pixel(x, y)), testing::ColorName(expected));
            *blues += hatched ? 1 : 0;
        }
    return {};
}

#define CHECKED(expr)                         \
    do {                                      \
        const QString msg_ = (expr);          \
        QVERIFY2(msg_.isEmpty(), qPrintable(msg_)); \
    } while (0)

// The shape's eight own settings and their values in a new shape.
constexpr std::pair<const char*, int> kSettings[] = {
    {"SizeSense", 5}, {"MinWidth", 5}, {"MinHeight", 5}, {"MinTop", 0},
    {"MinLeft", 0},   {"MaxBottom", 0}, {"MaxRight", 0}, {"SelOption", 15}};

} // namespace

Q_DECLARE_METATYPE(TSelShape::TSelMode)
Q_DECLARE_METATYPE(TMouseButton)

class TestSelShape : public QObject {
    Q_OBJECT
private slots:
    void storedLayoutListsAllEightSettingsAndWritesTheOptionAsBits()
    {
        TSelShape s;
        QCOMPARE(s.size(), QSize(65, 65));
        QMap<QString, int> listed;
        for (const auto& [name, value] : StoredValues(&s))
            listed.insert(name, value.toInt());
        for (const auto& [name, value] : kSettings)
            QVERIFY2(listed.value(QLatin1String(name), -1) == value, name);

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
        Scene scene;
        TSelShape* s = PlainShape(&scene.window, QRect(100, 100, 65, 65));
        QVERIFY(scene.Exposed());
        QCoreApplication::processEvents();
        EventCounter paints(s, {QEvent::Paint});
        EventCounter moves(s, {QEvent::Move, QEvent::Resize});

        s->SetSizeSense(9);
        s->SetMinWidth(200);
        s->SetMinHeight(200);
        s->SetMinTop(150);
        s->SetMinLeft(150);
        s->SetMaxBottom(160);
        s->SetMaxRight(160);
        s->SetSelOption(0);
        QCoreApplication::processEvents();
        QCOMPARE(paints.count, 0);
        QCOMPARE(moves.count, 0);
        QCOMPARE(s->geometry(), QRect(100, 100, 65, 65));

        // The counter does see a repaint when there is one.
        s->update();
        QTRY_VERIFY(paints.count > 0);
    }

    void pointerEventsReachTheShapeInItsOwnCoordinates()
    {
        Scene scene;
        TSelShape* s = PlainShape(&scene.window, QRect(100, 120, 65, 65));
        QVERIFY(scene.Exposed());
        QList<QPoint> moves, downs, ups;
        s->OnMouseMove = [&](QObject* sender, TShiftState, int x, int y) {
            QCOMPARE(sender, s);
            moves << QPoint(x, y);
        };
        s->OnMouseDown = [&](QObject*, TMouseButton, TShiftState, int x, int y) { downs << QPoint(x, y); };
        s->OnMouseUp = [&](QObject*, TMouseButton, TShiftState, int x, int y) { ups << QPoint(x, y); };

        Pointer pointer(&scene.window);
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

    // Hovering a shape shows the zone under the pointer, as HitTest finds it
    // and reduced by SelOption, in its mode and its cursor.
    void hoverShowsTheZoneAsModeAndCursor_data()
    {
        using S = TSelShape;
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("options");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<TSelShape::TSelMode>("mode");
        QTest::addColumn<int>("cursor");
        auto zone = [](const char* name, QSize size, QPoint at, S::TSelMode mode, TCursor cursor) {
            QTest::newRow(name) << size << int(S::SelOptAll) << at << mode << int(cursor);
        };
        const QSize normal(65, 65);
        zone("inside", normal, {30, 30}, S::SelM, crDefault);
        zone("inside next to left zone", normal, {6, 30}, S::SelM, crDefault);
        zone("inside next to right zone", normal, {59, 59}, S::SelM, crDefault);
        zone("top edge", normal, {30, 5}, S::SelN, crSizeNS);
        zone("top edge first row", normal, {30, 0}, S::SelN, crSizeNS);
        zone("bottom edge", normal, {30, 60}, S::SelS, crSizeNS);
        zone("bottom edge last row", normal, {30, 64}, S::SelS, crSizeNS);
        zone("left edge", normal, {5, 30}, S::SelW, crSizeWE);
        zone("right edge", normal, {60, 30}, S::SelE, crSizeWE);
        zone("top-right", normal, {62, 2}, S::SelNE, crSizeNESW);
        zone("top-left", normal, {0, 0}, S::SelNW, crSizeNWSE);
        zone("bottom-right", normal, {64, 64}, S::SelSE, crSizeNWSE);
        zone("bottom-left", normal, {3, 61}, S::SelSW, crSizeNESW);
        // A shape no larger than twice the zone: left and top come first.
        const QSize small(8, 8);
        zone("small: both zones, left and top win", small, {5, 5}, S::SelNW, crSizeNWSE);
        zone("small: left column, bottom row", small, {5, 6}, S::SelSW, crSizeNESW);
        zone("small: right column, top row", small, {6, 5}, S::SelNE, crSizeNESW);
        zone("small: right and bottom", small, {7, 7}, S::SelSE, crSizeNWSE);
        const QSize thin(11, 40);
        zone("thin: no middle column left of 6", thin, {5, 20}, S::SelW, crSizeWE);
        zone("thin: column 6 is right", thin, {6, 20}, S::SelE, crSizeWE);

        // SelOption takes away what it does not allow.
        auto reduced = [&](const char* name, int options, QPoint at, S::TSelMode mode, TCursor cursor) {
            QTest::newRow(name) << normal << options << at << mode << int(cursor);
        };
        const int noResizeX = S::SelOpts({S::ResizeY, S::MoveX, S::MoveY});
        const int noResizeY = S::SelOpts({S::ResizeX, S::MoveX, S::MoveY});
        const int moveOnly = S::SelOpts({S::MoveX, S::MoveY});
        const QPoint n(30, 2), s(30, 62), w(2, 30), e(62, 30), ne(62, 2), nw(2, 2), se(62, 62), sw(2, 62);
        reduced("no ResizeX: W", noResizeX, w, S::SelM, crDefault);
        reduced("no ResizeX: E", noResizeX, e, S::SelM, crDefault);
        reduced("no ResizeX: NE", noResizeX, ne, S::SelN, crSizeNS);
        reduced("no ResizeX: NW", noResizeX, nw, S::SelN, crSizeNS);
        reduced("no ResizeX: SE", noResizeX, se, S::SelS, crSizeNS);
        reduced("no ResizeX: SW", noResizeX, sw, S::SelS, crSizeNS);
        reduced("no ResizeX: N stays", noResizeX, n, S::SelN, crSizeNS);
        reduced("no ResizeY: N", noResizeY, n, S::SelM, crDefault);
        reduced("no ResizeY: S", noResizeY, s, S::SelM, crDefault);
        reduced("no ResizeY: NE", noResizeY, ne, S::SelE, crSizeWE);
        reduced("no ResizeY: SE", noResizeY, se, S::SelE, crSizeWE);
        reduced("no ResizeY: NW", noResizeY, nw, S::SelW, crSizeWE);
        reduced("no ResizeY: SW", noResizeY, sw, S::SelW, crSizeWE);
        reduced("no ResizeY: E stays", noResizeY, e, S::SelE, crSizeWE);
        reduced("move only: NE", moveOnly, ne, S::SelM, crDefault);
        reduced("move only: SW", moveOnly, sw, S::SelM, crDefault);
        reduced("move only: S", moveOnly, s, S::SelM, crDefault);
        reduced("empty: NW", 0, nw, S::SelM, crDefault);
        reduced("empty: E", 0, e, S::SelM, crDefault);
        reduced("moves do not matter: SE", S::SelOpts({S::ResizeX, S::ResizeY}), se, S::SelSE, crSizeNWSE);
    }

    void hoverShowsTheZoneAsModeAndCursor()
    {
        QFETCH(QSize, size);
        QFETCH(int, options);
        QFETCH(QPoint, at);
        QFETCH(TSelShape::TSelMode, mode);
        QFETCH(int, cursor);
        Scene scene;
        TSelShape* s = PlainShape(&scene.window, QRect(QPoint(100, 100), size));
        s->SetSelOption(options);
        QVERIFY(scene.Exposed());
        s->SetCursor(crHourGlass);
        Pointer pointer(&scene.window);
        pointer.Move(QPoint(100, 100) + at);
        QCOMPARE(s->Mode(), mode);
        QCOMPARE(s->Cursor(), cursor);
        // HitTest finds the zone before SelOption takes anything away.
        if (options == TSelShape::SelOptAll)
            QCOMPARE(s->HitTest(at.x(), at.y()), mode);
    }

    void horizontalDividerIsAMoveEverywhere()
    {
        Scene scene;
        TSelShape* s = HorizontalDivider(&scene.window);
        QVERIFY(scene.Exposed());
        QCOMPARE(s->Cursor(), int(crVSplit));
        Pointer pointer(&scene.window);
        for (const int x : {0, 1, 5, 6, 100, 474, 475, 479}) {
            for (int y = 178; y < 182; ++y) {
                s->SetCursor(crVSplit);
                pointer.Move(QPoint(x, y));
                QVERIFY2(s->Mode() == TSelShape::SelM, qPrintable(QStringLiteral("at %1, %2").arg(x).arg(y)));
                QCOMPARE(s->Cursor(), int(crDefault));
            }
        }
    }

    // The horizontal divider moves between tops 60 and 296 (MinTop 60,
    // MaxBottom 300), the vertical one between lefts 60 and 416 (MinLeft 60,
    // MaxRight 420); nothing else about either ever changes.
    void dividerMovesOnlyAcrossWithinItsLimits_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QList<QPoint>>("path");
        QTest::addColumn<int>("position");  // the top or left where it ends
        auto horizontal = [](const char* name, QPoint from, QList<QPoint> path, int top) {
            QTest::addRow("horizontal: %s", name) << false << from << path << top;
        };
        horizontal("up from the middle", {240, 180}, {{240, 100}}, 98);
        horizontal("down, sideways ignored", {240, 180}, {{10, 250}}, 248);
        horizontal("from the left end", {2, 179}, {{2, 150}}, 149);
        horizontal("from the right end", {477, 181}, {{470, 200}}, 197);
        horizontal("just above the top limit", {240, 180}, {{240, 63}}, 61);
        horizontal("onto the top limit", {240, 180}, {{240, 62}}, 60);
        horizontal("far past the top limit", {240, 180}, {{240, 1}}, 60);
        horizontal("onto the bottom limit", {240, 180}, {{240, 298}}, 296);
        horizontal("far past the bottom limit", {477, 181}, {{400, 358}}, 296);
        horizontal("to both ends and back", {240, 180}, {{240, 5}, {240, 350}, {240, 200}}, 198);
        auto vertical = [](const char* name, QPoint from, QList<QPoint> path, int left) {
            QTest::addRow("vertical: %s", name) << true << from << path << left;
        };
        vertical("left from the middle", {240, 180}, {{100, 180}}, 98);
        vertical("right, up and down ignored", {240, 180}, {{300, 5}}, 298);
        vertical("from the top end", {239, 1}, {{200, 1}}, 199);
        vertical("from the bottom end", {241, 358}, {{260, 300}}, 257);
        vertical("onto the left limit", {240, 180}, {{62, 180}}, 60);
        vertical("far past the left limit", {240, 180}, {{0, 180}}, 60);
        vertical("just before the right limit", {240, 180}, {{417, 180}}, 415);
        vertical("onto the right limit", {240, 180}, {{418, 180}}, 416);
        vertical("far past the right limit", {240, 180}, {{479, 10}}, 416);
        // Past the limit the pointer leaves the bar; coming back, the bar
        // lines up with the pointer again where it was held.
        vertical("past the left limit and back", {240, 180}, {{10, 180}, {100, 180}}, 98);
    }

    void dividerMovesOnlyAcrossWithinItsLimits()
    {
        QFETCH(bool, vertical);
        QFETCH(QPoint, from);
        QFETCH(QList<QPoint>, path);
        QFETCH(int, position);
        Scene scene;
        TSelShape* s = Divider(&scene.window, vertical);
        QVERIFY(scene.Exposed());
        const QRect start = s->geometry();
        const int highest = vertical ? 416 : 296;
        Pointer pointer(&scene.window);
        pointer.Move(from);
        QCOMPARE(s->Mode(), TSelShape::SelM);
        QCOMPARE(s->Cursor(), int(crDefault));
        pointer.Press(Qt::LeftButton, from);
        for (const QPoint p : path) {
            pointer.Move(p);
            const int at = vertical ? s->Left() : s->Top();
            QVERIFY2(at >= 60 && at <= highest, qPrintable(QString::number(at)));
            QRect expected = start;
            vertical ? expected.moveLeft(at) : expected.moveTop(at);
            QCOMPARE(s->geometry(), expected);
            QCOMPARE(s->Mode(), TSelShape::SelM);
        }
        pointer.Release(Qt::LeftButton, path.last());
        QCOMPARE(s->geometry(), vertical ? QRect(position, 0, 4, 360) : QRect(0, position, 480, 4));
        QVERIFY(!s->Dragging());
    }

    // The owner's OnMouseUp runs once, with the shape at its final bounds, the
    // drag flag still on and the pointer still confined; then the drag ends
    // and the pointer goes free, whichever button held it and wherever it was
    // released.
    void releaseReachesTheOwnerBeforeThePointerIsFreed_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("qtButton");
        QTest::addColumn<TMouseButton>("button");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QRect>("bounds");
        QTest::newRow("left drag of the horizontal divider")
            << false << int(Qt::LeftButton) << TMouseButton::mbLeft << QPoint(240, 180) << QPoint(240, 120)
            << QRect(0, 118, 480, 4);
        QTest::newRow("right click on the vertical divider")
            << true << int(Qt::RightButton) << TMouseButton::mbRight << QPoint(240, 100) << QPoint(240, 100)
            << QRect(238, 0, 4, 360);
        // Held at the limit, the bar stays behind the pointer.
        QTest::newRow("right drag released past the limit, outside the shape")
            << true << int(Qt::RightButton) << TMouseButton::mbRight << QPoint(240, 100) << QPoint(460, 100)
            << QRect(416, 0, 4, 360);
    }

    void releaseReachesTheOwnerBeforeThePointerIsFreed()
    {
        QFETCH(bool, vertical);
        QFETCH(int, qtButton);
        QFETCH(TMouseButton, button);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QRect, bounds);
        Scene scene;
        TSelShape* s = Divider(&scene.window, vertical);
        QVERIFY(scene.Exposed());
        UpRecorder ups(s, scene.log());
        Pointer pointer(&scene.window);
        pointer.Hold(Qt::MouseButton(qtButton), from);
        QVERIFY(s->Dragging());
        QCOMPARE(scene.log().confinements.size(), 1);
        QCOMPARE(scene.log().releases, 0);
        pointer.Move(to);
        QCOMPARE(s->geometry(), bounds);
        QVERIFY(ups.calls.isEmpty());
        pointer.Release(Qt::MouseButton(qtButton), to);

        QCOMPARE(ups.calls.size(), 1);
        QCOMPARE(ups.calls[0].button, button);
        QCOMPARE(ups.calls[0].bounds, bounds);
        QVERIFY(ups.calls[0].dragging);
        QCOMPARE(ups.calls[0].releases, 0);
        QVERIFY(!s->Dragging());
        QCOMPARE(scene.log().releases, 1);

        // Later moves over the bar without a button no longer drag it.
        pointer.Move(bounds.center() - QPoint(1, 1));
        pointer.Move(bounds.center() + QPoint(1, 1));
        QCOMPARE(s->geometry(), bounds);
        QCOMPARE(ups.calls.size(), 1);
        QCOMPARE(scene.log().releases, 1);
    }

    void moveWithNoButtonHeldEndsALostDrag()
    {
        Scene scene;
        TSelShape* s = VerticalDivider(&scene.window);
        QVERIFY(scene.Exposed());
        UpRecorder ups(s, scene.log());
        Send(s, QEvent::MouseButtonPress, QPoint(2, 100), Qt::MiddleButton, Qt::MiddleButton);
        Send(s, QEvent::MouseMove, QPoint(12, 100), Qt::NoButton, Qt::MiddleButton);
        QCOMPARE(s->Left(), 248);
        QVERIFY(s->Dragging());
        // The release went elsewhere; the next move has no button held.
        Send(s, QEvent::MouseMove, QPoint(1, 120), Qt::NoButton, Qt::NoButton);
        QVERIFY(!s->Dragging());
        QCOMPARE(s->Left(), 248);
        QCOMPARE(scene.log().releases, 1);
        QCOMPARE(ups.calls.size(), 1);
        QCOMPARE(ups.calls[0].button, TMouseButton::mbMiddle);
        QCOMPARE(ups.calls[0].bounds, QRect(248, 0, 4, 360));
        QCOMPARE(ups.calls[0].releases, 0);
        // The move was taken as a plain hover.
        QCOMPARE(s->Mode(), TSelShape::SelM);
        Send(s, QEvent::MouseMove, QPoint(3, 130), Qt::NoButton, Qt::NoButton);
        QCOMPARE(s->Left(), 248);
        QCOMPARE(ups.calls.size(), 1);
        QCOMPARE(scene.log().releases, 1);
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
        Scene scene;
        QPointer<TSelShape> s = HorizontalDivider(&scene.window);
        QVERIFY(scene.Exposed());
        UpRecorder ups(s, scene.log());
        Pointer pointer(&scene.window);
        pointer.Hold(Qt::LeftButton, QPoint(240, 180));
        pointer.Move(QPoint(240, 150));
        QVERIFY(s->Dragging());
        QCOMPARE(scene.log().confinements.size(), 1);

        if (how == QLatin1String("hide")) s->hide();
        else if (how == QLatin1String("disable")) s->SetEnabled(false);
        else if (how == QLatin1String("hide window")) scene.window.hide();
        else delete s.data();

        QCOMPARE(scene.log().releases, 1);
        QCOMPARE(ups.calls.size(), 0);
        if (s) {
            QVERIFY(!s->Dragging());
            // Brought back, the shape does not think it is still held.
            s->show();
            s->SetEnabled(true);
            scene.window.show();
            QVERIFY(scene.Exposed());
            Send(s, QEvent::MouseMove, QPoint(240, 2), Qt::NoButton, Qt::NoButton);
            QCOMPARE(s->Top(), 148);
            QCOMPARE(ups.calls.size(), 0);
            QCOMPARE(scene.log().releases, 1);
        }
    }

    void ownerHidingTheShapeOnReleaseIsCalledOnce()
    {
        Scene scene;
        TSelShape* s = HorizontalDivider(&scene.window);
        QVERIFY(scene.Exposed());
        int ups = 0;
        s->OnMouseUp = [&](QObject*, TMouseButton, TShiftState, int, int) {
            ++ups;
            s->hide();
        };
        Pointer pointer(&scene.window);
        pointer.Drag(Qt::LeftButton, QPoint(240, 180), {QPoint(240, 200)});
        QCOMPARE(ups, 1);
        QCOMPARE(scene.log().releases, 1);
        QVERIFY(!s->Dragging());
    }

    void ownerHidingTheShapeOnPressStartsNoDrag()
    {
        Scene scene;
        TSelShape* s = HorizontalDivider(&scene.window);
        QVERIFY(scene.Exposed());
        s->OnMouseDown = [&](QObject*, TMouseButton, TShiftState, int, int) { s->hide(); };
        Pointer pointer(&scene.window);
        pointer.Hold(Qt::LeftButton, QPoint(240, 180));
        QVERIFY(!s->Dragging());
        QVERIFY(scene.log().confinements.isEmpty());
        pointer.Release(Qt::LeftButton, QPoint(240, 180));
        QCOMPARE(scene.log().releases, 0);
    }

    void firstReleaseOfTwoButtonsEndsTheDrag()
    {
        Scene scene;
        TSelShape* s = HorizontalDivider(&scene.window);
        QVERIFY(scene.Exposed());
        UpRecorder ups(s, scene.log());
        Pointer pointer(&scene.window);
        pointer.Hold(Qt::LeftButton, QPoint(240, 180));
        pointer.Press(Qt::RightButton, QPoint(240, 180));
        pointer.Move(QPoint(240, 190));
        QCOMPARE(s->Top(), 188);
        pointer.Release(Qt::RightButton, QPoint(240, 190));
        QVERIFY(!s->Dragging());
        QCOMPARE(scene.log().releases, 1);
        // The left button still held now only hovers.
        pointer.Move(QPoint(240, 220));
        QCOMPARE(s->Top(), 188);
        pointer.Release(Qt::LeftButton, QPoint(240, 220));
        QCOMPARE(ups.calls.size(), 2);
        QCOMPARE(scene.log().releases, 1);
    }

    void cursorFollowsTheModeWhileDragging()
    {
        Scene scene;
        TSelShape* s = PlainShape(&scene.window, QRect(100, 100, 65, 65));
        QVERIFY(scene.Exposed());
        Pointer pointer(&scene.window);
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
        Scene scene;
        TSelShape* s = PlainShape(&scene.window, QRect(100, 100, 65, 65));
        QVERIFY(scene.Exposed());
        Pointer pointer(&scene.window);
        pointer.Hold(Qt::LeftButton, corner);
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
        Scene scene;
        TSelShape* s = PlainShape(&scene.window, QRect(100, 100, 65, 20));
        QVERIFY(scene.Exposed());
        Pointer pointer(&scene.window);
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
        Scene scene;
        TSelShape* s = PlainShape(&scene.window, QRect(100, 100, 65, 50));
        s->SetMaxBottom(maxBottom);
        QVERIFY(scene.Exposed());
        Pointer pointer(&scene.window);
        pointer.Drag(Qt::LeftButton, QPoint(130, 148), {QPoint(130, 149)});
        QCOMPARE(s->geometry(), QRect(100, 100, 65, height));
    }

    void bottomAndRightDragsCarryTheAnchorWithTheEdge()
    {
        Scene scene;
        TSelShape* s = PlainShape(&scene.window, QRect(100, 100, 65, 65));
        s->SetMaxRight(200);
        QVERIFY(scene.Exposed());
        Pointer pointer(&scene.window);
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
        QTest::addColumn<QRect>("moved");
        QTest::addColumn<QRect>("resized");
        // Shape (100, 100) 60 x 40 moved, then grown, 400 right and 400 down.
        QTest::newRow("minimum 0: the parent's client area")
            << 0 << QRect(420, 320, 60, 40) << QRect(100, 100, 380, 260);
        // The limit lies above the top: the bottom edge is pulled up to it.
        QTest::newRow("minimum -10: the limit 0 is in force")
            << -10 << QRect(-60, -40, 60, 40) << QRect(100, 100, 0, 0);
    }

    void zeroLimitStandsForTheParentsEdgeOnlyWhileTheMinimumIsNotNegative()
    {
        QFETCH(int, minimum);
        QFETCH(QRect, moved);
        QFETCH(QRect, resized);
        QWidget parent;
        parent.resize(480, 360);
        auto* s = new TSelShape(&parent);
        s->SetBounds(100, 100, 60, 40);
        s->SetMinTop(minimum);
        s->SetMinLeft(minimum);
        s->SetMaxBottom(0);
        s->SetMaxRight(0);
        s->SelChgMov(400, 400);
        QCOMPARE(s->geometry(), moved);

        // Resizing toward the same limits.
        s->SetBounds(100, 100, 60, 40);
        s->SelChgBot(400);
        s->SelChgRit(400);
        QCOMPARE(s->geometry(), resized);
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
        Scene scene;
        TSelShape* s = PlainShape(&scene.window, QRect(100, 100, 65, 65));
        s->SetSelOption(0);
        QVERIFY(scene.Exposed());
        Pointer pointer(&scene.window);
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
        QCOMPARE(scene.log().confinements.size(), 5);
        QCOMPARE(scene.log().releases, 5);
    }

    void pressWithoutAPrecedingMoveUsesTheLastMode()
    {
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
        Scene scene;
        HorizontalDivider(&scene.window);
        VerticalDivider(&scene.window)->SetBounds(237, 20, 7, 100);
        const QImage img = testing::Grab(&scene.window);
        const QRgb aqua = qRgb(0, 255, 255), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255);

        // Horizontal bar: rows 178 and 181 outline, rows 179-180 hatch.
        CHECKED(CheckOutline(img, QRect(0, 178, 480, 4), aqua));
        UNIFORM(img, QRect(0, 182, 480, 10), white);
        UNIFORM(img, QRect(0, 170, 237, 8), white);
        int blues = 0;
        CHECKED(CheckHatch(img, QRect(1, 179, 478, 2), &blues));
        QVERIFY(blues > 100);
        PIXEL_IS(img, 179, 179, blue);
        PIXEL_IS(img, 180, 180, blue);
        PIXEL_IS(img, 181, 179, white);

        // A 7-wide bar at an odd place: outline columns 237 and 243, hatch between.
        CHECKED(CheckOutline(img, QRect(237, 20, 7, 100), aqua));
        CHECKED(CheckHatch(img, QRect(238, 21, 5, 98), &blues));
        PIXEL_IS(img, 240, 120, white);
    }

    void penWidthAndStyleDecideTheRectangle_data()
    {
        // A 10 x 6 shape with a blue brush: where its outline and its fill go.
        QTest::addColumn<int>("penWidth");
        QTest::addColumn<bool>("clearPen");
        QTest::addColumn<QRect>("outline");  // one-pixel outline, or empty
        QTest::addColumn<QRect>("fill");
        QTest::newRow("width 0 draws a one-pixel outline") << 0 << false << QRect(0, 0, 10, 6) << QRect(1, 1, 8, 4);
        QTest::newRow("width 1") << 1 << false << QRect(0, 0, 10, 6) << QRect(1, 1, 8, 4);
        QTest::newRow("clear pen of width 1") << 1 << true << QRect() << QRect(0, 0, 9, 5);
        // x := 3 div 2 = 1, w := 10 - 3 + 1 = 8, h := 6 - 3 + 1 = 4: the
        // rectangle (1, 1, 9, 5), filled without its last column and row.
        QTest::newRow("clear pen of width 3") << 3 << true << QRect() << QRect(1, 1, 7, 3);
        QTest::newRow("clear pen of width 0") << 0 << true << QRect() << QRect(0, 0, 9, 5);
    }
    void penWidthAndStyleDecideTheRectangle()
    {
        QFETCH(int, penWidth);
        QFETCH(bool, clearPen);
        QFETCH(QRect, outline);
        QFETCH(QRect, fill);
        Scene scene;
        TSelShape* s = PlainShape(&scene.window, QRect(10, 10, 10, 6));
        s->Pen()->SetWidth(penWidth);
        if (clearPen) s->Pen()->SetStyle(TPen::psClear);
        s->Brush()->SetStyle(TBrush::bsSolid);
        s->Brush()->SetColor(clBlue);
        const QImage img = testing::Grab(&scene.window).copy(10, 10, 10, 6);
        QImage expected(10, 6, QImage::Format_RGB32);
        expected.fill(qRgb(255, 255, 255));
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x) {
                const QPoint p(x, y);
                if (fill.contains(p))
                    expected.setPixel(p, qRgb(0, 0, 255));
                else if (outline.contains(p))
                    expected.setPixel(p, qRgb(0, 0, 0));
            }
        SAME_IMAGE(img, expected);
    }

    void newShapeIsJustAnOutline()
    {
        Scene scene;
        PlainShape(&scene.window, QRect(10, 10, 65, 65));
        const QImage img = testing::Grab(&scene.window);
        CHECKED(CheckOutline(img, QRect(10, 10, 65, 65), qRgb(0, 0, 0)));
        UNIFORM(img, QRect(11, 11, 63, 63), qRgb(255, 255, 255));
    }

    void confinementIsTheParentsClientOriginWithItsOuterSize()
    {
        Scene scene;
        TSelShape* s = HorizontalDivider(&scene.window);
        QVERIFY(scene.Exposed());
        Pointer pointer(&scene.window);
        pointer.Hold(Qt::LeftButton, QPoint(240, 180));
        QCOMPARE(scene.log().confinements.size(), 1);
        // Client origin on the screen, outer size: past the client area on
        // the right and at the bottom by the frame.
        const QRect expected(scene.window.geometry().topLeft(), scene.window.frameGeometry().size());
        QCOMPARE(scene.log().confinements[0], expected);
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            // Moved to (50, 60) with the offscreen platform's 2-pixel frame.
            QCOMPARE(scene.log().confinements[0], QRect(52, 62, 484, 364));
        }
        pointer.Release(Qt::LeftButton, QPoint(240, 180));
        QVERIFY(!s->Dragging());
    }

    void confinementIsOnlyTheOneHandedIn()
    {
        Scene scene;
        TSelShape* s = HorizontalDivider(&scene.window);
        QVERIFY(s->PointerConfinement() == scene.scripted.services.pointer.get());
        QVERIFY(scene.Exposed());
        Pointer pointer(&scene.window);
        // Taken away in the middle of a drag: released at once; the drag goes on.
        pointer.Hold(Qt::LeftButton, QPoint(240, 180));
        QCOMPARE(scene.log().confinements.size(), 1);
        s->SetPointerConfinement(nullptr);
        QCOMPARE(scene.log().releases, 1);
        QVERIFY(s->Dragging());
        pointer.Move(QPoint(240, 200));
        pointer.Release(Qt::LeftButton, QPoint(240, 200));
        QCOMPARE(s->Top(), 198);
        QCOMPARE(scene.log().releases, 1);
        // A shape without one drags all the same and confines nothing.
        pointer.Drag(Qt::LeftButton, QPoint(240, 200), {QPoint(240, 220)});
        QCOMPARE(s->Top(), 218);
        QCOMPARE(scene.log().confinements.size(), 1);
        QCOMPARE(scene.log().releases, 1);
    }

    void confinementInsideAChildParentUsesItsSize()
    {
        Scene scene;
        auto* panel = new QWidget(&scene.window);
        panel->setGeometry(40, 30, 300, 200);
        panel->show();
        TSelShape* s = PlainShape(panel, QRect(10, 10, 65, 65));
        QVERIFY(scene.Exposed());
        Pointer pointer(&scene.window);
        pointer.Hold(Qt::LeftButton, QPoint(80, 70));
        QCOMPARE(scene.log().confinements.size(), 1);
        QCOMPARE(scene.log().confinements[0],
                 QRect(scene.window.geometry().topLeft() + QPoint(40, 30), QSize(300, 200)));
        // The parent's client area is the limit here, not the window's.
        pointer.Move(QPoint(400, 300));
        QCOMPARE(s->geometry(), QRect(235, 135, 65, 65));
        pointer.Release(Qt::LeftButton, QPoint(400, 300));
    }
};

YOTSUMADO_TEST_MAIN(TestSelShape)
#include "tst_selshape.moc"
