// Photos as cameras store them: the Exif orientation tag turns the picture,
// an embedded ICC profile converts its colours to sRGB, and the smooth
// shrink for one-off composites stays close to a full-size filtered shrink.

#include "codec/codectools.h"
#include "codec/colorprofile.h"
#include "codec/exiforientation.h"
#include "codec/jpegdecoder.h"
#include "codec/lanczosresize.h"
#include "codec/pictureloader.h"
#include "codec/stretcheddecode.h"
#include "core/stretch.h"
#include "photofixtures.h"
#include "support/pixels.h"
#include "support/testmain.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace yotsumado;

using photos::CornerQuarters;
using photos::ExifPayload;
using photos::Corners;
using photos::kTurned;

Q_DECLARE_METATYPE(Corners)

namespace {

// Mean absolute difference per channel, and the largest one.
struct Difference {
    double mean = 1e9;
    int max = 1 << 30;
};

Difference Compare(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return {};
    const QImage x = a.convertToFormat(QImage::Format_RGB888), y = b.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    int max = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 3; ++i) {
            const int d = std::abs(int(p[i]) - int(q[i]));
            sum += d;
            max = std::max(max, d);
        }
    }
    return {sum / (double(x.width()) * x.height() * 3), max};
}

// The colours transicc (Little CMS's own command-line calculator, unrounded
// and without precalculation) gives for `rgb` under `icc` to sRGB,
// perceptual; or an invalid colour when the tool is missing.
QColor Transicc(const QString& icc, QRgb rgb, bool grey = false)
{
    const QString tool = codectest::Tool(QStringLiteral("transicc"));
    if (tool.isEmpty())
        return {};
    const QByteArray in = grey ? QByteArray::number(qRed(rgb)) + "\n"
                               : QByteArray::number(qRed(rgb)) + ' ' + QByteArray::number(qGreen(rgb)) + ' '
            + QByteArray::number(qBlue(rgb)) + "\n";
    QByteArray out;
    // -s clips colours outside sRGB, as an 8-bit picture must.
    if (!codectest::Run(tool, {QStringLiteral("-i") + icc, QStringLiteral("-o*sRGB"), QStringLiteral("-t0"),
                               QStringLiteral("-c0"), QStringLiteral("-s"), QStringLiteral("-n")},
                        &out, in))
        return {};
    const QList<QByteArray> v = out.simplified().split(' ');
    if (v.size() < 3)
        return {};
    const auto channel = [](const QByteArray& t) { return int(qBound(0L, std::lround(t.toDouble()), 255L)); };
    return QColor(channel(v[0]), channel(v[1]), channel(v[2]));
}

// Smooth shapes with fine grain, as photos have; no detail tuned to the
// coder's 8-pixel blocks, which a reduced decode cannot resolve.
QImage PhotoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const unsigned h = (unsigned(x) * 2654435761u) ^ (unsigned(y) * 2246822519u);
            const int grain = int(h >> 28) - 8;
            const double r = std::hypot(x - width * 0.4, y - height * 0.5);
            row[3 * x] = uchar(qBound(0, int(128 + 100 * std::sin(r / 23.0)) + grain, 255));
            row[3 * x + 1] = uchar(qBound(0, x * 200 / width + 30 + grain, 255));
            row[3 * x + 2] = uchar(qBound(0, int(128 + 90 * std::cos(x / 41.0 + y / 29.0)) + grain, 255));
        }
    }
    return image;
}

} // namespace

class PhotosTest : public QObject {
    Q_OBJECT

    QTemporaryDir temp_;
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = temp_.filePath(name);
        photos::WriteFile(path, bytes);
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(temp_.isValid()); }

    // ---- Orientation ---------------------------------------------------------

    void orientationTagTurnsLoadedPicture_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("bigEndian");
        for (int value = 1; value <= 8; ++value) {
            QTest::addRow("%d little-endian", value) << value << false;
            QTest::addRow("%d big-endian", value) << value << true;
        }
    }

    void orientationTagTurnsLoadedPicture()
    {
        QFETCH(int, value);
        QFETCH(bool, bigEndian);
        const QString path = Write(QStringLiteral("turned.jpg"),
                                   photos::WithApp1(photos::QuarterJpeg(), ExifPayload(value, bigEndian)));
        const QImage picture = LoadPicture(path);
        const QSize expected = value >= 5 ? QSize(photos::kHeight, photos::kWidth)
                                          : QSize(photos::kWidth, photos::kHeight);
        QCOMPARE(picture.size(), expected);
        QCOMPARE(picture.format(), QImage::Format_RGB888);
        QCOMPARE(photos::CornersText(CornerQuarters(picture)), photos::CornersText(kTurned[value]));
    }

    // Each row spoils an intact block (orientation 6, which turns the
    // picture) in one way; the spoilt block must leave the picture as stored.
    void spoiltExifBlocksLeavePictureAsStored_data()
    {
        QTest::addColumn<bool>("bigEndian");
        QTest::addColumn<QByteArray>("spoilt");
        const auto rows = [](bool big) {
            const QByteArray good = ExifPayload(6, big);
            const char* order = big ? "MM" : "II";
            const auto set16 = [big](QByteArray b, int at, unsigned v) {
                b[at] = char(big ? v >> 8 : v & 0xff);
                b[at + 1] = char(big ? v & 0xff : v >> 8);
                return b;
            };
            const auto set32 = [big](QByteArray b, int at, quint32 v) {
                for (int i = 0; i < 4; ++i)
                    b[at + i] = char(big ? v >> (24 - 8 * i) : v >> (8 * i));
                return b;
            };
            // Offsets in the payload: TIFF at 6, directory at 14, the
            // orientation entry at 28 (type 30, count 32, value 36).
            QTest::addRow("%s value 0", order) << big << set16(good, 36, 0);
            QTest::addRow("%s value 9", order) << big << set16(good, 36, 9);
            QTest::addRow("%s value 65535", order) << big << set16(good, 36, 0xffff);
            QTest::addRow("%s type LONG", order) << big << set16(good, 30, 4);
            QTest::addRow("%s two values", order) << big << set32(good, 32, 2);
            QTest::addRow("%s cut in the entry", order) << big << good.left(34);
            QTest::addRow("%s cut after the header", order) << big << good.left(14);
            QTest::addRow("%s only the name", order) << big << good.left(6);
            QTest::addRow("%s directory past the end", order) << big << set32(good, 10, 0x1000);
            QTest::addRow("%s directory offset wraps", order) << big << set32(good, 10, 0xfffffff0u);
            QTest::addRow("%s directory inside the header", order) << big << set32(good, 10, 2);
            QTest::addRow("%s more entries than fit", order) << big << set16(good, 14, 0xffff);
            QTest::addRow("%s wrong magic", order) << big << set16(good, 8, 43);
            QTest::addRow("%s no orientation tag", order) << big << set16(good, 28, 0x0113);
        };
        rows(false);
        rows(true);
        QByteArray mixed = ExifPayload(6, false);
        mixed[6] = 'M';
        QTest::newRow("byte order II/MM mixed") << false << mixed;
        QByteArray notExif = ExifPayload(6, false);
        notExif[3] = 'x';
        QTest::newRow("another APP1 kind") << false << notExif;
    }

    void spoiltExifBlocksLeavePictureAsStored()
    {
        QFETCH(bool, bigEndian);
        QFETCH(QByteArray, spoilt);
        const QByteArray plain = photos::QuarterJpeg();
        const QImage intact = LoadPicture(Write(QStringLiteral("intact.jpg"),
                                                photos::WithApp1(plain, ExifPayload(6, bigEndian))));
        QCOMPARE(intact.size(), QSize(photos::kHeight, photos::kWidth));
        QCOMPARE(ExifOrientation(reinterpret_cast<const uchar*>(spoilt.constData()), size_t(spoilt.size())), 1);
        const QImage picture = LoadPicture(Write(QStringLiteral("spoilt.jpg"), photos::WithApp1(plain, spoilt)));
        QCOMPARE(picture.size(), QSize(photos::kWidth, photos::kHeight));
        QCOMPARE(photos::CornersText(CornerQuarters(picture)), photos::CornersText(kTurned[1]));
    }

    // The compose tool's partial decode reads, for each panel line, the
    // stored row the turn puts there: its result must be the full decode,
    // turned, then stretched, byte for byte.
    void stretchedDecodeOfTurnedPhotoEqualsTurnedStretch_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QSize>("size");
        for (int value = 1; value <= 8; ++value) {
            QTest::addRow("%d to 20x50", value) << value << QSize(20, 50);
            QTest::addRow("%d to 51x17", value) << value << QSize(51, 17);
            QTest::addRow("%d to 150x90", value) << value << QSize(150, 90);
        }
    }

    void stretchedDecodeOfTurnedPhotoEqualsTurnedStretch()
    {
        QFETCH(int, value);
        QFETCH(QSize, size);
        const QByteArray jpeg = photos::WithApp1(photos::DetailedJpeg(61, 37), ExifPayload(value, value % 2 == 0));
        const QString path = Write(QStringLiteral("detailed.jpg"), jpeg);
        const QImage full = LoadPicture(path);
        QCOMPARE(full.size(), value >= 5 ? QSize(37, 61) : QSize(61, 37));
        const QImage expected = StretchNearest(full, size).convertToFormat(QImage::Format_RGB888);
        QByteArray bytes = jpeg;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const QImage stretched = DecodeJpegStretched(buffer, size);
        QCOMPARE(stretched.format(), QImage::Format_RGB888);
        const QString diff = testing::CheckSame(stretched, expected);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        QCOMPARE(LoadPictureStretched(path, size), stretched);
    }

    // ---- Colour profiles -----------------------------------------------------

    void profileColoursMatchTransicc()
    {
        const QByteArray icc = photos::WideGamutProfile();
        QVERIFY(!icc.isEmpty());
        const QString iccPath = Write(QStringLiteral("wide.icc"), icc);
        const QByteArray plain = photos::QuarterJpeg();
        const QImage without = LoadPicture(Write(QStringLiteral("plain.jpg"), plain));
        const QImage with = LoadPicture(Write(QStringLiteral("profiled.jpg"), photos::WithIccProfile(plain, icc)));
        QCOMPARE(with.size(), without.size());
        int changed = 0;
        for (const QPoint p : {QPoint(8, 4), QPoint(56, 4), QPoint(8, 28), QPoint(56, 28), QPoint(31, 15)}) {
            const QRgb stored = without.pixel(p);
            const QColor expected = Transicc(iccPath, stored);
            if (!expected.isValid())
                QSKIP("transicc (liblcms2-utils) is missing");
            const QRgb got = with.pixel(p);
            QVERIFY2(std::abs(qRed(got) - expected.red()) <= 1 && std::abs(qGreen(got) - expected.green()) <= 1
                         && std::abs(qBlue(got) - expected.blue()) <= 1,
                     qPrintable(QStringLiteral("at (%1, %2): stored %3, converted %4, transicc %5")
                                    .arg(p.x()).arg(p.y())
                                    .arg(testing::ColorName(stored), testing::ColorName(got),
                                         testing::ColorName(expected.rgb()))));
            changed += got != stored ? 1 : 0;
        }
        // The wide gamut pulls pure colours well outside sRGB: the
        // conversion must have changed them.
        QVERIFY(changed >= 3);
    }

    // CMYK pictures as Adobe writes them (inverted: 255 means no ink) go
    // through their profile's table, not the plain ink formula.
    void cmykProfileConvertsCmykPicture()
    {
        const std::array<std::array<int, 4>, 4> inks = {{{255, 255, 255, 255}, {55, 255, 255, 255},
                                                         {255, 120, 30, 255}, {200, 200, 200, 90}}};
        codectest::JpegRecipe r;
        r.width = 32;
        r.height = 32;
        r.components = 4;
        r.pixel = [&inks](int x, int y, unsigned char* s) {
            const std::array<int, 4>& ink = inks[size_t((y >= 16 ? 2 : 0) + (x >= 16 ? 1 : 0))];
            for (int i = 0; i < 4; ++i)
                s[i] = uchar(ink[size_t(i)]);
        };
        const QByteArray icc = photos::CmykProfile();
        QVERIFY(!icc.isEmpty());
        const QString iccPath = Write(QStringLiteral("cmyk.icc"), icc);
        const QByteArray plain = codectest::MakeJpeg(r);
        const QImage without = LoadPicture(Write(QStringLiteral("cmyk.jpg"), plain));
        const QImage with = LoadPicture(Write(QStringLiteral("cmykp.jpg"), photos::WithIccProfile(plain, icc)));
        const QString tool = codectest::Tool(QStringLiteral("transicc"));
        if (tool.isEmpty())
            QSKIP("transicc (liblcms2-utils) is missing");
        int changed = 0;
        for (size_t q = 0; q < 4; ++q) {
            const QPoint p(q % 2 ? 24 : 8, q >= 2 ? 24 : 8);
            // transicc takes ink in percent; the stored samples are inverted.
            QByteArray in;
            for (int i = 0; i < 4; ++i)
                in += QByteArray::number((255 - inks[q][size_t(i)]) * 100.0 / 255.0, 'f', 4) + ' ';
            QByteArray out;
            QVERIFY(codectest::Run(tool, {QStringLiteral("-i") + iccPath, QStringLiteral("-o*sRGB"),
                                          QStringLiteral("-t0"), QStringLiteral("-c0"), QStringLiteral("-s"),
                                          QStringLiteral("-n")},
                                   &out, in.trimmed() + "\n"));
            const QList<QByteArray> v = out.simplified().split(' ');
            QVERIFY(v.size() >= 3);
            const QRgb got = with.pixel(p);
            const int expected[3] = {int(std::lround(v[0].toDouble())), int(std::lround(v[1].toDouble())),
                                     int(std::lround(v[2].toDouble()))};
            QVERIFY2(std::abs(qRed(got) - expected[0]) <= 2 && std::abs(qGreen(got) - expected[1]) <= 2
                         && std::abs(qBlue(got) - expected[2]) <= 2,
                     qPrintable(QStringLiteral("inks %1: converted %2, transicc %3").arg(QString::fromLatin1(in),
                                    testing::ColorName(got), QString::fromLatin1(out.simplified()))));
            changed += got != without.pixel(p) ? 1 : 0;
        }
        QVERIFY(changed >= 2);
    }

    void greyProfileConvertsGreyPicture()
    {
        codectest::JpegRecipe r;
        r.width = 32;
        r.height = 16;
        r.components = 1;
        r.pixel = [](int x, int, unsigned char* s) { s[0] = uchar(x < 16 ? 64 : 160); };
        const QByteArray icc = photos::LinearGreyProfile();
        const QString iccPath = Write(QStringLiteral("grey.icc"), icc);
        const QByteArray plain = codectest::MakeJpeg(r);
        const QImage without = LoadPicture(Write(QStringLiteral("grey.jpg"), plain));
        const QImage with = LoadPicture(Write(QStringLiteral("greyp.jpg"), photos::WithIccProfile(plain, icc)));
        for (const QPoint p : {QPoint(4, 8), QPoint(28, 8)}) {
            const QColor expected = Transicc(iccPath, without.pixel(p), true);
            if (!expected.isValid())
                QSKIP("transicc (liblcms2-utils) is missing");
            const QRgb got = with.pixel(p);
            QVERIFY2(std::abs(qRed(got) - expected.red()) <= 1 && qRed(got) == qGreen(got) && qRed(got) == qBlue(got),
                     qPrintable(QStringLiteral("grey %1 became %2, transicc %3")
                                    .arg(qRed(without.pixel(p)))
                                    .arg(testing::ColorName(got), testing::ColorName(expected.rgb()))));
            QVERIFY(got != without.pixel(p));
        }
    }

    // A profile that cannot be used is as good as none: the picture's own
    // samples, byte for byte. The same picture with the intact profile
    // changes, so the profile route is live.
    void unusableProfileLoadsAsWithout_data()
    {
        QTest::addColumn<QByteArray>("icc");
        const QByteArray good = photos::WideGamutProfile();
        QTest::newRow("garbage") << QByteArray(300, '\x5a');
        QTest::newRow("cut short") << good.left(good.size() / 2);
        QTest::newRow("header only") << good.left(128);
        QTest::newRow("grey profile on colour") << photos::LinearGreyProfile();
        QByteArray sizeLies = good;
        sizeLies[0] = sizeLies[1] = sizeLies[2] = '\0';
        sizeLies[3] = '\x40';  // declared size shorter than the header
        QTest::newRow("size shorter than the header") << sizeLies;
        QByteArray badTable = good;
        for (qsizetype i = 132; i < qMin<qsizetype>(badTable.size(), 200); ++i)
            badTable[i] = '\xff';  // tag table pointing everywhere
        QTest::newRow("tag table spoilt") << badTable;
    }

    void unusableProfileLoadsAsWithout()
    {
        QFETCH(QByteArray, icc);
        const QByteArray plain = photos::QuarterJpeg();
        const QImage without = LoadPicture(Write(QStringLiteral("plain.jpg"), plain));
        const QImage intact = LoadPicture(
            Write(QStringLiteral("intact.jpg"), photos::WithIccProfile(plain, photos::WideGamutProfile())));
        QVERIFY(!testing::CheckSame(intact, without).isEmpty());
        const QImage picture = LoadPicture(Write(QStringLiteral("broken.jpg"), photos::WithIccProfile(plain, icc)));
        const QString diff = testing::CheckSame(picture, without);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    // The partial decode converts the rows it hands over exactly as the full
    // decode converts the whole picture.
    void stretchedDecodeConvertsLikeFullDecode()
    {
        const QByteArray jpeg = photos::WithIccProfile(
            photos::WithApp1(photos::DetailedJpeg(61, 37), ExifPayload(8, false)), photos::WideGamutProfile());
        const QString path = Write(QStringLiteral("both.jpg"), jpeg);
        const QImage full = LoadPicture(path);
        const QImage stretched = LoadPictureStretched(path, QSize(30, 70));
        const QString diff = testing::CheckSame(
            stretched, StretchNearest(full, QSize(30, 70)).convertToFormat(QImage::Format_RGB888));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        const QImage unconverted = LoadPictureStretched(
            Write(QStringLiteral("noicc.jpg"),
                  photos::WithApp1(photos::DetailedJpeg(61, 37), ExifPayload(8, false))),
            QSize(30, 70));
        QVERIFY(!testing::CheckSame(stretched, unconverted).isEmpty());
    }

    // ---- Smooth shrinking ----------------------------------------------------

    void reducedDecodeKeepsAtLeastTheAskedSize_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QSize>("atLeast");
        QTest::addColumn<QSize>("expected");
        // A 256 x 128 picture decodes at 32 x 16, 64 x 32, ... 256 x 128.
        QTest::newRow("eighth") << 1 << QSize(30, 16) << QSize(32, 16);
        QTest::newRow("height needs two eighths") << 1 << QSize(30, 20) << QSize(64, 32);
        QTest::newRow("width needs three eighths") << 1 << QSize(65, 20) << QSize(96, 48);
        QTest::newRow("full size") << 1 << QSize(250, 100) << QSize(256, 128);
        QTest::newRow("larger than the picture") << 1 << QSize(400, 300) << QSize(256, 128);
        QTest::newRow("turned: eighth") << 6 << QSize(16, 30) << QSize(16, 32);
        QTest::newRow("turned: width of the turned picture") << 6 << QSize(20, 30) << QSize(32, 64);
    }

    void reducedDecodeKeepsAtLeastTheAskedSize()
    {
        QFETCH(int, value);
        QFETCH(QSize, atLeast);
        QFETCH(QSize, expected);
        QByteArray jpeg = photos::WithApp1(photos::DetailedJpeg(256, 128), ExifPayload(value, false));
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::ReadOnly);
        QCOMPARE(DecodeJpegReduced(buffer, atLeast).size(), expected);
    }

    // The smooth shrink against ImageMagick's Lanczos shrink of the whole
    // picture: close on average and nowhere far off.
    void smoothShrinkIsCloseToFullLanczosShrink_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("size");
        QTest::newRow("jpeg to 60x40") << "jpg" << QSize(60, 40);
        QTest::newRow("jpeg to 97x23") << "jpg" << QSize(97, 23);
        QTest::newRow("bmp to 60x40") << "bmp" << QSize(60, 40);
        QTest::newRow("bmp to 300x50 (enlarged across)") << "bmp" << QSize(300, 50);
    }

    void smoothShrinkIsCloseToFullLanczosShrink()
    {
        QFETCH(QString, kind);
        QFETCH(QSize, size);
        const QImage pattern = PhotoLike(480, 320);
        const QString path = temp_.filePath(QStringLiteral("smooth.") + kind);
        if (kind == QLatin1String("bmp")) {
            QVERIFY(pattern.save(path, "BMP"));
        } else {
            codectest::JpegRecipe r;
            r.width = pattern.width();
            r.height = pattern.height();
            r.pixel = [&pattern](int x, int y, unsigned char* s) {
                const uchar* p = pattern.constScanLine(y) + 3 * x;
                s[0] = p[0];
                s[1] = p[1];
                s[2] = p[2];
            };
            photos::WriteFile(path, codectest::MakeJpeg(r));
        }
        const QImage smooth = LoadPictureSmooth(path, size);
        QCOMPARE(smooth.size(), size);
        QCOMPARE(smooth.format(), QImage::Format_RGB888);
        const QString convert = codectest::Tool(QStringLiteral("convert"));
        if (convert.isEmpty())
            QSKIP("ImageMagick is missing");
        const QString reference = temp_.filePath(QStringLiteral("reference.ppm"));
        QVERIFY(codectest::Run(convert, {path, QStringLiteral("-filter"), QStringLiteral("Lanczos"),
                                         QStringLiteral("-resize"),
                                         QStringLiteral("%1x%2!").arg(size.width()).arg(size.height()), reference}));
        const Difference d = Compare(smooth, QImage(reference));
        QVERIFY2(d.mean <= 1.0 && d.max <= 8,
                 qPrintable(QStringLiteral("mean difference %1, largest %2").arg(d.mean).arg(d.max)));
    }

    void lanczosKeepsFlatColourAndSize()
    {
        QImage flat(123, 77, QImage::Format_RGB888);
        flat.fill(QColor(200, 100, 50));
        for (const QSize size : {QSize(10, 10), QSize(123, 77), QSize(300, 5)}) {
            const QImage out = ResizeLanczos(flat, size);
            QCOMPARE(out.size(), size);
            QVERIFY2(testing::CheckUniform(out, out.rect(), qRgb(200, 100, 50)).isEmpty(),
                     qPrintable(testing::CheckUniform(out, out.rect(), qRgb(200, 100, 50))));
        }
        QVERIFY(ResizeLanczos(QImage(), QSize(5, 5)).isNull());
        QVERIFY(ResizeLanczos(flat, QSize(0, 5)).isNull());
    }
};

YOTSUMADO_TEST_MAIN(PhotosTest)
#include "tst_photos.moc"
