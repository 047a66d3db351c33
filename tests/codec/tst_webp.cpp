// WebP and JPEG XL files made by the formats' own encoders come out upright,
// in sRGB, eight bits a sample with their alpha, as close to their source as
// the coding allows, holding exactly their picture's bytes of the budget;
// broken ones are refused with their kind's message, holding nothing.

#include "app/photos/photofixtures.h"
#include "codec/colorprofile.h"
#include "codec/rasterdecode.h"
#include "formatfixtures.h"
#include "support/files.h"

#include <QColorSpace>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace yotsumado;
using namespace formatfixtures;

namespace {

// Writes the source `name` into `dir` as the first encoder's input (`path`);
// returns what a faithful decoder shows of it.
QImage WriteSource(const QString& name, int orientation, const QDir& dir, QString& path)
{
    QImage source = PhotoLike(QSize(97, 65)), expected = source;  // rows of 291 bytes: padded in RGB888
    path = dir.filePath(name.startsWith("turned") ? "source.jpg" : name == "animation" ? "source.gif" : "source.png");
    if (name.startsWith("turned")) {  // a JPEG turned by its Exif block, as Qt's own reader turns it
        const QByteArray jpeg = photos::WithApp1(photos::QuarterJpeg(), photos::ExifPayload(orientation, false));
        QImageReader reader(path);
        reader.setAutoTransform(true);
        return testing::WriteFile(path, jpeg) ? reader.read().convertToFormat(QImage::Format_RGB888) : QImage();
    }
    if (name == "animation") {  // a red frame on part of the canvas, then a blue one over all of it
        expected = QImage(100, 80, QImage::Format_ARGB32);
        expected.fill(Qt::transparent);
        QPainter(&expected).fillRect(10, 20, 40, 30, Qt::red);
        const QString args = "-dispose none -page 100x80+10+20 -size 40x30 xc:red -page +0+0 -size 100x80 xc:blue ";
        return Run("convert", (args + path).split(' ')).isEmpty() ? expected : QImage();
    }
    if (name == "alpha") {  // opacity from 40 to 230, left to right
        source = source.convertToFormat(QImage::Format_ARGB32);
        for (int i = 0; i < 97 * 65; ++i)
            source.setPixel(i % 97, i / 97, (source.pixel(i % 97, i / 97) & 0xFFFFFF) | uint(40 + 2 * (i % 97)) << 24);
        expected = source;
    } else if (name == "grey") {
        source = expected = source.convertToFormat(QImage::Format_Grayscale8);
    } else if (name == "deep") {  // 16 bits a sample off the 8-bit steps: truncating them differs from rounding
        source = source.convertToFormat(QImage::Format_RGBX64);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width() * 3; ++x) {
                quint16& v = reinterpret_cast<quint16*>(source.scanLine(y))[x / 3 * 4 + x % 3];
                v = quint16(std::min(65535, (v & 0xFF00) + 129));
                expected.scanLine(y)[x] = To8Bits(v);
            }
    } else if (name == "wide") {  // Adobe RGB's primaries, converted to sRGB
        const QByteArray icc = photos::WideGamutProfile();
        source.setColorSpace(QColorSpace::fromIccProfile(icc));
        ColorProfileTransform::ToSrgb(reinterpret_cast<const uchar*>(icc.constData()), std::size_t(icc.size()),
                                      ColorProfileTransform::Input::Rgb)->ConvertImage(expected);
    }
    return source.save(path) ? expected : QImage();
}

} // namespace

class WebPTest : public QObject {
    Q_OBJECT

private slots:
    void webpFilesDecode_data() { Rows(true); }
    void webpFilesDecode() { Check(PictureKind::WebP); }
    void jxlFilesDecode_data() { Rows(false); }
    void jxlFilesDecode() { Check(PictureKind::JpegXl); }

private:
    // Each row: the source ("turned6": turned as orientation 6 asks), the
    // shell command making {out} from {src} ({exif}: an Exif block of the
    // source's orientation, {icc} a wide-gamut profile) and the mean
    // difference allowed (negative: the file is cut in half and must be refused).
    static void Rows(bool webp)
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("recipe");
        QTest::addColumn<double>("tolerance");
        const QString lossless = "cwebp -quiet -lossless {src} -o {out}.1 && ";
        if (webp) {
            QTest::newRow("lossy") << "photo" << "cwebp -quiet -q 90 {src} -o {out}" << 5.0;
            QTest::newRow("lossless") << "photo" << "cwebp -quiet -lossless {src} -o {out}" << 0.0;
            QTest::newRow("lossy with lossless alpha") << "alpha" << "cwebp -quiet -q 90 -alpha_q 100 {src} -o {out}" << 5.0;
            QTest::newRow("lossless with alpha") << "alpha" << "cwebp -quiet -lossless -exact {src} -o {out}" << 0.0;
            QTest::newRow("animation: first frame on its canvas") << "animation" << "gif2webp -quiet {src} -o {out}" << 0.0;
            QTest::newRow("EXIF chunk, orientation 6") << "turned6" << lossless + "webpmux -set exif {exif} {out}.1 -o {out}" << 2.0;
            QTest::newRow("EXIF chunk, orientation 3") << "turned3" << lossless + "webpmux -set exif {exif} {out}.1 -o {out}" << 2.0;
            QTest::newRow("ICCP chunk") << "wide" << lossless + "webpmux -set icc {icc} {out}.1 -o {out}" << 1.0;
            QTest::newRow("cut in half") << "photo" << "cwebp -quiet -q 90 {src} -o {out}" << -1.0;
            return;
        }
        QTest::newRow("lossy") << "photo" << "cjxl -q 90 {src} {out}" << 5.0;
        QTest::newRow("16 bits, rounded") << "deep" << "cjxl -d 0 {src} {out}" << 0.0;
        QTest::newRow("grey") << "grey" << "cjxl -d 0 {src} {out}" << 0.0;
        QTest::newRow("lossless with alpha") << "alpha" << "cjxl -d 0 {src} {out}" << 0.0;
        QTest::newRow("lossy with alpha") << "alpha" << "cjxl -q 90 {src} {out}" << 5.0;
        QTest::newRow("wide-gamut profile, lossless") << "wide" << "cjxl -d 0 {src} {out}" << 1.0;
        QTest::newRow("wide-gamut profile, lossy (XYB)") << "wide" << "cjxl -q 95 {src} {out}" << 4.0;
        QTest::newRow("JPEG turned by its Exif, recompressed") << "turned6" << "cjxl {src} {out}" << 2.0;
        QTest::newRow("cut in half") << "photo" << "cjxl -q 90 {src} {out}" << -1.0;
    }

    void Check(PictureKind kind)
    {
        QFETCH(QString, source);
        QFETCH(QString, recipe);
        QFETCH(double, tolerance);
        if (const QString missing = MissingIn(recipe); !missing.isEmpty())
            QSKIP(qPrintable(missing + " is not installed"));
        QTemporaryDir dir;
        QString in;
        const int orientation = source.startsWith("turned") ? source.mid(6).toInt() : 1;
        const QImage expected = WriteSource(source, orientation, QDir(dir.path()), in);
        QVERIFY(!expected.isNull());
        const QString exif = dir.filePath("exif"), icc = dir.filePath("wide.icc"), out = dir.filePath("made");
        // The Exif block bare TIFF, as WebP keeps it.
        QVERIFY(testing::WriteFile(exif, photos::ExifPayload(orientation, false).mid(6)) && testing::WriteFile(icc, photos::WideGamutProfile()));
        QCOMPARE(Run("sh", {"-c", recipe.replace("{src}", in).replace("{out}", out).replace("{exif}", exif).replace("{icc}", icc)}), QString());
        const QByteArray bytes = testing::ReadAll(out);
        CheckDecode(kind, tolerance < 0 ? bytes.chopped(bytes.size() / 2) : bytes, tolerance < 0 ? InvalidPictureMessage(kind) : QString(),
                    expected, expected.hasAlphaChannel(), tolerance);
    }
};

QTEST_GUILESS_MAIN(WebPTest)
#include "tst_webp.moc"
