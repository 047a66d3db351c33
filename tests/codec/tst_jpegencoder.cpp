#include "codectest.h"

#include "codec/jpegdecoder.h"
#include "codec/jpegencoder.h"
#include "codectools.h"
#include "support/pixels.h"
#include "support/testdata.h"

#include <QBuffer>
#include <QFile>
#include <QTest>

#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

using namespace yotsumado;

using namespace codectest;

namespace {

// The marker segments before the first scan, as (marker, offset) pairs.
QList<QPair<int, qsizetype>> HeaderMarkers(const QByteArray& jpeg)
{
    QList<QPair<int, qsizetype>> markers;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && quint8(jpeg[at]) == 0xFF) {
        const int marker = quint8(jpeg[at + 1]);
        markers.append({marker, at});
        if (marker == 0xDA)
            break;
        at += 2 + (quint8(jpeg[at + 2]) << 8 | quint8(jpeg[at + 3]));
    }
    return markers;
}

} // namespace

void CodecTest::encodedPictureIsBaselineJfif()
{
    const QImage picture = Pattern(480, 360);
    const QByteArray jpeg = EncodeJpeg(picture);
    QVERIFY(jpeg.startsWith(QByteArray("\xFF\xD8", 2)));
    QVERIFY(jpeg.endsWith(QByteArray("\xFF\xD9", 2)));

    const auto markers = HeaderMarkers(jpeg);
    QVERIFY(markers.size() >= 3);
    // JFIF APP0 first.
    QCOMPARE(markers[0].first, 0xE0);
    QCOMPARE(jpeg.mid(markers[0].second + 4, 5), QByteArray("JFIF\0", 5));
    int frames = 0, scans = 0;
    for (const auto& [marker, at] : markers) {
        if (marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            QFAIL(qPrintable(QStringLiteral("frame marker %1 is not baseline").arg(marker, 0, 16)));
        if (marker == 0xC0) {
            ++frames;
            // precision 8, height 360, width 480, 3 components; Y 2x2, Cb and Cr 1x1
            QCOMPARE(quint8(jpeg[at + 4]), quint8(8));
            QCOMPARE(quint8(jpeg[at + 5]) << 8 | quint8(jpeg[at + 6]), 360);
            QCOMPARE(quint8(jpeg[at + 7]) << 8 | quint8(jpeg[at + 8]), 480);
            QCOMPARE(quint8(jpeg[at + 9]), quint8(3));
            QCOMPARE(quint8(jpeg[at + 11]), quint8(0x22));
            QCOMPARE(quint8(jpeg[at + 14]), quint8(0x11));
            QCOMPARE(quint8(jpeg[at + 17]), quint8(0x11));
        }
        if (marker == 0xDA)
            ++scans;
    }
    QCOMPARE(frames, 1);
    QCOMPARE(int(jpeg.count(QByteArray("\xFF\xDA", 2))), 1);  // sequential: one scan
    QCOMPARE(scans, 1);

    QBuffer buffer;
    buffer.setData(jpeg);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(DecodeJpeg(buffer).size(), QSize(480, 360));

    // Quality 80 keeps a smooth picture close to its source.
    QImage smooth(480, 360, QImage::Format_RGB888);
    for (int y = 0; y < 360; ++y)
        for (int x = 0; x < 480; ++x)
            smooth.setPixel(x, y, qRgb(x * 255 / 479, y * 255 / 359, (x + y) * 255 / 838));
    QBuffer smoothBuffer;
    smoothBuffer.setData(EncodeJpeg(smooth));
    QVERIFY(smoothBuffer.open(QIODevice::ReadOnly));
    const QImage decoded = DecodeJpeg(smoothBuffer);
    int worst = 0;
    for (int y = 0; y < 360; ++y)
        for (int x = 0; x < 480; ++x) {
            const QRgb a = decoded.pixel(x, y), b = smooth.pixel(x, y);
            worst = qMax(worst, qMax(qAbs(qRed(a) - qRed(b)), qMax(qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b)))));
        }
    QVERIFY2(worst <= 8, qPrintable(QString::number(worst)));
}

void CodecTest::encodedBytesEqualCjpeg_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("pattern 480 x 360") << "pattern";
    QTest::newRow("grainy 227 x 149") << "grainy";
    QTest::newRow("corpus: testorig.ppm") << "corpus";
}

void CodecTest::encodedBytesEqualCjpeg()
{
    QFETCH(QString, kind);
    if (Tool(QStringLiteral("cjpeg")).isEmpty())
        QSKIP("cjpeg (libjpeg-turbo-progs) is not installed: nothing to compare the bytes with");
    QImage picture;
    if (kind == QLatin1String("corpus")) {
        CORPUS_FILE(path, QStringLiteral("libjpeg-turbo/testorig.ppm"));
        picture = QImage(path);
    } else {
        picture = kind == QLatin1String("pattern") ? Pattern(480, 360) : Grainy(227, 149);
    }
    QVERIFY(!picture.isNull());
    const QString ppm = Temp(QStringLiteral("pixels.ppm"));
    WriteAll(ppm, Ppm(picture));
    QByteArray reference;
    QVERIFY(Run(Tool(QStringLiteral("cjpeg")),
                {QStringLiteral("-quality"), QStringLiteral("80"), QStringLiteral("-dct"), QStringLiteral("float"), ppm},
                &reference));
    QVERIFY(!reference.isEmpty());
    const QByteArray ours = EncodeJpeg(picture);
    QCOMPARE(ours.size(), reference.size());
    QVERIFY(ours == reference);
}

void CodecTest::encoderTakesAnyImageFormatAsItsRgb()
{
    const QImage rgb = Pattern(64, 48);
    const QByteArray expected = EncodeJpeg(rgb);
    QCOMPARE(EncodeJpeg(rgb.convertToFormat(QImage::Format_RGB32)), expected);
    QCOMPARE(EncodeJpeg(rgb.convertToFormat(QImage::Format_ARGB32)), expected);
    // Odd width: rows padded in memory must not leak into the picture.
    const QImage odd = Pattern(67, 5);
    QCOMPARE(EncodeJpeg(odd.convertToFormat(QImage::Format_RGB32)), EncodeJpeg(odd));
}

void CodecTest::encodingAnEmptyPictureGivesJpegError()
{
    QCOMPARE(ErrorOf<EJPEG>([] { EncodeJpeg(QImage()); }), JpegErrorText(JERR_EMPTY_IMAGE));
}

void CodecTest::saveJpegEncoderErrorLeavesOldFileUntouched()
{
    const QString path = Temp(QStringLiteral("keep.jpg"));
    WriteAll(path, "old contents");
    QCOMPARE(ErrorOf<EJPEG>([&] { SaveJpeg(QImage(), path); }), JpegErrorText(JERR_EMPTY_IMAGE));
    QCOMPARE(ReadAll(path), QByteArray("old contents"));

    SaveJpeg(Pattern(480, 360), path);
    QCOMPARE(ReadAll(path), EncodeJpeg(Pattern(480, 360)));
}
