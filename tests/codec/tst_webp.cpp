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
        source = expected = source.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                expected.setPixel(x, y, (source.pixel(x, y) & 0xFFFFFF) | uint(40 + 2 * x) << 24);
        source = expected;
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
    // steps that make the file (IN the last file made, OUT the next; EXIF an
    // Exif block of the source's orientation, ICC a wide-gamut profile) and
    // the mean difference allowed (negative: the file is cut in half and
    // must be refused).
    static void Rows(bool webp)
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<double>("tolerance");
        const auto row = [](const char* name, const char* source, const QStringList& steps, double tolerance) {
            QTest::newRow(name) << QString(source) << steps << tolerance;
        };
        if (webp) {
            row("lossy", "photo", {"cwebp -quiet -q 90 IN -o OUT.webp"}, 5);
            row("lossless", "photo", {"cwebp -quiet -lossless IN -o OUT.webp"}, 0);
            row("lossy with lossless alpha", "alpha", {"cwebp -quiet -q 90 -alpha_q 100 IN -o OUT.webp"}, 5);
            row("lossless with alpha", "alpha", {"cwebp -quiet -lossless -exact IN -o OUT.webp"}, 0);
            row("animation: first frame on its canvas", "animation", {"gif2webp -quiet IN -o OUT.webp"}, 0);
            const QString exif = "webpmux -set exif EXIF IN -o OUT.webp";
            row("EXIF chunk, orientation 6", "turned6", {"cwebp -quiet -lossless IN -o OUT.webp", exif}, 2);
            row("EXIF chunk, orientation 3", "turned3", {"cwebp -quiet -lossless IN -o OUT.webp", exif}, 2);
            row("ICCP chunk", "wide", {"cwebp -quiet -lossless IN -o OUT.webp", "webpmux -set icc ICC IN -o OUT.webp"}, 1);
            row("cut in half", "photo", {"cwebp -quiet -q 90 IN -o OUT.webp"}, -1);
            return;
        }
        row("lossy", "photo", {"cjxl -q 90 IN OUT.jxl"}, 5);
        row("16 bits, rounded", "deep", {"cjxl -d 0 IN OUT.jxl"}, 0);
        row("grey", "grey", {"cjxl -d 0 IN OUT.jxl"}, 0);
        row("lossless with alpha", "alpha", {"cjxl -d 0 IN OUT.jxl"}, 0);
        row("lossy with alpha", "alpha", {"cjxl -q 90 IN OUT.jxl"}, 5);
        row("wide-gamut profile, lossless", "wide", {"cjxl -d 0 IN OUT.jxl"}, 1);
        row("wide-gamut profile, lossy (XYB)", "wide", {"cjxl -q 95 IN OUT.jxl"}, 4);
        row("JPEG turned by its Exif, recompressed", "turned6", {"cjxl IN OUT.jxl"}, 2);
        row("cut in half", "photo", {"cjxl -q 90 IN OUT.jxl"}, -1);
    }

    void Check(PictureKind kind)
    {
        QFETCH(QString, source);
        QFETCH(QStringList, steps);
        QFETCH(double, tolerance);
        QTemporaryDir dir;
        QString in;
        const int orientation = source.startsWith("turned") ? source.mid(6).toInt() : 1;
        const QImage expected = WriteSource(source, orientation, QDir(dir.path()), in);
        QVERIFY(!expected.isNull());
        const QString exif = dir.filePath("exif"), icc = dir.filePath("wide.icc");
        QVERIFY(testing::WriteFile(exif, photos::ExifPayload(orientation, false).mid(6)));  // bare TIFF, as WebP keeps it
        QVERIFY(testing::WriteFile(icc, photos::WideGamutProfile()));
        for (int i = 0; i < steps.size(); ++i) {
            QStringList args = steps[i].split(' ');
            const QString program = args.takeFirst(), out = dir.filePath(QString::number(i)) + args.last().mid(3);
            args.replaceInStrings("EXIF", exif).replaceInStrings("ICC", icc).replaceInStrings("IN", in);
            args.last() = out;
            if (!MissingProgram({program}).isEmpty())
                QSKIP(qPrintable(program + " is not installed"));
            const QString failed = Run(program, args);
            QVERIFY2(failed.isEmpty(), qPrintable(failed));
            in = out;
        }
        const QByteArray bytes = testing::ReadAll(in);
        CheckDecode(kind, tolerance < 0 ? bytes.chopped(bytes.size() / 2) : bytes, tolerance < 0 ? InvalidPictureMessage(kind) : QString(),
                    expected, expected.hasAlphaChannel(), tolerance);
    }
};

QTEST_GUILESS_MAIN(WebPTest)
#include "tst_webp.moc"
