#include "controls/base/image.h"
#include "controls/base/shape.h"
#include "controls/base/storedform.h"
#include "core/error.h"
#include "support/pixels.h"
#include "support/testmain.h"

#include <QtTest>

using namespace yotsumado;

class TestBaseControls : public QObject {
    Q_OBJECT
private slots:
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
