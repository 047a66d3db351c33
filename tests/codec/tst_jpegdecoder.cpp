#include "codectest.h"

#include "codec/jpegdecoder.h"
#include "codec/pictureloader.h"
#include "codectools.h"
#include "support/pixels.h"

#include <QBuffer>
#include <QFile>
#include <QTest>

#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

using namespace yotsumado;

using namespace codectest;

namespace {

QImage Decode(const QByteArray& jpeg)
{
    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    return DecodeJpeg(buffer);
}

// A device that reads like a pipe: no seeking, so a decode reads every byte.
class Pipe : public QIODevice {
public:
    explicit Pipe(QByteArray bytes) : bytes_(std::move(bytes)) { open(ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 most) override
    {
        const qint64 n = qMin(most, bytes_.size() - at_);
        std::memcpy(data, bytes_.constData() + at_, size_t(n));
        at_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray bytes_;
    qint64 at_ = 0;
};

int MaxChannelDifference(QRgb a, QRgb b)
{
    return qMax(qAbs(qRed(a) - qRed(b)), qMax(qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b))));
}

} // namespace

void CodecTest::jpegDecodeEqualsDjpeg_data()
{
    // Each stream is made by cjpeg or jpegtran from a picture made here.
    QTest::addColumn<QStringList>("cjpeg");     // cjpeg's options
    QTest::addColumn<QStringList>("jpegtran");  // then jpegtran's, if any
    QTest::addColumn<int>("cut");               // 0, or the percentage of the stream kept
    QTest::newRow("baseline 4:2:0") << QStringList{} << QStringList{} << 0;
    QTest::newRow("baseline 4:4:4") << QStringList{"-sample", "1x1"} << QStringList{} << 0;
    QTest::newRow("baseline 4:2:2, optimised tables") << QStringList{"-sample", "2x1", "-optimize"} << QStringList{} << 0;
    QTest::newRow("progressive, made by jpegtran") << QStringList{} << QStringList{"-progressive"} << 0;
    QTest::newRow("grey-scale") << QStringList{"-grayscale"} << QStringList{} << 0;
    QTest::newRow("grey-scale progressive") << QStringList{"-grayscale", "-progressive"} << QStringList{} << 0;
    QTest::newRow("4:4:4 with restart markers") << QStringList{"-sample", "1x1", "-restart", "2"} << QStringList{} << 0;
    QTest::newRow("4:2:0, a restart marker every MCU") << QStringList{"-restart", "1B"} << QStringList{} << 0;
    QTest::newRow("arithmetic") << QStringList{"-arithmetic"} << QStringList{} << 0;
    QTest::newRow("arithmetic progressive") << QStringList{"-arithmetic", "-progressive"} << QStringList{} << 0;
    QTest::newRow("arithmetic, made Huffman by jpegtran")
        << QStringList{"-arithmetic"} << QStringList{"-optimize"} << 0;
    QTest::newRow("progressive, cut short (block smoothing)") << QStringList{"-progressive"} << QStringList{} << 45;
    QTest::newRow("large, odd width (big-picture memory)") << QStringList{"large"} << QStringList{} << 0;
}

void CodecTest::jpegDecodeEqualsDjpeg()
{
    QFETCH(QStringList, cjpeg);
    QFETCH(QStringList, jpegtran);
    QFETCH(int, cut);
    for (const char* tool : {"djpeg", "cjpeg", "jpegtran"})
        if (Tool(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 (libjpeg-turbo-progs) is not installed: no reference decoder")
                                 .arg(QString::fromLatin1(tool))));
    const bool large = cjpeg == QStringList{QStringLiteral("large")};
    const QString ppm = Temp(QStringLiteral("source.ppm"));
    WriteAll(ppm, Ppm(large ? Pattern(2501, 1500) : Grainy(227, 149)));
    if (large)
        cjpeg.clear();
    const QString out = QStringLiteral("-outfile");
    const QString path = Temp(QStringLiteral("made.jpg"));
    QVERIFY2(Run(Tool(QStringLiteral("cjpeg")), cjpeg + QStringList{out, path, ppm}), "cjpeg failed");
    QFile::remove(ppm);
    if (!jpegtran.isEmpty()) {
        const QString before = Temp(QStringLiteral("before.jpg"));
        QFile::remove(before);
        QVERIFY(QFile::rename(path, before));
        QVERIFY2(Run(Tool(QStringLiteral("jpegtran")), jpegtran + QStringList{out, path, before}), "jpegtran failed");
    }

    if (cut > 0) {
        const QByteArray whole = ReadAll(path);
        WriteAll(path, whole.left(whole.size() * cut / 100));
    }

    const QImage reference = DjpegDecode(path, cut > 0);
    QVERIFY(!reference.isNull());
    const QImage image = LoadPicture(path);
    QCOMPARE(image.format(), QImage::Format_RGB888);
    SAME_IMAGE(image, reference);
}

void CodecTest::cmykAndYcckShowTheirColours_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("adobe");
    QTest::newRow("CMYK, Adobe (inverted)") << int(JCS_CMYK) << true;
    QTest::newRow("CMYK, plain") << int(JCS_CMYK) << false;
    QTest::newRow("YCCK, Adobe") << int(JCS_YCCK) << true;
}

void CodecTest::cmykAndYcckShowTheirColours()
{
    QFETCH(int, stored);
    QFETCH(bool, adobe);
    // Four quadrants: cyan ink, magenta + yellow inks, half black, no ink.
    struct Ink { int c, m, y, k; QRgb rgb; };
    const Ink inks[4] = {{255, 0, 0, 0, qRgb(0, 255, 255)},
                         {0, 255, 255, 0, qRgb(255, 0, 0)},
                         {0, 0, 0, 128, qRgb(127, 127, 127)},
                         {0, 0, 0, 0, qRgb(255, 255, 255)}};
    JpegRecipe recipe;
    recipe.width = 32;
    recipe.height = 32;
    recipe.components = 4;
    recipe.storedColorSpace = stored;
    recipe.adobeMarker = adobe;
    recipe.pixel = [&inks, adobe](int x, int y, unsigned char* s) {
        const Ink& ink = inks[(y / 16) * 2 + x / 16];
        const int values[4] = {ink.c, ink.m, ink.y, ink.k};
        for (int i = 0; i < 4; ++i)
            s[i] = uchar(adobe ? 255 - values[i] : values[i]);
    };
    const QByteArray jpeg = MakeJpeg(recipe);
    QVERIFY(!jpeg.isEmpty());
    const QImage image = Decode(jpeg);
    QCOMPARE(image.format(), QImage::Format_RGB888);
    QCOMPARE(image.size(), QSize(32, 32));
    for (int q = 0; q < 4; ++q) {
        const QPoint centre(8 + 16 * (q % 2), 8 + 16 * (q / 2));
        const QRgb got = image.pixel(centre);
        QVERIFY2(MaxChannelDifference(got, inks[q].rgb) <= 4,
                 qPrintable(QStringLiteral("quadrant %1 is %2, expected %3")
                                .arg(q).arg(testing::ColorName(got), testing::ColorName(inks[q].rgb))));
    }
}

void CodecTest::progressiveScanLimit_data()
{
    QTest::addColumn<int>("scans");
    QTest::addColumn<bool>("shown");
    QTest::newRow("100 scans") << 100 << true;
    QTest::newRow("500 scans") << 500 << true;
    QTest::newRow("501 scans") << 501 << false;
    QTest::newRow("694 scans") << 694 << false;
}

void CodecTest::progressiveScanLimit()
{
    QFETCH(int, scans);
    QFETCH(bool, shown);
    JpegRecipe recipe;
    recipe.width = 24;
    recipe.height = 24;
    recipe.components = 1;
    recipe.scans = ManyScans(scans);
    QCOMPARE(int(recipe.scans.size()), scans);
    recipe.pixel = [](int x, int y, unsigned char* s) { s[0] = uchar(x * 8 + y * 2); };
    const QByteArray jpeg = MakeJpeg(recipe);
    QVERIFY2(!jpeg.isEmpty(), "the library refused the scan script");
    // Count the scans really in the stream: SOS markers.
    QCOMPARE(int(jpeg.count(QByteArray("\xFF\xDA", 2))), scans);
    if (shown) {
        const QImage image = Decode(jpeg);
        QCOMPARE(image.size(), QSize(24, 24));
        const int expected = 5 * 8 + 7 * 2;
        QVERIFY(qAbs(qRed(image.pixel(5, 7)) - expected) <= 8);
    } else {
        QCOMPARE(ErrorOf<EJPEG>([&] { Decode(jpeg); }), JpegErrorText(JERR_BAD_PROGRESSION));
    }
}

void CodecTest::reducedProgressiveDecodeEqualsFullOne_data()
{
    // cjpeg's options ("cmyk": a CMYK picture made here), then jpegtran's,
    // then a scan script for jpegtran (the coefficients' zig-zag positions).
    QTest::addColumn<QStringList>("cjpeg");
    QTest::addColumn<QStringList>("jpegtran");
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("cut");           // 0, or the percentage of the stream kept
    QTest::addColumn<bool>("passesOver");   // some scans are left unread
    const QStringList progressive{"-progressive"};
    QTest::newRow("4:2:0, successive approximation") << progressive << QStringList{} << QString() << 0 << true;
    QTest::newRow("4:2:2") << QStringList{"-progressive", "-sample", "2x1"} << QStringList{} << QString() << 0 << true;
    QTest::newRow("4:4:4") << QStringList{"-progressive", "-sample", "1x1"} << QStringList{} << QString() << 0 << true;
    QTest::newRow("grey") << QStringList{"-progressive", "-grayscale"} << QStringList{} << QString() << 0 << true;
    QTest::newRow("a restart marker every MCU")
        << QStringList{"-progressive", "-sample", "2x1", "-restart", "1B"} << QStringList{} << QString() << 0 << true;
    QTest::newRow("CMYK") << QStringList{"cmyk"} << progressive << QString() << 0 << true;
    // At 1/8 the 2 x 2 chroma transform of 4:2:0 reads no coefficient of
    // zig-zag position 3 (row 2).
    QTest::newRow("DC scan by scan, a chroma band nothing reads")
        << QStringList{} << QStringList{}
        << "0: 0 0 0 0; 1: 0 0 0 0; 2: 0 0 0 0; 0: 1 5 0 0; 0: 6 63 0 0;"
           "1: 1 2 0 0; 1: 3 3 0 0; 1: 4 63 0 0; 2: 1 63 0 0;" << 0 << true;
    QTest::newRow("a band nothing reads, refined with ones read")
        << QStringList{"-quality", "100"} << QStringList{}
        << "0 1 2: 0 0 0 1; 0: 1 63 0 2; 1: 1 2 0 1; 1: 3 3 0 1; 1: 4 63 0 0; 1: 1 3 1 0;"
           "2: 1 63 0 0; 0: 1 63 2 1; 0 1 2: 0 0 1 0; 0: 1 63 1 0;" << 0 << true;
    QTest::newRow("no low luma AC: the full decode smooths")
        << QStringList{} << QStringList{} << "0 1 2: 0 0 0 0; 1: 1 63 0 0; 2: 1 63 0 0; 0: 10 63 0 0;" << 0 << false;
    QTest::newRow("cut short in an AC scan") << progressive << QStringList{} << QString() << 60 << false;
    QTest::newRow("arithmetic")
        << QStringList{"-progressive", "-arithmetic"} << QStringList{} << QString() << 0 << false;
    QTest::newRow("baseline") << QStringList{} << QStringList{} << QString() << 0 << false;
}

void CodecTest::reducedProgressiveDecodeEqualsFullOne()
{
    QFETCH(QStringList, cjpeg);
    QFETCH(QStringList, jpegtran);
    QFETCH(QString, script);
    QFETCH(int, cut);
    QFETCH(bool, passesOver);
    if (Tool(QStringLiteral("cjpeg")).isEmpty() || Tool(QStringLiteral("jpegtran")).isEmpty())
        QSKIP("cjpeg and jpegtran (libjpeg-turbo-progs) are not installed: nothing makes the streams");
    const QString out = QStringLiteral("-outfile");
    const QString path = Temp(QStringLiteral("made.jpg"));
    const QString before = jpegtran.isEmpty() && script.isEmpty() ? path : Temp(QStringLiteral("before.jpg"));
    if (cjpeg == QStringList{QStringLiteral("cmyk")}) {
        JpegRecipe recipe;
        recipe.width = 227;
        recipe.height = 149;
        recipe.components = 4;
        recipe.pixel = [](int x, int y, unsigned char* s) {
            const int values[4] = {x, y * 2, (x * y) % 251, (x + y) % 97};
            for (int i = 0; i < 4; ++i)
                s[i] = uchar(values[i]);
        };
        WriteAll(before, MakeJpeg(recipe));
    } else {
        const QString ppm = Temp(QStringLiteral("source.ppm"));
        WriteAll(ppm, Ppm(Grainy(227, 149)));
        QVERIFY2(Run(Tool(QStringLiteral("cjpeg")), cjpeg + QStringList{out, before, ppm}), "cjpeg failed");
    }
    if (!script.isEmpty()) {
        const QString scans = Temp(QStringLiteral("scans.txt"));
        WriteAll(scans, script.toLatin1());
        jpegtran += QStringList{QStringLiteral("-scans"), scans};
    }
    if (before != path)
        QVERIFY2(Run(Tool(QStringLiteral("jpegtran")), jpegtran + QStringList{out, path, before}), "jpegtran failed");
    QByteArray stream = ReadAll(path);
    if (cut > 0)
        stream.truncate(stream.size() * cut / 100);

    Pipe pipe(stream);
    const QImage reference = DecodeJpegReduced(pipe, QSize(1, 1));
    QBuffer buffer(&stream);
    buffer.open(QIODevice::ReadOnly);
    const qint64 passedBefore = JpegScanBytesPassedOver();
    const QImage image = DecodeJpegReduced(buffer, QSize(1, 1));
    QCOMPARE(JpegScanBytesPassedOver() > passedBefore, passesOver);
    QCOMPARE(image.size(), QSize(29, 19));
    SAME_IMAGE(image, reference);
}
