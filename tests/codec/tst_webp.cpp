// WebP and JPEG XL files made by the formats' own encoders come out upright,
// in sRGB, eight bits a sample with their alpha, as close to their source as
// the coding allows, holding exactly their picture's bytes of the budget;
// broken ones are refused with their kind's message, holding nothing.

#include "app/photos/photofixtures.h"
#include "codec/colorprofile.h"
#include "codec/exiforientation.h"
#include "codec/memorybudget.h"
#include "codec/rasterdecode.h"
#include "codec/rasterdecoders.h"
#include "core/error.h"
#include "formatfixtures.h"
#include "support/files.h"

#include <QColorSpace>
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
    QImage source = PhotoLike(QSize(96, 64)), expected = source;
    path = dir.filePath(name == "quarters" ? "source.jpg" : name == "animation" ? "source.gif" : "source.png");
    if (name == "quarters")  // a JPEG turned by its Exif block
        return testing::WriteFile(path, photos::WithApp1(photos::QuarterJpeg(), photos::ExifPayload(orientation, false)))
            ? QImage::fromData(photos::QuarterJpeg()) : QImage();
    if (name == "animation") {  // a red frame on part of the canvas, then a blue one over all of it
        expected = QImage(100, 80, QImage::Format_ARGB32);
        expected.fill(Qt::transparent);
        QPainter(&expected).fillRect(10, 20, 40, 30, Qt::red);
        const QString args = "-dispose none -page 100x80+10+20 -size 40x30 xc:red -page +0+0 -size 100x80 xc:blue ";
        return Run("convert", (args + path).split(' ')).isEmpty() ? expected : QImage();
    }
    if (name == "alpha") {  // opacity from 40 to 230, left to right
        source = source.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                source.setPixel(x, y, (source.pixel(x, y) & 0xFFFFFF) | uint(40 + 2 * x) << 24);
        expected = source;
    } else if (name == "grey") {
        source = expected = source.convertToFormat(QImage::Format_Grayscale8);
    } else if (name == "deep") {  // 16 bits a sample, each a half step above an 8-bit value: rounded up
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
    // Each row: the source, the steps that make the file (IN the last file
    // made, OUT the next; EXIF an Exif block of the row's orientation, ICC a
    // wide-gamut profile; "cut" keeps half a file, "head" 30 bytes), the
    // orientation the result shows, and the mean difference allowed
    // (negative: refused).
    static void Rows(bool webp)
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<double>("tolerance");
        const auto row = [](const char* name, const char* source, const QStringList& steps, double tolerance,
                            int orientation = 1) {
            QTest::newRow(name) << QString(source) << steps << orientation << tolerance;
        };
        if (webp) {
            row("lossy", "photo", {"cwebp -quiet -q 90 IN -o OUT.webp"}, 5);
            row("lossless", "photo", {"cwebp -quiet -lossless IN -o OUT.webp"}, 0);
            row("lossy with lossless alpha", "alpha", {"cwebp -quiet -q 90 -alpha_q 100 IN -o OUT.webp"}, 5);
            row("lossless with alpha", "alpha", {"cwebp -quiet -lossless -exact IN -o OUT.webp"}, 0);
            row("animation: first frame on its canvas", "animation", {"gif2webp -quiet IN -o OUT.webp"}, 0);
            const QString exif = "webpmux -set exif EXIF IN -o OUT.webp";
            row("EXIF chunk, orientation 6", "quarters", {"cwebp -quiet -q 95 IN -o OUT.webp", exif}, 0, 6);
            row("EXIF chunk, orientation 3", "quarters", {"cwebp -quiet -lossless IN -o OUT.webp", exif}, 0, 3);
            row("ICCP chunk", "wide", {"cwebp -quiet -lossless IN -o OUT.webp", "webpmux -set icc ICC IN -o OUT.webp"}, 1);
            row("cut in half", "photo", {"cwebp -quiet -q 90 IN -o OUT.webp", "cut IN OUT.webp"}, -1);
            row("header only", "photo", {"cwebp -quiet -lossless IN -o OUT.webp", "head IN OUT.webp"}, -1);
            return;
        }
        row("lossy", "photo", {"cjxl -q 90 IN OUT.jxl"}, 5);
        row("lossless", "photo", {"cjxl -d 0 IN OUT.jxl"}, 0);
        row("16 bits, rounded", "deep", {"cjxl -d 0 IN OUT.jxl"}, 0);
        row("grey", "grey", {"cjxl -d 0 IN OUT.jxl"}, 0);
        row("lossless with alpha", "alpha", {"cjxl -d 0 IN OUT.jxl"}, 0);
        row("lossy with alpha", "alpha", {"cjxl -q 90 IN OUT.jxl"}, 5);
        row("wide-gamut profile, lossless", "wide", {"cjxl -d 0 IN OUT.jxl"}, 1);
        row("wide-gamut profile, lossy (XYB)", "wide", {"cjxl -q 95 IN OUT.jxl"}, 4);
        row("JPEG turned by its Exif, recompressed", "quarters", {"cjxl IN OUT.jxl"}, 0, 6);
        row("cut in half", "photo", {"cjxl -q 90 IN OUT.jxl", "cut IN OUT.jxl"}, -1);
        row("header only", "photo", {"cjxl -d 0 IN OUT.jxl", "head IN OUT.jxl"}, -1);
    }

    void Check(PictureKind kind)
    {
        QFETCH(QString, source);
        QFETCH(QStringList, steps);
        QFETCH(int, orientation);
        QFETCH(double, tolerance);
        QTemporaryDir dir;
        QString in;
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
            if (program == "cut" || program == "head") {
                const QByteArray whole = testing::ReadAll(in);
                QVERIFY(testing::WriteFile(out, whole.left(program == "cut" ? whole.size() / 2 : 30)));
            } else if (!MissingProgram({program}).isEmpty()) {
                QSKIP(qPrintable(program + " is not installed"));
            } else {
                const QString failed = Run(program, args);
                QVERIFY2(failed.isEmpty(), qPrintable(failed));
            }
            in = out;
        }

        MemoryBudget budget(kProgramMemoryBudget);
        BudgetShare share(budget);
        QFile file(in);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QImage decoded;
        try {
            decoded = DecodeRaster(kind, file, share);
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), tolerance < 0 ? InvalidPictureMessage(kind) : QString("<no error>"));
            QCOMPARE(budget.InUse(), qint64(0));
            return;
        }
        QVERIFY2(tolerance >= 0, "a broken file was decoded");
        QCOMPARE(decoded.format(), expected.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB888);
        QCOMPARE(share.Bytes(), qint64(decoded.sizeInBytes()));
        QCOMPARE(budget.InUse(), share.Bytes());
        QCOMPARE(decoded.size(), OrientedSize(expected.size(), orientation));
        if (source == "quarters") {  // each corner shows the quarter its turn brings there
            for (int c = 0; c < 4; ++c) {
                const QRgb seen = decoded.pixel(decoded.width() * (1 + c % 2 * 2) / 4, decoded.height() * (1 + c / 2 * 2) / 4);
                const QRgb want = photos::kQuarter[photos::kTurned[orientation][c]];
                QVERIFY2(qAbs(qRed(seen) - qRed(want)) + qAbs(qGreen(seen) - qGreen(want)) + qAbs(qBlue(seen) - qBlue(want)) < 60,
                         qPrintable(QString("corner %1: %2").arg(c).arg(seen, 8, 16)));
            }
            return;
        }
        // Premultiplied, so that alpha counts and colour under full transparency does not.
        const double difference = MeanDifference(decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                                                 expected.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        QVERIFY2(difference >= 0 && difference <= tolerance, qPrintable(QString("differs by %1").arg(difference)));
    }
};

QTEST_GUILESS_MAIN(WebPTest)
#include "tst_webp.moc"
