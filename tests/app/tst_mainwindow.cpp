// The main window as first shown, its menu and shortcuts, the dividers and
// the grid layout they drive, and the error box.

#include "app/mainlayout.h"
#include "appfixture.h"
#include "controls/base/shape.h"
#include "controls/shadolbl/shadowlabel.h"
#include "core/error.h"

#include <QAction>
#include <QMenu>
#include <QMetaProperty>
#include <QPushButton>

using namespace yotsumado;

using testing::Window;

namespace {
constexpr QRgb kWhite = 0xffffff;
constexpr QRgb kPink = 0xffe1ff;
constexpr QRgb kBlue = 0x0000ff;
constexpr QRgb kAqua = 0x00ffff;
constexpr QRgb kSilver = 0xc0c0c0;

QRgb Rgb(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xffffffu; }

// A published value read back the way the layout writes it ("Font.Height"
// through the Font object), compared in the layout's own terms: enumeration
// keys by name, colours and numbers as integers. Empty when it matches.
QString StoredValueFault(QObject* control, const TStoredValue& stored)
{
    QObject* object = control;
    QByteArray path(stored.Name);
    for (qsizetype dot; (dot = path.indexOf('.')) >= 0; path = path.mid(dot + 1)) {
        object = object->property(path.left(dot).constData()).value<QObject*>();
        if (!object)
            return QStringLiteral("no object property %1").arg(QLatin1String(path.left(dot)));
    }
    const QMetaObject* mo = object->metaObject();
    const int index = mo->indexOfProperty(path.constData());
    if (index < 0)
        return QStringLiteral("no property");
    const QMetaProperty prop = mo->property(index);
    const QVariant actual = prop.read(object);
    QVariant want = stored.Value;
    if (prop.isEnumType() && want.metaType().id() == QMetaType::QString) {
        bool ok = false;
        want = prop.enumerator().keyToValue(want.toString().toLatin1().constData(), &ok);
        if (!ok)
            return QStringLiteral("%1 is no key of %2").arg(stored.Value.toString(), QLatin1String(prop.enumerator().name()));
    }
    bool same;
    if (want.metaType().id() == QMetaType::Bool)
        same = actual.toBool() == want.toBool();
    else if (want.metaType().id() == QMetaType::Int || prop.isEnumType())
        same = actual.toInt() == want.toInt();
    else
        same = actual == want;
    return same ? QString()
                : QStringLiteral("is %1, the layout says %2").arg(actual.toString(), stored.Value.toString());
}

// What a push button reports for the few values a layout gives it.
QString ButtonValueFault(QWidget* form, QPushButton* button, const TStoredValue& stored)
{
    const QByteArray name(stored.Name);
    if (name == "Caption")
        return button->text() == stored.Value.toString() ? QString() : QStringLiteral("is %1").arg(button->text());
    if (name == "Visible")
        return button->isVisibleTo(form) == stored.Value.toBool() ? QString() : QStringLiteral("differs");
    if (name == "TabOrder") {
        // Its place among the controls that take focus, in the tab chain.
        int place = 0;
        for (QWidget* wdg = form->nextInFocusChain(); wdg != form; wdg = wdg->nextInFocusChain()) {
            if (wdg == button)
                return place == stored.Value.toInt() ? QString() : QStringLiteral("is %1").arg(place);
            if (wdg->focusPolicy() & Qt::TabFocus)
                ++place;
        }
        return QStringLiteral("not in the tab chain");
    }
    return QStringLiteral("unknown to the check");
}

const QMetaObject* ClassOf(TControlKind kind)
{
    switch (kind) {
    case TControlKind::Shape: return &TShape::staticMetaObject;
    case TControlKind::Image: return &TImage::staticMetaObject;
    case TControlKind::ShadowLabel: return &TShadowLabel::staticMetaObject;
    case TControlKind::SelShape: return &TSelShape::staticMetaObject;
    case TControlKind::PushButton: return &QPushButton::staticMetaObject;
    }
    return nullptr;
}

// Every difference between a built form and the layout it was built from.
QStringList LayoutFaults(QWidget* form, const TFormLayout& layout)
{
    QStringList faults;
    const auto fault = [&faults](const QString& where, const QString& what) {
        if (!what.isEmpty())
            faults << where + QStringLiteral(": ") + what;
    };
    fault(QStringLiteral("Caption"), form->windowTitle() == layout.Caption ? QString() : form->windowTitle());
    fault(QStringLiteral("Position"), form->pos() == layout.Position ? QString() : QStringLiteral("differs"));
    fault(QStringLiteral("ClientSize"),
          form->size() == layout.ClientSize && form->minimumSize() == layout.ClientSize
                  && form->maximumSize() == layout.ClientSize
              ? QString()
              : QStringLiteral("not a fixed %1 x %2").arg(layout.ClientSize.width()).arg(layout.ClientSize.height()));
    fault(QStringLiteral("Color"),
          form->palette().color(QPalette::Window).rgb() == ToQColor(layout.Color).rgb() ? QString()
                                                                                        : QStringLiteral("differs"));
    fault(QStringLiteral("Font"),
          form->font().family() == layout.FontName && form->font().pixelSize() == -layout.FontHeight
              ? QString()
              : form->font().toString());

    // Controls: each one of its kind, in the layout's stacking order, with
    // its bounds and every value the layout lists.
    QStringList order;
    for (QObject* o : form->children())
        if (auto* widget = qobject_cast<QWidget*>(o); widget && !widget->isWindow())
            order << widget->objectName();
    QStringList described;
    for (const TControlLayout& c : layout.Controls) {
        const QString name = QLatin1String(c.Name);
        described << name;
        auto* control = form->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
        if (!control) {
            fault(name, QStringLiteral("missing"));
            continue;
        }
        fault(name, control->metaObject() == ClassOf(c.Kind)
                        ? QString()
                        : QStringLiteral("is a %1").arg(QLatin1String(control->metaObject()->className())));
        // A label that sizes itself to its text keeps only the position.
        const bool autoSize = control->property("AutoSize").toBool();
        const bool placed = autoSize ? control->pos() == c.Bounds.topLeft() : control->geometry() == c.Bounds;
        fault(name + QStringLiteral(" bounds"),
              placed ? QString()
                     : QStringLiteral("are %1, %2, %3 x %4")
                           .arg(control->x()).arg(control->y()).arg(control->width()).arg(control->height()));
        for (const TStoredValue& v : c.Values) {
            auto* button = qobject_cast<QPushButton*>(control);
            fault(name + QLatin1Char('.') + QLatin1String(v.Name),
                  button ? ButtonValueFault(form, button, v) : StoredValueFault(control, v));
        }
    }
    fault(QStringLiteral("stacking order"),
          order == described ? QString() : order.join(QLatin1Char(' ')));

    // Menu: each item in its menu, in the layout's order, as described.
    QMenu* popup = PopupMenuOf(form, layout.PopupMenu);
    if (!popup)
        return faults << QStringLiteral("no popup menu %1").arg(QLatin1String(layout.PopupMenu));
    QHash<QByteArray, QList<QAction*>> menus;  // parent item name -> its items, in the layout's order
    for (const TMenuItemLayout& item : layout.MenuItems) {
        const QString name = QLatin1String(item.Name);
        auto* action = form->findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
        if (!action) {
            fault(name, QStringLiteral("missing"));
            continue;
        }
        menus[QByteArray(item.Parent ? item.Parent : "")].append(action);
        if (item.Caption == QLatin1String("-")) {
            fault(name, action->isSeparator() ? QString() : QStringLiteral("not a separator"));
            continue;
        }
        fault(name + QStringLiteral(" caption"), action->text() == item.Caption ? QString() : action->text());
        fault(name + QStringLiteral(" shortcut"),
              action->shortcut() == item.ShortCut ? QString() : action->shortcut().toString());
        fault(name + QStringLiteral(" checkable"),
              action->isCheckable() == item.Checkable ? QString() : QStringLiteral("differs"));
        fault(name + QStringLiteral(" checked"), action->isChecked() == item.Checked ? QString() : QStringLiteral("differs"));
    }
    for (auto it = menus.cbegin(); it != menus.cend(); ++it) {
        QMenu* menu = popup;
        if (!it.key().isEmpty()) {
            auto* owner = form->findChild<QAction*>(QLatin1String(it.key()), Qt::FindDirectChildrenOnly);
            menu = owner ? owner->menu() : nullptr;
        }
        fault(QStringLiteral("items of %1").arg(it.key().isEmpty() ? QStringLiteral("the popup menu") : QLatin1String(it.key())),
              menu && menu->actions() == it.value() ? QString() : QStringLiteral("differ from the layout's order"));
    }
    return faults;
}

} // namespace

Q_DECLARE_METATYPE(platform::MailOutcome)

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    // What the window opens (the mail program, the browser) comes up above
    // it: the window gives up staying on top, in place, until activated again.
    void onTopIsGivenUpForWhatTheWindowOpens_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<platform::MailOutcome>("mailResult");
        QTest::addColumn<bool>("givenUp");
        using O = platform::MailOutcome;
        QTest::newRow("information page") << "N4" << O::Accepted << true;
        QTest::newRow("mail handed over") << "M1" << O::Accepted << true;
        QTest::newRow("mail refused: its box belongs on top") << "M1" << O::DropsAttachments << false;
    }
    void onTopIsGivenUpForWhatTheWindowOpens()
    {
        QFETCH(QString, item);
        QFETCH(platform::MailOutcome, mailResult);
        QFETCH(bool, givenUp);
        Window w;
        QWindow* const handle = w.Win();
        QVERIFY(w.form->windowFlags().testFlag(Qt::Tool) && handle->flags().testFlag(Qt::WindowStaysOnTopHint));
        w.platform.script.mailResults.push_back(mailResult);
        w.form->findChild<QAction*>(item)->trigger();
        QVERIFY(w.Win() == handle && w.form->isVisible());
        QCOMPARE(w.Win()->flags().testFlag(Qt::WindowStaysOnTopHint), !givenUp);
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(w.form.get(), &activate);
        QVERIFY(w.Win()->flags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void builtWindowReportsEverythingItsLayoutDescribes()
    {
        // The layout reader against the layout's own description: whatever
        // the description lists, the built window must report. (What the
        // values look like and do is checked by the pixel and drag tests.)
        Window w;
        const QStringList faults = LayoutFaults(w.form.get(), MainForm1Layout());
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    void shortcutsActWhileTheMenuIsClosed_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("checked");
        QTest::newRow("Ctrl+F1") << int(Qt::Key_F1) << int(Qt::ControlModifier) << "N10";
        QTest::newRow("Ctrl+F2") << int(Qt::Key_F2) << int(Qt::ControlModifier) << "N11";
        QTest::newRow("Shift+F2") << int(Qt::Key_F2) << int(Qt::ShiftModifier) << "N7";
        QTest::newRow("Ins") << int(Qt::Key_Insert) << 0 << "N8";
    }
    void shortcutsActWhileTheMenuIsClosed()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, checked);
        Window w;
        w.form->activateWindow();
        QTest::keyClick(w.form.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        for (const char* name : {"N6", "N7", "N10", "N11", "N8"}) {
            auto* a = w.form->findChild<QAction*>(QLatin1String(name));
            QCOMPARE(a->isChecked(), checked == QLatin1String(name));
        }
        // Shift+F1 brings the start state back.
        QTest::keyClick(w.form.get(), Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(w.form->N6->isChecked());
        QVERIFY(!w.form->findChild<QAction*>(checked)->isChecked());
    }

    void firstShownWindowIsACheckerboardWithDividersAndMarkers()
    {
        Window w;
        const QImage img = w.Shot();
        // Panels 1 and 4 white, 2 and 3 pale pink (away from dividers and markers).
        UNIFORM(img, QRect(40, 40, 190, 130), kWhite);
        UNIFORM(img, QRect(280, 40, 190, 130), kPink);
        UNIFORM(img, QRect(40, 220, 190, 130), kPink);
        UNIFORM(img, QRect(280, 220, 190, 130), kWhite);
        // A pen-less rectangle leaves its last column and row: the white
        // window shows along the pale-pink panels' right and bottom edges.
        UNIFORM(img, QRect(479, 0, 1, 178), kWhite);
        UNIFORM(img, QRect(478, 0, 1, 178), kPink);
        UNIFORM(img, QRect(0, 359, 238, 1), kWhite);
        UNIFORM(img, QRect(0, 358, 238, 1), kPink);
        // The dividers: one-pixel aqua outline, blue forward-diagonal hatch
        // inside, with the panels showing between the hatch lines.
        UNIFORM(img, QRect(0, 178, 238, 1), kAqua);
        UNIFORM(img, QRect(0, 181, 238, 1), kAqua);
        UNIFORM(img, QRect(238, 0, 1, 178), kAqua);
        UNIFORM(img, QRect(241, 0, 1, 178), kAqua);
        int blue = 0, other = 0;
        for (int x = 1; x < 237; ++x)
            for (int y = 179; y <= 180; ++y)
                (Rgb(img, x, y) == kBlue ? blue : other)++;
        QVERIFY2(blue > 40 && other > 200, qPrintable(QStringLiteral("%1 blue, %2 other").arg(blue).arg(other)));
        for (int x = 1; x < 237; ++x)
            for (int y = 179; y <= 180; ++y)
                QVERIFY(Rgb(img, x, y) == kBlue || Rgb(img, x, y) == kWhite || Rgb(img, x, y) == kPink);
        // The vertical divider is above the horizontal one where they cross.
        PIXEL_IS(img, 238, 179, kAqua);
        // Marker 2 on pale pink: white text over a silver shadow one pixel
        // right and down.
        int white = 0, silver = 0;
        const QRect marker = w.form->Label2->geometry();
        // The shadow of the label's last column and row falls outside it and
        // is clipped away, as every control's painting is.
        for (int y = marker.top(); y < marker.bottom(); ++y) {
            for (int x = marker.left(); x < marker.right(); ++x) {
                const QRgb c = Rgb(img, x, y);
                if (c == kSilver) ++silver;
                if (c == kWhite) {
                    ++white;
                    const QRgb below = Rgb(img, x + 1, y + 1);
                    QVERIFY2(below == kWhite || below == kSilver,
                             qPrintable(QStringLiteral("no shadow under text at (%1, %2)").arg(x).arg(y)));
                }
            }
        }
        QVERIFY2(white > 20 && silver > 10, qPrintable(QStringLiteral("%1 white, %2 silver").arg(white).arg(silver)));
    }

    void dividerDragsStayWithinLimits_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("target");      // where the pointer is dragged to
        QTest::addColumn<int>("edge");        // the divider's resulting left/top
        QTest::newRow("vertical far left") << true << 5 << 60;
        QTest::newRow("vertical far right") << true << 475 << 416;
        QTest::newRow("vertical middle") << true << 301 << 300;
        QTest::newRow("horizontal top") << false << 3 << 60;
        QTest::newRow("horizontal bottom") << false << 355 << 296;
        QTest::newRow("horizontal middle") << false << 101 << 100;
    }
    void dividerDragsStayWithinLimits()
    {
        QFETCH(bool, vertical);
        QFETCH(int, target);
        QFETCH(int, edge);
        Window w;
        TMainForm1* f = w.form.get();
        if (vertical) {
            w.Drag(QPoint(239, 100), QPoint(target, 140));
            QCOMPARE(f->SelShape2->Left(), edge);
            QCOMPARE(f->SelShape2->Top(), 0);
            QCOMPARE(f->SelShape2->size(), QSize(4, 360));
            QCOMPARE(f->Shape1->geometry(), QRect(0, 0, edge + 2, 180));
            QCOMPARE(f->Shape2->geometry(), QRect(edge + 2, 0, 478 - edge, 180));
            QCOMPARE(f->Image3->geometry(), QRect(0, 180, edge + 2, 180));
            QCOMPARE(f->Image4->geometry(), QRect(edge + 2, 180, 478 - edge, 180));
            QCOMPARE(f->Label2->pos(), QPoint(edge + 6, 4));
            QCOMPARE(f->Label4->pos(), QPoint(edge + 6, 184));
            QCOMPARE(f->Label3->pos(), QPoint(4, 184));
        } else {
            w.Drag(QPoint(100, 179), QPoint(130, target));
            QCOMPARE(f->SelShape1->Top(), edge);
            QCOMPARE(f->SelShape1->Left(), 0);
            QCOMPARE(f->Shape1->geometry(), QRect(0, 0, 240, edge + 2));
            QCOMPARE(f->Shape3->geometry(), QRect(0, edge + 2, 240, 358 - edge));
            QCOMPARE(f->Image2->geometry(), QRect(240, 0, 240, edge + 2));
            QCOMPARE(f->Shape4->geometry(), QRect(240, edge + 2, 240, 358 - edge));
            QCOMPARE(f->Label3->pos(), QPoint(4, edge + 6));
            QCOMPARE(f->Label4->pos(), QPoint(244, edge + 6));
            QCOMPARE(f->Label2->pos(), QPoint(244, 4));
        }
        QCOMPARE(f->Label1->pos(), QPoint(4, 4));
        // The columns add up to 480 and the rows to 360.
        QCOMPARE(f->Shape1->width() + f->Shape2->width(), 480);
        QCOMPARE(f->Shape1->height() + f->Shape3->height(), 360);
    }

    void panelsChangeOnlyOnRelease()
    {
        Window w;
        TMainForm1* f = w.form.get();
        w.MoveTo(QPoint(239, 100));
        w.Press(QPoint(239, 100));
        w.MoveHeld(QPoint(200, 100));
        w.MoveHeld(QPoint(150, 100));
        QCOMPARE(f->SelShape2->Left(), 149);
        QCOMPARE(f->Shape1->width(), 240);  // not yet
        w.Release(QPoint(150, 100));
        QCOMPARE(f->Shape1->width(), 151);
        QCOMPARE(f->Image2->geometry(), QRect(151, 0, 329, 180));
    }

    void rightButtonPressReleaseOnADividerRelaysOut()
    {
        Window w;
        TMainForm1* f = w.form.get();
        // Move the divider's bounds behind the layout's back, then let a
        // right click on it run the layout routine.
        f->SelShape2->SetLeft(100);
        QCOMPARE(f->Shape1->width(), 240);
        w.MoveTo(QPoint(101, 50));
        w.Click(QPoint(101, 50), Qt::RightButton);
        QCOMPARE(f->Shape1->width(), 102);
        QCOMPARE(f->Label2->pos(), QPoint(106, 4));
        f->PopupMenu1->close();
    }

    void rightClickOpensTheMenuOverAnyControl_data()
    {
        QTest::addColumn<QPoint>("where");
        QTest::newRow("picture") << QPoint(100, 100);
        QTest::newRow("marker") << QPoint(250, 10);
        QTest::newRow("divider") << QPoint(300, 179);
        QTest::newRow("pink edge line") << QPoint(479, 50);
    }
    void rightClickOpensTheMenuOverAnyControl()
    {
        QFETCH(QPoint, where);
        Window w;
        QVERIFY(!w.form->PopupMenu1->isVisible());
        w.MoveTo(where);
        w.Click(where, Qt::RightButton);
        QTRY_VERIFY(w.form->PopupMenu1->isVisible());
        w.form->PopupMenu1->close();
    }

    void errorBoxAppendsAPeriodAfterCharactersThatSortAfterIt_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("japanese") << "ファイル /a.jpg は開けません" << "ファイル /a.jpg は開けません.";
        QTest::newRow("ends with period") << "done." << "done.";
        QTest::newRow("ends with comma") << "a," << "a,";
        QTest::newRow("ends with letter") << "JPEG エラー #52" << "JPEG エラー #52.";
        QTest::newRow("empty") << "" << "";
    }
    void errorBoxAppendsAPeriodAfterCharactersThatSortAfterIt()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(ErrorBoxText(message), shown);
    }

    void anErrorInAHandlerReachesTheErrorBoxAndTheWindowKeepsRunning()
    {
        Window w;
        TGraphicControl* image = w.form->Image1;
        image->OnClick = [](QObject*) { throw EFOpenError(QStringLiteral("ファイル x は開けません")); };
        image->OnMouseDown = [](QObject*, TMouseButton, TShiftState, int, int) { throw EAbort(); };
        w.Click(QPoint(60, 60));  // silent abort
        QVERIFY(w.Errors().isEmpty());
        TImage* img = w.form->Image1;
        QMetaObject::invokeMethod(w.form.get(), [img] { img->OnClick(img); }, Qt::QueuedConnection);
        QTRY_COMPARE(w.Errors(), QStringList{QStringLiteral("ファイル x は開けません.")});
        QCOMPARE(w.platform.log.boxes.value(0).caption, QStringLiteral("ヨツマド"));
        QVERIFY(w.form->isVisible());
    }
};

YOTSUMADO_APP_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
