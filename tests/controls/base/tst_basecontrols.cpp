// The base controls, and the rules every published property of every
// control keeps.
#include "controls/base/image.h"
#include "controls/base/shape.h"
#include "controls/base/storedform.h"
#include "controls/selshape/selshape.h"
#include "controls/shadolbl/shadowlabel.h"
#include "controls/shinespdbtn/shinespeedbutton.h"
#include "core/error.h"
#include "support/pixels.h"
#include "support/testmain.h"

#include <QPainter>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

using namespace yotsumado;

namespace {

using MakeObject = std::function<QObject*(QWidget* window)>;

template <typename T>
QObject* Make(QWidget* window)
{
    auto* o = new T;
    o->setParent(window);
    return o;
}

// The properties a stored form sees: those of the controls' own classes.
QList<QMetaProperty> Published(const QObject* o)
{
    const int first = (o->isWidgetType() ? QWidget::staticMetaObject : QObject::staticMetaObject).propertyCount();
    QList<QMetaProperty> out;
    for (int i = first; i < o->metaObject()->propertyCount(); ++i) out << o->metaObject()->property(i);
    return out;
}

// Writes every published value back unchanged, an owned object through its
// own values, spying on each notify signal on the way.
void RewriteValues(QObject* o, std::vector<std::unique_ptr<QSignalSpy>>& spies)
{
    for (const QMetaProperty& p : Published(o)) {
        const QVariant v = p.read(o);
        if (v.metaType().flags() & QMetaType::PointerToQObject) {
            if (QObject* owned = v.value<QObject*>()) RewriteValues(owned, spies);
        } else if (p.isWritable()) {
            if (p.hasNotifySignal()) spies.push_back(std::make_unique<QSignalSpy>(o, p.notifySignal()));
            QVERIFY2(p.write(o, v), p.name());
        }
    }
}

struct PaintCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override { count += e->type() == QEvent::Paint; return false; }
};

} // namespace

Q_DECLARE_METATYPE(MakeObject)

class TestBaseControls : public QObject {
    Q_OBJECT
private slots:
    void publishedDefaultsAreConstructedAndRewritingAValueDoesNothing_data()
    {
        QTest::addColumn<MakeObject>("make");
        QTest::addColumn<QVariantList>("then");  // property, value, ...: written after the defaults are checked
        // TLabel and TShape are here as the classes derived from them.
        QTest::newRow("TImage") << MakeObject(Make<TImage>) << QVariantList();
        QTest::newRow("TSelShape") << MakeObject(Make<TSelShape>) << QVariantList();
        QTest::newRow("TShadowLabel") << MakeObject(Make<TShadowLabel>) << QVariantList();
        QTest::newRow("TShadowLabel, three-colour text") << MakeObject(Make<TShadowLabel>)
                                                         << QVariantList{"TextGradation", int(TShadowLabel::tg3Colors)};
        QTest::newRow("TShadow") << MakeObject(Make<TShadow>) << QVariantList();
        QTest::newRow("TShineBtnColors") << MakeObject(Make<TShineBtnColors>) << QVariantList();
        QTest::newRow("TShineSpeedButton") << MakeObject(Make<TShineSpeedButton>) << QVariantList();
        QTest::newRow("TShineSpeedButton, down with a glyph")
            << MakeObject(Make<TShineSpeedButton>)
            << QVariantList{"GroupIndex", 1, "Down", true, "Glyph", QImage(16, 16, QImage::Format_RGB888)};
    }
    void publishedDefaultsAreConstructedAndRewritingAValueDoesNothing()
    {
        QFETCH(MakeObject, make);
        QFETCH(QVariantList, then);
        QWidget window;
        window.resize(200, 100);
        QObject* object = make(&window);
        // A stored form leaves out a value equal to its declared default.
        QStringList listed;
        for (const auto& [name, value] : StoredValues(object)) listed << name;
        for (const QMetaProperty& p : Published(object)) {
            QVariant declared;
            if (DeclaredDefault(object, p.name(), &declared))
                QVERIFY2(!listed.contains(QLatin1String(p.name())), p.name());
        }
        for (qsizetype i = 0; i + 1 < then.size(); i += 2)
            QVERIFY(object->setProperty(then[i].toByteArray().constData(), then[i + 1]));
        auto* control = qobject_cast<QWidget*>(object);
        if (!control) return;
        QCursor::setPos(QPoint(900, 700));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(20);
        PaintCounter paints;
        control->installEventFilter(&paints);
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        RewriteValues(control, spies);
        QTest::qWait(20);
        QCOMPARE(paints.count, 0);
        for (const auto& spy : spies) QCOMPARE(spy->count(), 0);
        control->update();  // the counter sees a repaint when there is one
        QTRY_VERIFY(paints.count > 0);
    }

    void penlessRectangleLeavesLastRowAndColumn()
    {
        QWidget parent;
        parent.resize(40, 30);
        parent.setAutoFillBackground(true);
        QPalette pal; pal.setColor(QPalette::Window, Qt::white); parent.setPalette(pal);
        TShape shape(&parent);
        shape.setGeometry(0, 0, 20, 10);
        shape.Pen()->SetStyle(TPen::psClear);
        shape.Brush()->SetColor(RGBColor(255, 225, 255));
        const QImage img = testing::Grab(&parent);
        UNIFORM(img, QRect(0, 0, 19, 9), qRgb(255, 225, 255));
        UNIFORM(img, QRect(19, 0, 1, 10), qRgb(255, 255, 255));
        UNIFORM(img, QRect(0, 9, 20, 1), qRgb(255, 255, 255));
    }

    void stretchedPictureTakesItsControlAsItsFitSays_data()
    {
        QTest::addColumn<int>("fit");
        QTest::addColumn<QSize>("picture");  // green, its top quarter red
        QTest::addColumn<QRgb>("left");      // the left edge, halfway down
        QTest::addColumn<QRgb>("top");       // the middle of the top row
        const QRgb white = 0xffffff, red = 0xff0000, green = 0x00ff00;
        QTest::newRow("tall, fit: the parent beside it") << int(TFitMode::Fit) << QSize(8, 24) << white << red;
        QTest::newRow("tall, fill: top and bottom cut") << int(TFitMode::Fill) << QSize(8, 24) << green << green;
        QTest::newRow("wide, fit: the parent above it") << int(TFitMode::Fit) << QSize(60, 8) << green << white;
    }
    void stretchedPictureTakesItsControlAsItsFitSays()
    {
        QFETCH(int, fit);
        QFETCH(QSize, picture);
        QFETCH(QRgb, left);
        QFETCH(QRgb, top);
        QImage bands(picture, QImage::Format_RGB32);
        bands.fill(Qt::green);
        QPainter(&bands).fillRect(0, 0, picture.width(), picture.height() / 4, Qt::red);
        QWidget parent;
        parent.setGeometry(0, 0, 48, 36);
        QPalette pal; pal.setColor(QPalette::Window, Qt::white); parent.setPalette(pal);
        parent.setAutoFillBackground(true);
        TImage image(&parent);
        image.setGeometry(0, 0, 48, 36);
        image.SetStretch(true);
        image.SetFit(TFitMode(fit));
        image.SetPicture(bands);
        const QImage img = testing::Grab(&parent);
        PIXEL_IS(img, 0, 18, left);
        PIXEL_IS(img, 24, 0, top);
    }

    void outlinedRectangleExcludesRightAndBottomEnd()
    {
        QWidget parent;
        parent.resize(10, 10);
        parent.setAutoFillBackground(true);
        QPalette pal; pal.setColor(QPalette::Window, Qt::white); parent.setPalette(pal);
        TShape shape(&parent);
        shape.setGeometry(2, 2, 4, 5);
        shape.Pen()->SetColor(clAqua);
        shape.Brush()->SetColor(clBlue);
        const QImage img = testing::Grab(&parent);
        UNIFORM(img, QRect(2, 2, 4, 1), qRgb(0, 255, 255));
        UNIFORM(img, QRect(2, 6, 4, 1), qRgb(0, 255, 255));
        UNIFORM(img, QRect(2, 2, 1, 5), qRgb(0, 255, 255));
        UNIFORM(img, QRect(5, 2, 1, 5), qRgb(0, 255, 255));
        UNIFORM(img, QRect(3, 3, 2, 3), qRgb(0, 0, 255));
        UNIFORM(img, QRect(6, 0, 4, 10), qRgb(255, 255, 255));
    }

    void storedValuesSkipDeclaredDefaultsAndApplyNested()
    {
        TShape shape;
        ApplyStoredValues(&shape, {{"Brush.Color", static_cast<int>(clBlue)}, {"Left", 7}});
        QCOMPARE(shape.Brush()->Color(), clBlue);
        QCOMPARE(shape.Left(), 7);
        QVERIFY_THROWS_EXCEPTION(Exception, ApplyStoredValue(&shape, "NoSuchProperty", 1));
        const auto values = StoredValues(&shape);
        bool sawBrushColor = false;
        for (const auto& [name, value] : values)
            if (name == QLatin1String("Brush.Color")) sawBrushColor = value.toInt() == clBlue;
        QVERIFY(sawBrushColor);
    }
};

YOTSUMADO_TEST_MAIN(TestBaseControls)
#include "tst_basecontrols.moc"
