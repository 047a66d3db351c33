// Inputs that once cost the loader far more than they should, found by
// fuzzing the drop path (fuzz/). Each row is a picture made here.

#include "bombs/bombfiles.h"
#include "codectest.h"

#include "codec/pictureloader.h"
#include "codectools.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QtEndian>

#include <sys/resource.h>

using namespace yotsumado;

using namespace codectest;

void CodecTest::damagedFormatModuleSaysTheKindIsNotInstalled_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::newRow("HEIF") << "x.heic" << "HEIF";
    QTest::newRow("AVIF") << "x.avif" << "AVIF";
    QTest::newRow("JPEG XL") << "x.jxl" << "JPEG XL";
}

void CodecTest::damagedFormatModuleSaysTheKindIsNotInstalled()
{
    // An installed program takes the module beside it (../lib/yotsumado)
    // before any other: a copy of the helper finds a damaged one there.
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QVERIFY(QDir(temp_.path()).mkpath(QStringLiteral("bin")));
    QVERIFY(QDir(temp_.path()).mkpath(QStringLiteral("lib/yotsumado")));
    const QString program = Temp(QStringLiteral("bin/loadpeak"));
    QVERIFY(QFile::exists(program) || QFile::copy(QStringLiteral(LOADPEAK_PROGRAM), program));
    WriteAll(Temp(QStringLiteral("lib/yotsumado/libyotsumado_formats.so")), "not a shared object");
    const QString path = Temp(name);
    WriteAll(path, "not a picture either");
    QProcess helper;
    helper.start(program, {path, QStringLiteral("0")});
    QVERIFY(helper.waitForFinished(60000));
    QCOMPARE(QString::fromUtf8(helper.readAllStandardOutput().trimmed()),
             QStringLiteral("error %1 イメージを読むためのモジュール (libyotsumado_formats.so) がインストールされていません").arg(kind));
    QCOMPARE(helper.exitCode(), 1);
}

void CodecTest::runLengthBitmapEndingEarlyIsColourZeroWithinMemory_data()
{
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<int>("side");
    // 16384 x 16384 is the largest bitmap Qt's reader takes.
    QTest::newRow("RLE8, 16384 x 16384") << 8 << 16384;
    QTest::newRow("RLE4, 16384 x 16384") << 4 << 16384;
    // Small enough to come from reused heap memory, which Qt's reader left
    // in the pixels its runs never reached.
    QTest::newRow("RLE8, 64 x 64") << 8 << 64;
    QTest::newRow("RLE4, 64 x 64") << 4 << 64;
}

void CodecTest::runLengthBitmapEndingEarlyIsColourZeroWithinMemory()
{
    // A bitmap whose runs end at once shows colour 0 of its palette in
    // every pixel. At the largest size, a file of about a kilobyte makes a
    // 768 MB picture, which the bound on picture size allows. Making it may take the palette picture Qt reads
    // plus the 24-bit result (4 bytes a pixel) and some room, but not the
    // further whole-picture copies that converting it in one piece piled up
    // under the sanitizers (2 GB, found by fuzz/).
    QFETCH(int, bitCount);
    QFETCH(int, side);
    const QRgb colour = qRgb(10, 200, 30);
    const QString path = Temp(QStringLiteral("runlength.bmp"));
    WriteAll(path, bombs::RunLengthBitmap(side, side, bitCount, colour));
    // Loaded by a helper process, so that the peak is the load's own.
    QProcess helper;
    helper.start(QStringLiteral(LOADPEAK_PROGRAM), {path, QString::number(colour & 0xffffff, 16)});
    QVERIFY(helper.waitForFinished(300000));
    const QList<QByteArray> report = helper.readAllStandardOutput().trimmed().split(' ');
    QCOMPARE(report.size(), 4);
    QCOMPARE(report[0].toInt(), side);
    QCOMPARE(report[1].toInt(), side);
    QCOMPARE(report[2].toInt(), 1);  // every pixel shows colour 0 of the palette
    const qint64 peakKb = report[3].toLongLong();
    const qint64 pixels = qint64(side) * side;
    // The helper's peak counts this process as forked before the helper
    // started; this process has never been larger than its own peak.
    struct rusage own {};
    getrusage(RUSAGE_SELF, &own);
    const qint64 allowedKb = (pixels * 11 / 2 + (qint64(100) << 20)) / 1024 + own.ru_maxrss;  // 5.5 bytes a pixel + 100 MB
    QVERIFY2(peakKb > 0 && peakKb < allowedKb,
             qPrintable(QStringLiteral("peak %1 MB, allowed %2 MB").arg(peakKb / 1024).arg(allowedKb / 1024)));
}
