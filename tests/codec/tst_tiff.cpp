// TIFF through libtiff: each variant ImageMagick (or libtiff's own tools)
// writes decodes as the picture it was made from.

#include "codec/memorybudget.h"
#include "codec/rasterdecoders.h"
#include "core/error.h"
#include "formatfixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace yotsumado;
using namespace formatfixtures;

namespace {

const QString kIcc = QStringLiteral("/usr/share/color/icc/");

// The source pictures: a photograph, and forms of it each variant stores
// without loss (grey, two levels, 256 colours, straight alpha).
QImage Source(const QString& kind)
{
    const QImage photo = PhotoLike(QSize(96, 64));
    if (kind == QLatin1String("grey"))
        return photo.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB888);
    if (kind == QLatin1String("bilevel"))
        return photo.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither).convertToFormat(QImage::Format_RGB888);
    if (kind == QLatin1String("colours"))
        return photo.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither).convertToFormat(QImage::Format_RGB888);
    if (kind != QLatin1String("alpha"))
        return photo;
    QImage alpha = photo.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < alpha.height(); ++y)
        for (int x = 0; x < alpha.width(); ++x)
            alpha.setPixel(x, y, (alpha.pixel(x, y) & 0xFFFFFFu) | uint(x * 255 / 95) << 24);
    return alpha;
}

// The source as the decoded picture must show it.
QImage Expected(const QImage& source, const QString& expect)
{
    if (expect == QLatin1String("swap red and green")) {
        QImage swapped = source.convertToFormat(QImage::Format_RGB888);
        for (int y = 0; y < swapped.height(); ++y)
            for (uchar* p = swapped.scanLine(y); p < swapped.scanLine(y) + 3 * swapped.width(); p += 3)
                std::swap(p[0], p[1]);
        return swapped;
    }
    const int turn = expect.startsWith(QLatin1String("turn ")) ? expect.mid(5).toInt() : 1;
    QTransform t;
    switch (turn) {
    case 3: t.rotate(180); break;
    case 5: t = QTransform(0, 1, 1, 0, 0, 0); break;
    case 6: t.rotate(90); break;
    case 8: t.rotate(270); break;
    }
    return source.transformed(t);
}

} // namespace

class TiffTest : public QObject {
    Q_OBJECT

private slots:
    void variantsDecodeAsTheirSource_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("convert");  // ImageMagick's options between source and TIFF
        QTest::addColumn<QStringList>("then");     // a libtiff tool run on it (%f the TIFF, %g its result)
        QTest::addColumn<QString>("expect");       // "same", "turn N", "swap red and green", or the error
        QTest::addColumn<double>("tolerance");     // mean difference allowed, 0 to 255
        const QStringList none;
        const QString error = InvalidPictureMessage(PictureKind::Tiff);
        QTest::newRow("RGB 8, uncompressed") << "photo" << QStringList{"-compress", "None"} << none << "same" << 0.0;
        QTest::newRow("RGB 8, LZW, strips of 5 rows")
            << "photo" << QStringList{"-compress", "LZW", "-define", "tiff:rows-per-strip=5"} << none << "same" << 0.0;
        QTest::newRow("RGB 8, deflate, predictor")
            << "photo" << QStringList{"-compress", "Zip", "-define", "tiff:predictor=2"} << none << "same" << 0.0;
        QTest::newRow("RGB 8, PackBits") << "photo" << QStringList{"-compress", "RLE"} << none << "same" << 0.0;
        QTest::newRow("RGB 8, JPEG") << "photo" << QStringList{"-compress", "JPEG", "-quality", "95"} << none << "same" << 3.0;
        QTest::newRow("YCbCr 4:2:0 JPEG (tiffcp)") << "photo" << QStringList{"-compress", "None"}
                                                  << QStringList{"tiffcp", "-c", "jpeg:95", "-r", "16", "%f", "%g"} << "same" << 4.0;
        QTest::newRow("RGB 16, deflate") << "photo" << QStringList{"-depth", "16", "-compress", "Zip"} << none << "same" << 0.0;
        QTest::newRow("RGB 8, separate planes") << "photo" << QStringList{"-interlace", "Plane", "-compress", "LZW"} << none << "same" << 0.0;
        QTest::newRow("RGB 16, separate planes") << "photo" << QStringList{"-interlace", "Plane", "-depth", "16"} << none << "same" << 0.0;
        QTest::newRow("RGB 8, tiles 64 x 48")
            << "photo" << QStringList{"-define", "tiff:tile-geometry=64x48", "-compress", "Zip"} << none << "same" << 0.0;
        QTest::newRow("RGB 16, tiles, separate planes")
            << "photo" << QStringList{"-define", "tiff:tile-geometry=64x48", "-interlace", "Plane", "-depth", "16"} << none << "same" << 0.0;
        QTest::newRow("RGB 8, tiles, JPEG")
            << "photo" << QStringList{"-define", "tiff:tile-geometry=64x48", "-compress", "JPEG", "-quality", "95"} << none << "same" << 3.0;
        QTest::newRow("grey 8") << "grey" << QStringList{"-type", "Grayscale", "-depth", "8"} << none << "same" << 0.0;
        QTest::newRow("grey 16") << "grey" << QStringList{"-type", "Grayscale", "-depth", "16"} << none << "same" << 0.0;
        QTest::newRow("grey 4") << "grey" << QStringList{"-type", "Grayscale", "-depth", "4"} << none << "same" << 9.0;
        QTest::newRow("grey 1, min-is-white, CCITT G4") << "bilevel" << QStringList{"-type", "Bilevel", "-compress", "Group4"} << none << "same" << 0.0;
        QTest::newRow("palette 8") << "colours" << QStringList{"-type", "Palette"} << none << "same" << 0.0;
        QTest::newRow("RGBA 8, unassociated") << "alpha" << QStringList{"-depth", "8"} << none << "same" << 0.0;
        QTest::newRow("RGBA 8, associated") << "alpha" << QStringList{"-depth", "8", "-define", "tiff:alpha=associated"} << none << "same" << 0.5;
        QTest::newRow("RGBA 16, separate planes") << "alpha" << QStringList{"-depth", "16", "-interlace", "Plane"} << none << "same" << 0.0;
        QTest::newRow("orientation 3") << "photo" << QStringList{"-orient", "BottomRight"} << none << "turn 3" << 0.0;
        QTest::newRow("orientation 5") << "photo" << QStringList{"-orient", "LeftTop"} << none << "turn 5" << 0.0;
        QTest::newRow("orientation 6") << "photo" << QStringList{"-orient", "RightTop"} << none << "turn 6" << 0.0;
        QTest::newRow("orientation 8 (tiffset)") << "photo" << none << QStringList{"tiffset", "-s", "274", "8", "%f"} << "turn 8" << 0.0;
        QTest::newRow("profile swapping red and green")
            << "photo" << QStringList{"-profile", kIcc + "colord/SwappedRedAndGreen.icc"} << none << "swap red and green" << 1.0;
        QTest::newRow("CMYK 8, no profile") << "photo" << QStringList{"-colorspace", "CMYK", "-depth", "8"} << none << "same" << 1.0;
        QTest::newRow("CMYK 8, profile")
            << "photo" << QStringList{"-profile", kIcc + "sRGB.icc", "-profile", kIcc + "ghostscript/default_cmyk.icc"} << none << "same" << 5.0;
        QTest::newRow("two pages: the first") << "photo" << QStringList{"(", "+clone", "-negate", ")"} << none << "same" << 0.0;
        QTest::newRow("cut short") << "photo" << QStringList{"-compress", "None"} << QStringList{"cut"} << error << 0.0;
        QTest::newRow("32-bit float") << "photo" << QStringList{"-define", "quantum:format=floating-point", "-depth", "32"} << none << error << 0.0;
        QTest::newRow("CIE Lab") << "photo" << QStringList{"-colorspace", "Lab"} << none << error << 0.0;
    }

    void variantsDecodeAsTheirSource()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, convert);
        QFETCH(QStringList, then);
        QFETCH(QString, expect);
        QFETCH(double, tolerance);
        const QString missing = MissingProgram({QStringLiteral("convert"), then.value(0, QStringLiteral("convert"))});
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing + QStringLiteral(" is not installed")));
        for (const QString& option : convert)
            if (option.startsWith(kIcc) && !QFile::exists(option))
                QSKIP(qPrintable(option + QStringLiteral(" is not installed (colord-data, libgs-common)")));
        const QImage picture = Source(source);
        const QString png = temp_.filePath(QStringLiteral("source.png")), tiff = temp_.filePath(QStringLiteral("picture.tif"));
        QVERIFY(picture.save(png));
        QCOMPARE(Run(QStringLiteral("convert"), QStringList{png} + convert + QStringList{tiff}), QString());
        QString decoded = tiff;
        if (then == QStringList{QStringLiteral("cut")}) {
            QVERIFY(QFile::resize(tiff, QFile(tiff).size() / 2));
        } else if (!then.isEmpty()) {
            decoded = then.contains(QStringLiteral("%g")) ? tiff + QStringLiteral(".2.tif") : tiff;
            QStringList arguments = then.mid(1);
            arguments.replaceInStrings(QStringLiteral("%f"), tiff).replaceInStrings(QStringLiteral("%g"), decoded);
            QCOMPARE(Run(then.first(), arguments), QString());
        }
        MemoryBudget budget(kProgramMemoryBudget);
        BudgetShare share(budget);
        QFile file(decoded);
        QVERIFY(file.open(QIODevice::ReadOnly));
        try {
            const QImage image = DecodeTiff(file, share);
            QCOMPARE(expect.startsWith(QLatin1String("TIFF")), false);
            QCOMPARE(image.format(), source == QLatin1String("alpha") ? QImage::Format_ARGB32 : QImage::Format_RGB888);
            const auto premultiplied = [](const QImage& i) { return i.convertToFormat(QImage::Format_ARGB32_Premultiplied); };
            const double difference = MeanDifference(premultiplied(image), premultiplied(Expected(picture, expect)));
            QVERIFY2(difference >= 0 && difference <= tolerance, qPrintable(QString::number(difference)));
            QCOMPARE(share.Bytes(), image.sizeInBytes());
        } catch (const EInvalidGraphic& e) {
            QCOMPARE(e.Message(), expect);
            QCOMPARE(share.Bytes(), 0);
        }
    }

private:
    QTemporaryDir temp_;
};

QTEST_GUILESS_MAIN(TiffTest)
#include "tst_tiff.moc"
