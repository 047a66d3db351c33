// TIFF through libtiff: each variant ImageMagick or libtiff's tools write
// decodes as the picture it was made from.

#include "formatfixtures.h"
#include "support/files.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace yotsumado;
using namespace formatfixtures;

// A photograph, or a form of it each variant stores without loss.
static QImage Source(const QString& kind)
{
    const QImage photo = PhotoLike(QSize(96, 64), kind == "alpha");
    const auto flat = [&photo](QImage::Format f) { return photo.convertToFormat(f, Qt::ThresholdDither).convertToFormat(QImage::Format_RGB888); };
    return kind == "grey" ? flat(QImage::Format_Grayscale8) : kind == "bilevel" ? flat(QImage::Format_Mono)
        : kind == "colours" ? flat(QImage::Format_Indexed8) : photo;
}

// The source as the decoded picture must show it: "same", "turn N" (a TIFF
// orientation) or "swap red and green".
static QImage Expected(const QImage& source, const QString& expect)
{
    QImage swapped = source.convertToFormat(QImage::Format_RGB888);
    for (uchar* p = swapped.bits(); p < swapped.bits() + swapped.sizeInBytes() && expect.startsWith("swap"); p += 3)
        std::swap(p[0], p[1]);  // 96 pixels a row: no padding
    const int turn = expect.startsWith("turn ") ? expect.mid(5).toInt() : 1;
    return turn == 5 ? source.transformed(QTransform(0, 1, 1, 0, 0, 0)) : turn == 6 ? source.transformed(QTransform().rotate(90))
        : turn == 8 ? source.transformed(QTransform().rotate(-90)) : expect.startsWith("swap") ? swapped : source;
}

class TiffTest : public QObject {
    Q_OBJECT

private slots:
    void variantsDecodeAsTheirSource_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("recipe");     // convert's options, then "| a libtiff tool" (%f the TIFF, %g its result)
        QTest::addColumn<QString>("expect");     // as Expected says, or the error
        QTest::addColumn<double>("tolerance");   // mean difference allowed, 0 to 255
        const QString error = InvalidPictureMessage(PictureKind::Tiff), icc = "/usr/share/color/icc/";
        QTest::newRow("RGB 8, uncompressed") << "photo" << "-compress None" << "same" << 0.0;
        QTest::newRow("RGB 8, LZW, strips of 5 rows") << "photo" << "-compress LZW -define tiff:rows-per-strip=5" << "same" << 0.0;
        QTest::newRow("YCbCr 4:2:0 JPEG") << "photo" << "-compress None | tiffcp -c jpeg:95 -r 16 %f %g" << "same" << 4.0;
        QTest::newRow("RGB 16, deflate") << "photo" << "-depth 16 -compress Zip" << "same" << 0.0;
        QTest::newRow("RGB 8, separate planes") << "photo" << "-interlace Plane -compress LZW" << "same" << 0.0;
        QTest::newRow("RGB 8, tiles 64 x 48, PackBits") << "photo" << "-define tiff:tile-geometry=64x48 -compress RLE" << "same" << 0.0;
        QTest::newRow("RGB 16, tiles, separate planes") << "photo" << "-define tiff:tile-geometry=64x48 -interlace Plane -depth 16" << "same" << 0.0;
        QTest::newRow("grey 8") << "grey" << "-type Grayscale -depth 8" << "same" << 0.0;
        QTest::newRow("grey 4") << "grey" << "-type Grayscale -depth 4" << "same" << 9.0;
        QTest::newRow("grey 1, min-is-white, CCITT G4") << "bilevel" << "-type Bilevel -compress Group4" << "same" << 0.0;
        QTest::newRow("palette 8") << "colours" << "-type Palette" << "same" << 0.0;
        QTest::newRow("RGBA 8, unassociated") << "alpha" << "-depth 8" << "same" << 0.0;
        QTest::newRow("RGBA 8, associated") << "alpha" << "-depth 8 -define tiff:alpha=associated" << "same" << 0.5;
        QTest::newRow("RGBA 16, separate planes") << "alpha" << "-depth 16 -interlace Plane" << "same" << 0.0;
        QTest::newRow("orientation 5") << "photo" << "-orient LeftTop" << "turn 5" << 0.0;
        QTest::newRow("orientation 6 (tiffset)") << "photo" << "-depth 8 | tiffset -s 274 6 %f" << "turn 6" << 0.0;
        QTest::newRow("orientation 8") << "photo" << "-orient LeftBottom" << "turn 8" << 0.0;
        QTest::newRow("profile swapping red and green") << "photo" << "-profile " + icc + "colord/SwappedRedAndGreen.icc" << "swap red and green" << 1.0;
        QTest::newRow("CMYK 8, no profile") << "photo" << "-colorspace CMYK -depth 8" << "same" << 1.0;
        QTest::newRow("CMYK 8, profile") << "photo" << "-profile " + icc + "sRGB.icc -profile " + icc + "ghostscript/default_cmyk.icc" << "same" << 5.0;
        QTest::newRow("two pages: the first") << "photo" << "( +clone -negate )" << "same" << 0.0;
        QTest::newRow("cut short") << "photo" << "-compress None | cut" << error << 0.0;
        QTest::newRow("32-bit float") << "photo" << "-define quantum:format=floating-point -depth 32" << error << 0.0;
        QTest::newRow("CIE Lab") << "photo" << "-colorspace Lab" << error << 0.0;
    }

    void variantsDecodeAsTheirSource()
    {
        QFETCH(QString, source);
        QFETCH(QString, recipe);
        QFETCH(QString, expect);
        QFETCH(double, tolerance);
        const QStringList convert = recipe.section(" | ", 0, 0).split(' '), then = recipe.section(" | ", 1).split(' ', Qt::SkipEmptyParts);
        const QString missing = MissingIn("convert | " + then.value(0, "convert").replace("cut", "convert"));
        if (!missing.isEmpty() || (recipe.contains(".icc") && !QFile::exists(convert.last())))
            QSKIP(qPrintable((missing.isEmpty() ? convert.last() : missing) + " is not installed (colord-data, libgs-common)"));
        const QImage picture = Source(source);
        const QString png = temp_.filePath("source.png"), tiff = temp_.filePath("picture.tif"), copy = tiff + ".2.tif";
        QVERIFY(picture.save(png));
        QCOMPARE(Run("convert", QStringList{png} + convert + QStringList{tiff}), QString());
        if (then.value(0) == "cut")
            QVERIFY(QFile::resize(tiff, QFile(tiff).size() / 2));
        else if (!then.isEmpty())
            QCOMPARE(Run(then.first(), then.mid(1).replaceInStrings("%f", tiff).replaceInStrings("%g", copy)), QString());
        const bool failing = expect.startsWith("TIFF");
        CheckDecode(PictureKind::Tiff, testing::ReadAll(recipe.contains("%g") ? copy : tiff), failing ? expect : QString(),
                    failing ? QImage() : Expected(picture, expect), source == "alpha", tolerance);
    }

private:
    QTemporaryDir temp_;
};

QTEST_GUILESS_MAIN(TiffTest)
#include "tst_tiff.moc"
