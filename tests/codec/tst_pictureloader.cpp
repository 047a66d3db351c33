#include "codectest.h"

#include "codec/exiforientation.h"
#include "codec/memorybudget.h"
#include "codec/pictureloader.h"
#include "codec/rasterdecode.h"
#include "core/error.h"
#include "codectools.h"
#include "support/bmpwriter.h"
#include "support/pixels.h"
#include "support/testdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QtEndian>

#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace yotsumado;

using namespace codectest;

namespace {

// Rows for every bitmap of a corpus folder.
void AddRowsForFolder(const QString& folder)
{
    QTest::addColumn<QString>("path");
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.bmp")}, QDir::Files, QDir::Name);
    if (names.isEmpty())  // the corpus was asked for and is not there: a row that fails
        QTest::newRow("no bitmaps in the corpus folder") << folder;
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << QDir(folder).filePath(name);
}

// A 24-bit bitmap and a 16-bit 5-6-5 one, over a thousand bytes each.
QByteArray MadeRgb24()
{
    testing::BmpRecipe r;
    r.width = 20;
    r.height = 20;
    r.pixel = [](int x, int y) { return quint32(x * 12 << 16 | y * 12 << 8 | (x + y) * 6); };
    return testing::MakeBmp(r).bytes;
}

QByteArray MadeRgb16()
{
    testing::BmpRecipe r;
    r.width = 30;
    r.height = 20;
    r.bitCount = 16;
    r.compression = 3;
    r.masks = {0xF800, 0x07E0, 0x001F};
    r.pixel = [](int x, int y) { return quint32(x * 2000 + y * 77) & 0xFFFF; };
    return testing::MakeBmp(r).bytes;
}

void PutU32(QByteArray& bytes, qsizetype at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

} // namespace

// The BMP Suite and libjpeg-turbo's pictures, when YOTSUMADO_TESTDATA names
// them: an additional check beside the pictures made in tst_bmpvariants.cpp
// and tst_jpegdecoder.cpp.

void CodecTest::goodBitmapsMatchReferenceDecoder_data()
{
    const QString folder = testing::CorpusFile(QStringLiteral("bmpsuite/good"));
    if (folder.isEmpty())
        QSKIP(testing::CorpusUnsetMessage());
    AddRowsForFolder(folder);
}

void CodecTest::goodBitmapsMatchReferenceDecoder()
{
    QFETCH(QString, path);
    QVERIFY2(QFileInfo(path).isFile(), qPrintable(QStringLiteral("no bitmaps in %1").arg(path)));
    if (Tool(QStringLiteral("convert")).isEmpty() || Tool(QStringLiteral("identify")).isEmpty())
        QSKIP("ImageMagick (convert, identify) is not installed: no reference decoder to compare with");
    const QImage reference = ImageMagickDecode(path);
    QVERIFY2(!reference.isNull(), "ImageMagick could not decode the file");
    const QImage image = LoadPicture(path);
    QCOMPARE(image.format(), QImage::Format_RGB888);
    SAME_IMAGE(image, reference);
}

void CodecTest::questionableBitmapsDisplayOrRefuse_data()
{
    const QString folder = testing::CorpusFile(QStringLiteral("bmpsuite/questionable"));
    if (folder.isEmpty())
        QSKIP(testing::CorpusUnsetMessage());
    AddRowsForFolder(folder);
}

void CodecTest::questionableBitmapsDisplayOrRefuse()
{
    QFETCH(QString, path);
    QVERIFY2(QFileInfo(path).isFile(), qPrintable(QStringLiteral("no bitmaps in %1").arg(path)));
    QImage image;
    try {
        image = LoadPicture(path);
    } catch (const EInvalidGraphic& e) {
        QCOMPARE(e.Message(), kInvalidBitmap);
        return;
    }
    QCOMPARE(image.format(), QImage::Format_RGB888);
    QVERIFY(image.width() > 0 && image.height() > 0);
}

void CodecTest::os2BitmapsShowLikeTheirWindowsTwin_data()
{
    // The suite draws the same picture in each layout; ImageMagick misreads
    // the 64-byte OS/2 2.x header, so these are compared with pal8.bmp.
    QTest::addColumn<QString>("name");
    QTest::newRow("OS/2 1.x") << "good/pal8os2.bmp";
    QTest::newRow("OS/2 1.x, short palette") << "questionable/pal8os2sp.bmp";
    QTest::newRow("OS/2 2.x, 64-byte header") << "questionable/pal8os2v2.bmp";
    QTest::newRow("OS/2 2.x, 64-byte header, bad size field") << "questionable/pal8os2v2-sz.bmp";
    QTest::newRow("OS/2 2.x, 16-byte header") << "questionable/pal8os2v2-16.bmp";
    QTest::newRow("OS/2 2.x, 40-byte header") << "questionable/pal8os2v2-40sz.bmp";
}

void CodecTest::os2BitmapsShowLikeTheirWindowsTwin()
{
    QFETCH(QString, name);
    CORPUS_FILE(twinPath, QStringLiteral("bmpsuite/good/pal8.bmp"));
    CORPUS_FILE(path, QStringLiteral("bmpsuite/") + name);
    SAME_IMAGE(LoadPicture(path), LoadPicture(twinPath));
}

void CodecTest::libjpegTurboPicturesLoad_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::newRow("baseline") << "testorig.jpg" << QSize(227, 149);
    QTest::newRow("integer DCT") << "testimgint.jpg" << QSize(227, 149);
    QTest::newRow("arithmetic coding") << "testimgari.jpg" << QSize(227, 149);
    QTest::newRow("8-bit bitmap") << "shira_bird8.bmp" << QSize();
    QTest::newRow("vgl 6434") << "vgl_6434_0018a.bmp" << QSize();
    QTest::newRow("vgl 6548") << "vgl_6548_0026a.bmp" << QSize();
}

void CodecTest::libjpegTurboPicturesLoad()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    CORPUS_FILE(path, QStringLiteral("libjpeg-turbo/") + name);
    const QImage image = LoadPicture(path);
    QCOMPARE(image.format(), QImage::Format_RGB888);
    if (size.isValid())
        QCOMPARE(image.size(), size);
    const bool jpeg = name.endsWith(QLatin1String(".jpg"));
    const QString tool = jpeg ? QStringLiteral("djpeg") : QStringLiteral("convert");
    if (Tool(tool).isEmpty())
        QSKIP(qPrintable(tool + QStringLiteral(" is not installed: size checked, pixels not compared")));
    const QImage reference = jpeg ? DjpegDecode(path) : ImageMagickDecode(path);
    QVERIFY(!reference.isNull());
    SAME_IMAGE(image, reference);
}

void CodecTest::twelveBitJpegGivesLibraryErrorCode_data()
{
    QTest::addColumn<bool>("corpus");
    QTest::newRow("made: precision 12 in the frame header") << false;
    QTest::newRow("corpus: monkey12.jpg") << true;
}

void CodecTest::twelveBitJpegGivesLibraryErrorCode()
{
    QFETCH(bool, corpus);
    QString path = Temp(QStringLiteral("twelve.jpg"));
    if (corpus) {
        CORPUS_FILE(monkey, QStringLiteral("libjpeg-turbo/monkey12.jpg"));
        path = monkey;
    } else {
        WriteAll(path, WithPrecision(SampleJpeg(), 12));
    }
    QCOMPARE(ErrorOf<EJPEG>([&] { LoadPicture(path); }), JpegErrorText(JERR_BAD_PRECISION));
}

void CodecTest::hostileBitmapsAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = MadeRgb24();
    QVERIFY(good.size() > 1000);
    const QByteArray good16 = MadeRgb16();
    QVERIFY(good16.size() > 1000);
    const auto patched = [&good](qsizetype at, quint32 value) {
        QByteArray bytes = good;
        PutU32(bytes, at, value);
        return bytes;
    };
    QTest::newRow("zero bytes") << QByteArray();
    QTest::newRow("garbage") << QByteArray("this is not a picture at all, only text");
    QTest::newRow("cut in the header") << good.left(20);
    QTest::newRow("cut in the pixels") << good.left(good.size() / 2);
    QTest::newRow("16-bit cut in the pixels") << good16.left(good16.size() - 100);
    QTest::newRow("65000 x 65000") << [&] { QByteArray b = patched(18, 65000); PutU32(b, 22, 65000); return b; }();
    QTest::newRow("width 2^31-1") << patched(18, 0x7FFFFFFF);
    QTest::newRow("negative width") << patched(18, quint32(-127));
    QTest::newRow("zero height") << patched(22, 0);
    QTest::newRow("height INT_MIN") << patched(22, 0x80000000u);
    QTest::newRow("huge top-down height") << patched(22, quint32(-100000000));
    QTest::newRow("unknown header size") << patched(14, 1000);
    QTest::newRow("data offset past the end") << patched(10, 0x7FFFFFF0);
    QTest::newRow("not BM") << [&] { QByteArray b = good; b[0] = 'X'; return b; }();
}

void CodecTest::hostileBitmapsAreRefused()
{
    QFETCH(QByteArray, bytes);
    const QString path = Temp(QStringLiteral("hostile.bmp"));
    WriteAll(path, bytes);
    QCOMPARE(ErrorOf<EInvalidGraphic>([&] { LoadPicture(path); }), kInvalidBitmap);
}

void CodecTest::largeBitmapOverQtsDefaultLimitLoads()
{
    // 6000 x 6000 at 24 bits: 144 MB once read as 32-bit pixels, above Qt's
    // default reader limit of 128 MB, well within ours.
    constexpr int kSide = 6000;
    constexpr int kRowBytes = kSide * 3;  // already a multiple of 4
    QByteArray bmp(54, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    PutU32(bmp, 2, quint32(54 + qint64(kRowBytes) * kSide));
    PutU32(bmp, 10, 54);
    PutU32(bmp, 14, 40);
    PutU32(bmp, 18, kSide);
    PutU32(bmp, 22, kSide);
    qToLittleEndian(quint16(1), bmp.data() + 26);
    qToLittleEndian(quint16(24), bmp.data() + 28);
    QByteArray row(kRowBytes, '\0');
    for (int x = 0; x < kSide; ++x) {  // blue, green, red
        row[3 * x] = char(x % 256);
        row[3 * x + 1] = char(100);
        row[3 * x + 2] = char(200);
    }
    const QString path = Temp(QStringLiteral("large.bmp"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(bmp) == bmp.size());
        for (int y = 0; y < kSide; ++y)
            QVERIFY(file.write(row) == row.size());
    }
    const QImage image = LoadPicture(path);
    QFile::remove(path);
    QCOMPARE(image.size(), QSize(kSide, kSide));
    QCOMPARE(image.format(), QImage::Format_RGB888);
    PIXEL_IS(image, 0, 0, qRgb(200, 100, 0));
    PIXEL_IS(image, 5999, 5999, qRgb(200, 100, 5999 % 256));
}

void CodecTest::hugeJpegHeaderIsRefusedBeforeDecoding()
{
    // A real stream whose frame header claims 65000 x 65000: within the
    // library's own limit, far over ours (12 GB of pixels).
    QByteArray jpeg = SampleJpeg();
    const qsizetype sof = FindSof(jpeg);
    QVERIFY(sof > 0);
    qToBigEndian(quint16(65000), jpeg.data() + sof + 5);  // height
    qToBigEndian(quint16(65000), jpeg.data() + sof + 7);  // width
    const QString path = Temp(QStringLiteral("huge.jpg"));
    WriteAll(path, jpeg);
    QCOMPARE(ErrorOf<EJPEG>([&] { LoadPicture(path); }), JpegErrorText(JERR_IMAGE_TOO_BIG));
}

void CodecTest::emptyAndGarbageJpegsGiveLibraryCodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("code");
    const QByteArray jpeg = SampleJpeg();
    // SOI and the first marker segment (JFIF APP0) only: no frame, no scan.
    const int firstSegment = 4 + (quint8(jpeg[4]) << 8 | quint8(jpeg[5]));
    QTest::newRow("zero bytes") << QByteArray() << int(JERR_INPUT_EMPTY);
    QTest::newRow("garbage") << QByteArray("not a picture, and then some") << int(JERR_NO_SOI);
    QTest::newRow("cut after the first segment") << jpeg.left(firstSegment) << int(JERR_NO_IMAGE);
}

void CodecTest::emptyAndGarbageJpegsGiveLibraryCodes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    const QString path = Temp(QStringLiteral("broken.jpg"));
    WriteAll(path, bytes);
    QCOMPARE(ErrorOf<EJPEG>([&] { LoadPicture(path); }), JpegErrorText(code));
    // A following good file loads.
    const QString good = Temp(QStringLiteral("good.jpg"));
    WriteAll(good, SampleJpeg());
    QCOMPARE(LoadPicture(good).size(), QSize(227, 149));
}

void CodecTest::jpegCutInDataShowsWhatArrived()
{
    // The library only warns about a stream that ends inside the picture data
    // and fills the rest; the picture shows with its full size, top intact.
    const QByteArray jpeg = SampleJpeg();
    const QString path = Temp(QStringLiteral("cut.jpg"));
    WriteAll(path, jpeg.left(jpeg.size() * 2 / 3));
    const QImage cut = LoadPicture(path);
    const QString wholePath = Temp(QStringLiteral("whole.jpg"));
    WriteAll(wholePath, jpeg);
    const QImage whole = LoadPicture(wholePath);
    QCOMPARE(cut.size(), whole.size());
    SAME_IMAGE(cut.copy(0, 0, whole.width(), 16), whole.copy(0, 0, whole.width(), 16));
    QVERIFY(cut != whole);
}

void CodecTest::contentsDecideTheKindAndNamesTheError_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");  // empty: loads
    QTest::newRow("a bitmap named .jpg") << "x.jpg" << MadeRgb24() << QString();
    QTest::newRow("a JPEG named .bmp") << "x.bmp" << SampleJpeg() << QString();
    QTest::newRow("a JPEG named .png") << "x.png" << SampleJpeg() << QString();
    const QByteArray junk("not a picture, and then some");
    QTest::newRow("junk .bmp") << "x.bmp" << junk << "ビットマップイメージが不正です";
    QTest::newRow("junk .png") << "x.png" << junk << "PNG イメージが不正です";
    QTest::newRow("junk .webp") << "x.webp" << junk << "WebP イメージが不正です";
    QTest::newRow("junk .HEIC") << "x.HEIC" << junk << "HEIF イメージが不正です";
    QTest::newRow("junk .avif") << "x.avif" << junk << "AVIF イメージが不正です";
    QTest::newRow("junk .tif") << "x.tif" << junk << "TIFF イメージが不正です";
    QTest::newRow("junk .gif") << "x.gif" << junk << "GIF イメージが不正です";
    QTest::newRow("junk .jxl") << "x.jxl" << junk << "JPEG XL イメージが不正です";
    QTest::newRow("empty .png") << "x.png" << QByteArray() << "PNG イメージが不正です";
}

void CodecTest::contentsDecideTheKindAndNamesTheError()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    const QString path = Temp(QStringLiteral("contents-") + name);
    WriteAll(path, bytes);
    if (error.isEmpty())
        QVERIFY(!LoadPicture(path).isNull());
    else
        QCOMPARE(ErrorOf<EInvalidGraphic>([&] { LoadPicture(path); }), error);
}

void CodecTest::newerKindsTurnAndComposeAsAsked_data()
{
    QTest::addColumn<int>("orientation");
    for (int orientation = 1; orientation <= 8; ++orientation)
        QTest::newRow(qPrintable(QString::number(orientation))) << orientation;
}

void CodecTest::newerKindsTurnAndComposeAsAsked()
{
    QFETCH(int, orientation);
    QImage stored(5, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            stored.setPixel(x, y, qRgba(40 * x, 60 * y, 7, x == 0 ? 0 : x == 1 ? 128 : 255));
    MemoryBudget budget(kProgramMemoryBudget);
    BudgetShare share(budget);
    QVERIFY(share.Grow(stored.sizeInBytes()));
    QImage turned = stored;
    TurnUpright(turned, orientation, share, PictureKind::Png);
    QCOMPARE(turned.size(), OrientedSize(stored.size(), orientation));
    const QRgb pink = qRgb(255, 225, 255);
    const QImage shown = ComposeOverBackground(turned, pink, share, PictureKind::Png);
    QCOMPARE(shown.format(), QImage::Format_RGB888);
    QCOMPARE(share.Bytes(), shown.sizeInBytes());
    for (int y = 0; y < turned.height(); ++y)
        for (int x = 0; x < turned.width(); ++x) {
            const QPoint from = StoredPixelOf(QPoint(x, y), stored.size(), orientation);
            const QRgb p = stored.pixel(from);
            QCOMPARE(turned.pixel(x, y), p);
            // Fully transparent shows the panel, opaque the picture, half between.
            const QRgb expected = qAlpha(p) == 0 ? pink : qAlpha(p) == 255 ? (p | 0xFF000000u)
                                 : qRgb((qRed(p) + 255) / 2, (qGreen(p) + 225) / 2, (qBlue(p) + 255) / 2);
            const QRgb got = shown.pixel(x, y);
            QVERIFY2(qAbs(qRed(got) - qRed(expected)) <= 1 && qAbs(qGreen(got) - qGreen(expected)) <= 1
                         && qAbs(qBlue(got) - qBlue(expected)) <= 1,
                     qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
}

void CodecTest::unopenableFilesGiveOpenErrorWithFullPath()
{
    const auto openError = [](const QString& path) {
        return QStringLiteral("ファイル %1 は開けません").arg(QFileInfo(path).absoluteFilePath());
    };
    // Missing, given relative to the current folder: the message has the full path.
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(temp_.path()));
    QCOMPARE(ErrorOf<EFOpenError>([] { LoadPicture(QStringLiteral("missing.jpg")); }),
             openError(Temp(QStringLiteral("missing.jpg"))));
    QVERIFY(QDir::setCurrent(cwd));

    // A symbolic link to nothing.
    const QString dangling = Temp(QStringLiteral("dangling.bmp"));
    QVERIFY(QFile::link(Temp(QStringLiteral("nowhere.bmp")), dangling));
    QCOMPARE(ErrorOf<EFOpenError>([&] { LoadPicture(dangling); }), openError(dangling));

    // A file without read permission; root reads it anyway, so there the case
    // cannot be made and only the other unopenable files above count.
    const QString locked = Temp(QStringLiteral("locked.jpg"));
    WriteAll(locked, SampleJpeg());
    QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0) == 0);
    if (::access(QFile::encodeName(locked).constData(), R_OK) == 0)
        qInfo("running as root: a mode-000 file stays readable, checked with a dangling link instead");
    else
        QCOMPARE(ErrorOf<EFOpenError>([&] { LoadPicture(locked); }), openError(locked));
}

void CodecTest::folderNamedLikePictureGivesOpenError()
{
    const QString folder = Temp(QStringLiteral("x.jpg"));
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(ErrorOf<EFOpenError>([&] { LoadPicture(folder); }),
             QStringLiteral("ファイル %1 は開けません").arg(folder));
}

void CodecTest::fifoNamedLikePictureGivesOpenErrorWithoutBlocking()
{
    // Opening a FIFO for reading would wait for a writer forever.
    const QString fifo = Temp(QStringLiteral("pipe.bmp"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QCOMPARE(ErrorOf<EFOpenError>([&] { LoadPicture(fifo); }),
             QStringLiteral("ファイル %1 は開けません").arg(fifo));
    // A device behind a picture name is not a regular file either.
    const QString device = Temp(QStringLiteral("zero.jpg"));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), device));
    QCOMPARE(ErrorOf<EFOpenError>([&] { LoadPicture(device); }),
             QStringLiteral("ファイル %1 は開けません").arg(device));
}

void CodecTest::longJapanesePathLoadsIntact()
{
    QString folder = temp_.path();
    for (int i = 0; i < 10; ++i)
        folder += QStringLiteral("/とても長い名前のフォルダ_その%1_写真置き場").arg(i);
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/夏の海で撮った写真.JPG");
    QVERIFY2(path.size() > 260, qPrintable(QString::number(path.size())));
    const QByteArray jpeg = SampleJpeg();
    WriteAll(path, jpeg);
    const QString bmpPath = folder + QStringLiteral("/鳥.bmp");
    testing::BmpRecipe recipe;
    recipe.bitCount = 8;
    recipe.palette = testing::TestPalette(256);
    recipe.pixel = [](int x, int y) { return quint32(x * 16 + y); };
    const testing::MadeBmp bmp = testing::MakeBmp(recipe);
    WriteAll(bmpPath, bmp.bytes);

    const QString shortPath = Temp(QStringLiteral("short.jpg"));
    WriteAll(shortPath, jpeg);
    SAME_IMAGE(LoadPicture(path), LoadPicture(shortPath));
    SAME_IMAGE(LoadPicture(bmpPath), bmp.expected);
    // The full long path is in the message when the file is gone.
    QFile::remove(path);
    QCOMPARE(ErrorOf<EFOpenError>([&] { LoadPicture(path); }),
             QStringLiteral("ファイル %1 は開けません").arg(path));
}

void CodecTest::nameWithoutPictureExtensionIsRefused()
{
    const QString path = Temp(QStringLiteral("picture.txt"));
    WriteAll(path, SampleJpeg());
    QVERIFY(ErrorOf<EInvalidGraphic>([&] { LoadPicture(path); }).contains(path));
}
