// The main window as first shown, its menu and shortcuts, the dividers and
// the grid layout they drive, and the error box.

#include "appfixture.h"
#include "error.h"
#include "mainlayout.h"
#include "shadowlabel.h"
#include "shape.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

using testing::Window;

namespace {
constexpr QRgb kWhite = 0xffffff;
constexpr QRgb kPink = 0xffe1ff;
constexpr QRgb kBlue = 0x0000ff;
constexpr QRgb kAqua = 0x00ffff;
constexpr QRgb kSilver = 0xc0c0c0;

QRgb Rgb(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xffffffu; }

QWidget* Child(TMainForm1* f, const char* name)
{
    return f->findChild<QWidget*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void windowIsFixedStayOnTopToolWindow()
    {
        Window w;
        TMainForm1* f = w.form.get();
        QVERIFY(f->windowFlags() & Qt::Tool);
        QVERIFY(f->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(f->size(), QSize(480, 360));
        QCOMPARE(f->minimumSize(), QSize(480, 360));
        QCOMPARE(f->maximumSize(), QSize(480, 360));
        QCOMPARE(f->pos(), QPoint(20, 20));
        QCOMPARE(f->windowTitle(), QStringLiteral("ヨツマド - (右クリックでポップアップメニュー)"));
        QVERIFY(f->acceptDrops());
        QVERIFY(f->CurrentPanelTag().isEmpty());
        QCOMPARE(f->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(f->font().pixelSize(), 12);
    }

    void controlsHaveStoredGeometryAndStacking_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("bounds");
        QTest::addColumn<bool>("visible");
        QTest::newRow("Shape1") << "Shape1" << QRect(0, 0, 240, 180) << true;
        QTest::newRow("Shape2") << "Shape2" << QRect(240, 0, 240, 180) << true;
        QTest::newRow("Shape3") << "Shape3" << QRect(0, 180, 240, 180) << true;
        QTest::newRow("Shape4") << "Shape4" << QRect(240, 180, 240, 180) << true;
        QTest::newRow("Image1") << "Image1" << QRect(0, 0, 240, 180) << true;
        QTest::newRow("Image2") << "Image2" << QRect(240, 0, 240, 180) << true;
        QTest::newRow("Image3") << "Image3" << QRect(0, 180, 240, 180) << true;
        QTest::newRow("Image4") << "Image4" << QRect(240, 180, 240, 180) << true;
        QTest::newRow("Image0") << "Image0" << QRect(400, 0, 480, 360) << false;
        QTest::newRow("SelShape1") << "SelShape1" << QRect(0, 178, 480, 4) << true;
        QTest::newRow("SelShape2") << "SelShape2" << QRect(238, 0, 4, 360) << true;
        QTest::newRow("Button1") << "Button1" << QRect(36, 276, 75, 25) << false;
    }
    void controlsHaveStoredGeometryAndStacking()
    {
        QFETCH(QString, name);
        QFETCH(QRect, bounds);
        QFETCH(bool, visible);
        Window w;
        QWidget* c = Child(w.form.get(), name.toLatin1().constData());
        QVERIFY(c);
        QCOMPARE(c->geometry(), bounds);
        QCOMPARE(c->isVisible(), visible);
    }

    void stackingFollowsTheLayoutOrder()
    {
        Window w;
        QStringList order;
        for (QObject* o : w.form->children())
            if (auto* widget = qobject_cast<QWidget*>(o); widget && !widget->isWindow())
                order << widget->objectName();
        QCOMPARE(order, (QStringList{"Shape1", "Shape2", "Shape3", "Shape4", "Image1", "Image2", "Image3",
                                     "Image4", "Image0", "Label1", "Label2", "Label3", "Label4", "SelShape1",
                                     "SelShape2", "Button1"}));
    }

    void markersAndDividersCarryTheirStoredSettings()
    {
        Window w;
        TMainForm1* f = w.form.get();
        const QStringList captions{"①", "②", "③", "④"};
        const QPoint places[4] = {{4, 4}, {244, 4}, {4, 184}, {244, 184}};
        TShadowLabel* labels[4] = {f->Label1, f->Label2, f->Label3, f->Label4};
        for (int i = 0; i < 4; ++i) {
            TShadowLabel* l = labels[i];
            QCOMPARE(l->pos(), places[i]);
            QCOMPARE(l->Caption(), captions[i]);
            QCOMPARE(l->Font()->Name(), QStringLiteral("ＭＳ Ｐゴシック"));
            QCOMPARE(l->Font()->Height(), -21);
            QCOMPARE(l->Font()->Style(), int(TFont::fsBold));
            QCOMPARE(l->Font()->Color(), clWhite);
            QVERIFY(l->Transparent());
            QVERIFY(!l->Highlight()->Visible());
            QCOMPARE(l->Highlight()->OffsetLeft(), -1);
            QVERIFY(l->Shadow()->Visible());
            QCOMPARE(l->Shadow()->Color(), clSilver);
            QCOMPARE(l->Shadow()->OffsetLeft(), 1);
            QCOMPARE(l->Shadow()->OffsetTop(), 1);
            QVERIFY(l->isVisible());
        }
        struct Expect { TSelShape* s; int minTop, minLeft, maxBottom, maxRight, option; TCursor cursor; };
        for (const Expect& e : {Expect{f->SelShape1, 60, 0, 300, 0, 8, crVSplit}, Expect{f->SelShape2, 0, 60, 0, 420, 4, crHSplit}}) {
            QCOMPARE(e.s->SizeSense(), 5);
            QCOMPARE(e.s->MinWidth(), 5);
            QCOMPARE(e.s->MinHeight(), 5);
            QCOMPARE(e.s->MinTop(), e.minTop);
            QCOMPARE(e.s->MinLeft(), e.minLeft);
            QCOMPARE(e.s->MaxBottom(), e.maxBottom);
            QCOMPARE(e.s->MaxRight(), e.maxRight);
            QCOMPARE(e.s->property("SelOption").toInt(), e.option);
            QCOMPARE(e.s->Cursor(), e.cursor);
            QCOMPARE(e.s->Brush()->Color(), clBlue);
            QCOMPARE(e.s->Brush()->Style(), TBrush::bsFDiagonal);
            QCOMPARE(e.s->Pen()->Color(), clAqua);
        }
        QCOMPARE(f->Button1->text(), QStringLiteral("Button1"));
    }

    void popupMenuHasEveryItemAsStored()
    {
        Window w;
        TMainForm1* f = w.form.get();
        struct Item { QAction* a; const char* caption; QKeySequence key; bool checked; };
        const Item items[] = {
            {f->Save1, "保存(&S)...", QKeySequence("Ctrl+S"), false},
            {f->M1, "メール送信(&M)...", QKeySequence("Ctrl+M"), false},
            {f->N2, "数字/英語の割り振り(&N)", {}, false},
            {f->N6, "白い数字(&W)", QKeySequence("Shift+F1"), true},
            {f->N7, "黒い数字(&B)", QKeySequence("Shift+F2"), false},
            {f->N10, "白い英語(&H)", QKeySequence("Ctrl+F1"), false},
            {f->N11, "黒い英語(&L)", QKeySequence("Ctrl+F2"), false},
            {f->N8, "数字/英語なし(&N)", QKeySequence("Ins"), false},
            {f->D1, "ぜんぶ消去(&D)", QKeySequence("Del"), false},
            {f->N4, "インフォメーション(&I)...", {}, false},
        };
        for (const Item& i : items) {
            QCOMPARE(i.a->text(), QString::fromUtf8(i.caption));
            QCOMPARE(i.a->shortcut(), i.key);
            QCOMPARE(i.a->isChecked(), i.checked);
        }
        const QList<QAction*> top = f->PopupMenu1->actions();
        QCOMPARE(top, (QList<QAction*>{f->Save1, f->M1, f->N1, f->N2, f->D1, f->N3, f->N4}));
        QVERIFY(f->N1->isSeparator() && f->N3->isSeparator() && f->N9->isSeparator());
        QVERIFY(f->N2->menu());
        QCOMPARE(f->N2->menu()->actions(), (QList<QAction*>{f->N6, f->N7, f->N10, f->N11, f->N9, f->N8}));
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

    void storedLayoutOmitsNothingItNeeds()
    {
        // Every control of the layout is created, and a value the layout
        // omits keeps the constructor's value (the markers' shadow).
        const TFormLayout& layout = MainForm1Layout();
        QCOMPARE(layout.Controls.size(), 16);
        for (const TControlLayout& c : layout.Controls)
            for (const TStoredValue& v : c.Values)
                QVERIFY2(!QByteArray(v.Name).startsWith("Shadow."), c.Name);
    }
};

YOTSUMADO_APP_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
