// The widget-free core: the one nearest-neighbour stretch every path shares,
// and the two colour-ramp rules.

#include "core/colorramp.h"
#include "core/stretch.h"

#include "support/pixels.h"
#include "support/testmain.h"

#include <QTest>

using namespace yotsumado;

namespace {

// A picture whose every pixel differs from its neighbours, so a wrong
// source index shows.
QImage Distinct(QSize size, QImage::Format format)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 37 + y * 11) & 0xFF, (x * 5 + y * 71) & 0xFF, (x + y * 3) & 0xFF));
    return image.convertToFormat(format);
}

} // namespace

class TestCore : public QObject {
    Q_OBJECT
private slots:
    void stretchRepeatsAndDropsWholePixels()
    {
        QImage src(3, 1, QImage::Format_RGB888);
        src.setPixel(0, 0, qRgb(255, 0, 0));
        src.setPixel(1, 0, qRgb(0, 255, 0));
        src.setPixel(2, 0, qRgb(0, 0, 255));
        const QImage up = StretchNearest(src, QSize(6, 2));
        QCOMPARE(up.format(), QImage::Format_RGB32);
        QCOMPARE(up.pixel(0, 1), qRgb(255, 0, 0));
        QCOMPARE(up.pixel(1, 1), qRgb(255, 0, 0));
        QCOMPARE(up.pixel(2, 0), qRgb(0, 255, 0));
        QCOMPARE(up.pixel(5, 0), qRgb(0, 0, 255));
        // Shrinking reads the pixel under each target pixel's centre.
        QCOMPARE(StretchNearest(src, QSize(1, 1)).pixel(0, 0), qRgb(0, 255, 0));
        QCOMPARE(StretchNearest(src, QSize(2, 1)).pixel(1, 0), qRgb(0, 0, 255));
    }

    void stretchReadsEachTargetPixelsSource_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::addColumn<QRect>("part");  // null: the whole picture
        QTest::newRow("rgb888 up") << int(QImage::Format_RGB888) << QSize(7, 5) << QSize(23, 17) << QRect();
        QTest::newRow("rgb32 down") << int(QImage::Format_RGB32) << QSize(41, 29) << QSize(9, 13) << QRect();
        QTest::newRow("argb32 mixed") << int(QImage::Format_ARGB32) << QSize(10, 30) << QSize(31, 4) << QRect();
        QTest::newRow("indexed") << int(QImage::Format_Indexed8) << QSize(16, 16) << QSize(5, 40) << QRect();
        QTest::newRow("grey down") << int(QImage::Format_Grayscale8) << QSize(19, 23) << QSize(7, 9) << QRect();
        QTest::newRow("same size") << int(QImage::Format_RGB888) << QSize(12, 8) << QSize(12, 8) << QRect();
        QTest::newRow("rgb888 part up") << int(QImage::Format_RGB888) << QSize(17, 9) << QSize(30, 20) << QRect(5, 2, 7, 6);
        QTest::newRow("grey part down") << int(QImage::Format_Grayscale8) << QSize(40, 30) << QSize(9, 5) << QRect(3, 11, 33, 19);
    }
    void stretchReadsEachTargetPixelsSource()
    {
        QFETCH(int, format);
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        QFETCH(QRect, part);
        const QImage src = Distinct(from, QImage::Format(format));
        const QRect in = part.isNull() ? src.rect() : part;
        const QImage reference = src.convertToFormat(QImage::Format_RGB32);
        QImage expected(to, QImage::Format_RGB32);
        for (int y = 0; y < to.height(); ++y)
            for (int x = 0; x < to.width(); ++x)
                expected.setPixel(x, y, reference.pixel(in.x() + StretchSourceIndex(x, in.width(), to.width()),
                                                        in.y() + StretchSourceIndex(y, in.height(), to.height())));
        // Both result formats carry the same colours.
        SAME_IMAGE(StretchNearest(src, in, to, QImage::Format_RGB32), expected);
        const QImage packed = StretchNearest(src, in, to, QImage::Format_RGB888);
        QCOMPARE(packed.format(), QImage::Format_RGB888);
        SAME_IMAGE(packed.convertToFormat(QImage::Format_RGB32), expected);
    }

    void placementKeepsTheShapeAsTheFitSays_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("panel");
        QTest::addColumn<int>("fit");
        QTest::addColumn<QRect>("source");
        QTest::addColumn<QRect>("target");
        const QSize tall(100, 300), wide(400, 100), panel(240, 180);
        using F = TFitMode;
        QTest::newRow("tall, fit: bars left and right") << tall << panel << int(F::Fit) << QRect(0, 0, 100, 300) << QRect(90, 0, 60, 180);
        QTest::newRow("tall, fill: top and bottom cut") << tall << panel << int(F::Fill) << QRect(0, 112, 100, 75) << QRect(0, 0, 240, 180);
        QTest::newRow("wide, fit: bars above and below") << wide << QSize(100, 200) << int(F::Fit) << QRect(0, 0, 400, 100) << QRect(0, 87, 100, 25);
        QTest::newRow("wide, fill: sides cut") << wide << QSize(100, 200) << int(F::Fill) << QRect(175, 0, 50, 100) << QRect(0, 0, 100, 200);
        QTest::newRow("odd margin: the extra pixel right") << QSize(10, 10) << QSize(13, 10) << int(F::Fit) << QRect(0, 0, 10, 10) << QRect(1, 0, 10, 10);
        QTest::newRow("a sliver keeps one pixel") << QSize(1, 1000) << panel << int(F::Fit) << QRect(0, 0, 1, 1000) << QRect(119, 0, 1, 180);
    }
    void placementKeepsTheShapeAsTheFitSays()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, panel);
        QFETCH(int, fit);
        const TPlacement placed = PlaceInPanel(picture, panel, TFitMode(fit));
        QTEST(placed.source, "source");
        QTEST(placed.target, "target");
    }

    void stretchOfNothingIsNothing()
    {
        QVERIFY(StretchNearest(QImage(), QSize(4, 4)).isNull());
        QVERIFY(StretchNearest(Distinct(QSize(3, 3), QImage::Format_RGB32), QSize(0, 4)).isNull());
        QVERIFY(StretchSourceIndices(5, 0).empty());
    }

    void rowStretchPicksThePackedPixels()
    {
        const uchar row[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
        uchar out[12] = {};
        StretchRgb888Row(row, {2, 0, 0, 1}, out);
        const uchar expected[] = {7, 8, 9, 1, 2, 3, 1, 2, 3, 4, 5, 6};
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(out), 12),
                 QByteArray(reinterpret_cast<const char*>(expected), 12));
    }

    void truncatedRampTruncatesBothWays_data()
    {
        QTest::addColumn<QRgb>("from");
        QTest::addColumn<QRgb>("to");
        QTest::addColumn<int>("length");
        QTest::addColumn<QList<int>>("reds");
        QTest::newRow("rising, 127.5 truncated") << qRgb(0, 0, 0) << qRgb(255, 0, 0) << 3 << QList<int>{0, 127, 255};
        QTest::newRow("falling, 127.5 truncated") << qRgb(255, 0, 0) << qRgb(0, 0, 0) << 3 << QList<int>{255, 127, 0};
        QTest::newRow("one step keeps the first") << qRgb(10, 0, 0) << qRgb(200, 0, 0) << 1 << QList<int>{10};
        QTest::newRow("ends are exact") << qRgb(3, 0, 0) << qRgb(250, 0, 0) << 7
                                        << QList<int>{3, 44, 85, 126, 167, 208, 250};
    }
    void truncatedRampTruncatesBothWays()
    {
        QFETCH(QRgb, from);
        QFETCH(QRgb, to);
        QFETCH(int, length);
        QFETCH(QList<int>, reds);
        const TruncatedRamp ramp(from, to);
        for (int i = 0; i < length; ++i) {
            QCOMPARE(qRed(ramp.At(i, length)), reds.at(i));
            QCOMPARE(qAlpha(ramp.At(i, length)), 255);
        }
    }

    void faceRampDividesTowardZero()
    {
        // Entry 1 of black to red has red 1; a falling component rounds up.
        QCOMPARE(FaceRampEntry(qRgb(0, 0, 0), qRgb(255, 0, 0), 1), qRgb(1, 0, 0));
        QCOMPARE(FaceRampEntry(qRgb(0, 0, 0), qRgb(255, 0, 0), 128), qRgb(128, 0, 0));
        QCOMPARE(FaceRampEntry(qRgb(0, 200, 0), qRgb(0, 0, 0), 1), qRgb(0, 200, 0));
        QCOMPARE(FaceRampEntry(qRgb(0, 0, 255), qRgb(0, 0, 0), 128), qRgb(0, 0, 127));
        QCOMPARE(FaceRampEntry(qRgb(9, 8, 7), qRgb(200, 100, 50), 0), qRgb(9, 8, 7));
        QCOMPARE(FaceRampEntry(qRgb(9, 8, 7), qRgb(200, 100, 50), 255), qRgb(200, 100, 50));
    }
};

YOTSUMADO_TEST_MAIN(TestCore)
#include "tst_core.moc"
