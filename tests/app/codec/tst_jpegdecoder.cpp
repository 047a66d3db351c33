#include "codectest.h"

#include "codectools.h"
#include "jpegdecoder.h"
#include "pictureloader.h"
#include "pixels.h"

#include <QBuffer>
#include <QFile>
#include <QTest>

#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

using namespace codectest;

namespace {

QImage Decode(const QByteArray& jpeg)
{
    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    return DecodeJpeg(buffer);
}

int MaxChannelDifference(QRgb a, QRgb b)
{
    return qMax(qAbs(qRed(a) - qRed(b)), qMax(qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b))));
}

} // namespace

void CodecTest::jpegDecodeEqualsDjpeg_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("baseline 4:2:0") << "baseline";
    QTest::newRow("progressive (block smoothing)") << "progressive";
    QTest::newRow("grey-scale") << "grey";
    QTest::newRow("4:4:4 with restart markers") << "444";
    QTest::newRow("arithmetic progressive") << "arithmetic";
    QTest::newRow("large, odd width (big-picture memory)") << "large";
}

void CodecTest::jpegDecodeEqualsDjpeg()
{
    QFETCH(QString, kind);
    for (const char* tool : {"djpeg", "cjpeg", "jpegtran"})
        if (Tool(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 (libjpeg-turbo-progs) is not installed: no reference decoder")
                                 .arg(QString::fromLatin1(tool))));
    const QString original = Data(QStringLiteral("libjpeg-turbo/testorig.jpg"));
    const QString ppm = Data(QStringLiteral("libjpeg-turbo/testorig.ppm"));
    const QString path = Temp(kind + QStringLiteral(".jpg"));
    const QString out = QStringLiteral("-outfile");
    bool made = false;
    if (kind == QLatin1String("baseline"))
        made = QFile::copy(original, path);
    else if (kind == QLatin1String("progressive"))
        made = Run(Tool(QStringLiteral("jpegtran")), {QStringLiteral("-progressive"), out, path, original});
    else if (kind == QLatin1String("grey"))
        made = Run(Tool(QStringLiteral("cjpeg")), {QStringLiteral("-grayscale"), out, path, ppm});
    else if (kind == QLatin1String("444"))
        made = Run(Tool(QStringLiteral("cjpeg")),
                   {QStringLiteral("-sample"), QStringLiteral("1x1"), QStringLiteral("-restart"), QStringLiteral("2"),
                    out, path, ppm});
    else if (kind == QLatin1String("large")) {
        const QString largePpm = Temp(QStringLiteral("large.ppm"));
        WriteAll(largePpm, Ppm(Pattern(2501, 1500)));
        made = Run(Tool(QStringLiteral("cjpeg")), {out, path, largePpm});
        QFile::remove(largePpm);
    } else if (kind == QLatin1String("arithmetic"))
        made = Run(Tool(QStringLiteral("cjpeg")),
                   {QStringLiteral("-arithmetic"), QStringLiteral("-progressive"), out, path, ppm});
    QVERIFY2(made, "could not make the test file");

    const QImage reference = DjpegDecode(path);
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
