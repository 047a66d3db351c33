// The program's memory budget: its arithmetic, its sharing across threads,
// the pictures the window keeps holding their shares, and files that declare
// huge pictures (made by tests/bombs) refused or shown within bounded memory,
// measured in a helper process (budgetprobe) by its peak resident size.

#include "app/application.h"
#include "app/mainform.h"
#include "app/photos/photofixtures.h"
#include "bombs/bombfiles.h"
#include "codec/memorybudget.h"
#include "codec/pictureformat.h"
#include "codec/pictureloader.h"
#include "controls/base/image.h"
#include "core/error.h"
#include "support/files.h"
#include "support/scriptedplatform.h"
#include "support/testmain.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

using namespace yotsumado;

namespace {

constexpr qint64 kMiB = qint64(1) << 20;

// The peak bounds are the program's goals, met by the normal build. Under
// AddressSanitizer the same work also pays for shadow memory and the
// allocator's quarantine, so there the bounds get that much room on top.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kSanitizerRoomPercent = 25;
constexpr qint64 kSanitizerSlowdown = 5;
#else
constexpr qint64 kSanitizerRoomPercent = 0;
constexpr qint64 kSanitizerSlowdown = 1;
#endif

bool PeakWithin(qint64 peakMiB, qint64 boundMiB)
{
    return peakMiB > 0 && peakMiB < boundMiB + boundMiB * kSanitizerRoomPercent / 100;
}

const QString kInvalidBitmap = QStringLiteral("ビットマップイメージが不正です");

QString JpegErrorText(int code)
{
    return QStringLiteral("JPEG エラー #%1").arg(code);
}

// The message of the program's error `action` throws, or a description no
// expected message equals.
template <typename F>
QString ErrorOf(F&& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QVERIFY(testing::WriteFile(path, bytes));
}

// What the helper process said: its lines, and its peak in MiB.
struct Probe {
    QStringList lines;
    qint64 peakMiB = -1;
    qint64 userMs = -1;
};

Probe RunProbe(const QStringList& arguments, int timeoutMs = 600000)
{
    Probe probe;
    QProcess helper;
    helper.start(QStringLiteral(BUDGETPROBE_PROGRAM), arguments);
    if (!helper.waitForFinished(timeoutMs)) {
        helper.kill();
        helper.waitForFinished();
        return probe;
    }
    const QString out = QString::fromLocal8Bit(helper.readAllStandardOutput());
    for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("peak ")))
            probe.peakMiB = line.mid(5).toLongLong() / 1024;
        else if (line.startsWith(QLatin1String("user ")))
            probe.userMs = line.mid(5).toLongLong();
        else
            probe.lines << line;
    }
    return probe;
}

QString JpegTooBig()
{
    return QStringLiteral("error ") + JpegErrorText(JERR_IMAGE_TOO_BIG);
}

// The same as the window's error box shows it.
QString BoxLine(const QString& message)
{
    return QStringLiteral("error ") + message + QLatin1Char('.');
}

} // namespace

class BudgetTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(temp_.isValid());
        WriteFile(Path("cmyk-header.jpg"), bombs::ProgressiveJpeg(18900, 18900, 4, 0));
        WriteFile(Path("cmyk-499-scans.jpg"), bombs::ProgressiveJpeg(18900, 18900, 4, 498));
        WriteFile(Path("grey-many-scans.jpg"), bombs::ProgressiveJpeg(12000, 12000, 1, 498));
        WriteFile(Path("grey-small-many-scans.jpg"), bombs::ProgressiveJpeg(256, 256, 1, 498));
        WriteFile(Path("grey-18900.jpg"), bombs::ProgressiveJpeg(18900, 18900, 1, 0));
        WriteFile(Path("rle-16384.bmp"), bombs::RunLengthBitmap(16384, 16384));
        // Colour profiles that make Little CMS do one small element's work
        // once for each of the many places that point at it.
        const QByteArray small = bombs::ProgressiveJpeg(16, 16, 3, 0);
        WriteFile(Path("no-profile.jpg"), small);
        for (int n : {1000, 8000, 137000})
            WriteFile(Path(qPrintable(QStringLiteral("curves-%1.jpg").arg(n))),
                      photos::WithIccProfile(small, bombs::SharedElementProfile(n)));
        WriteFile(Path("matrices-8000.jpg"),
                  photos::WithIccProfile(small, bombs::SharedElementProfile(8000, bombs::SharedElement::Matrix)));
        // Marker floods, tails that never end and pictures refused only
        // after most of the budget was taken.
        QVERIFY(bombs::WriteMarkerFlood(Path("app1-flood.jpg"), 1, 100000, 0));
        QVERIFY(bombs::WriteMarkerFlood(Path("app2-flood.jpg"), 2, 1000000, 0));
        QVERIFY(bombs::WriteMarkerFlood(Path("app1-2.6GB.jpg"), 1, 40000, 65533));
        QImage flat(64, 48, QImage::Format_RGB888);
        flat.fill(qRgb(90, 30, 160));
        QVERIFY(flat.save(Path("plain-tail.jpg"), "JPEG"));
        WriteFile(Path("progressive-tail.jpg"), bombs::ProgressiveJpeg(64, 48, 1, 0));
        for (const char* name : {"plain-tail.jpg", "progressive-tail.jpg"}) {  // no EOI, then a 16 GB hole
            QFile file(Path(name));
            QVERIFY(file.resize(file.size() - 2) && file.resize(qint64(16) << 30));
        }
        WriteFile(Path("rle-1-wide.bmp"), bombs::RunLengthBitmap(1, 357913941));
        WriteFile(Path("zeros-16384.png"), bombs::ZeroRowsPng(16384, 16384, 16384));
        WriteFile(Path("cut-16384.png"), bombs::ZeroRowsPng(16384, 16384, 16));
        WriteFile(Path("screen-65535.gif"), bombs::HugeScreenGif(65535, 65535));
        WriteFile(Path("heif-16384.heic"), bombs::HeifDeclaring(16384, 16384));
        WriteFile(Path("heif-grid-1-pixel.heic"), bombs::HeifGridOfOneTile(40, 40, 40, 40, 1));
        WriteFile(Path("heif-grid-1600.heic"), bombs::HeifGridOfOneTile(40, 40, 2560, 2560, 64));
        WriteFile(Path("tiff-one-strip.tif"), bombs::GreyTiff(16384, 16384, 16384, 0, 8, QByteArray(65536, '\0')));
        WriteFile(Path("tiff-no-byte-counts.tif"), bombs::GreyTiff(16384, 16384, 0xFFFFFFFF, 0, 1, QByteArray(64, '\x80'), 1, false));
        WriteFile(Path("tiff-huge-tile.tif"), bombs::GreyTiff(16, 16, 0, 65520, 8, QByteArray(65536, '\0')));
        WriteFile(Path("tiff-millions-of-strips.tif"), bombs::GreyTiff(64, 4000000, 1, 0, 8, QByteArray(64, '\0'), 4000000));
        WriteFile(Path("tiff-jpeg-strip.tif"), bombs::GreyTiff(16384, 16384, 16384, 0, 7, bombs::ProgressiveJpeg(16384, 16384, 1, 0)));
        WriteFile(Path("canvas-16383.webp"), bombs::WebPCanvas(16383, 16383, true));
        WriteFile(Path("still-16383.webp"), bombs::WebPCanvas(16383, 16383, false));
        WriteFile(Path("header-16384.jxl"), bombs::JxlHeader(16384, 16384));
    }

    void budgetGrantsWithinItsLimitOnly_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("second");
        QTest::addColumn<bool>("firstGranted");
        QTest::addColumn<bool>("secondGranted");
        QTest::addColumn<qint64>("inUse");
        const qint64 max = std::numeric_limits<qint64>::max();
        QTest::newRow("both fit") << qint64(100) << qint64(40) << qint64(60) << true << true << qint64(100);
        QTest::newRow("second one byte over") << qint64(100) << qint64(40) << qint64(61) << true << false << qint64(40);
        QTest::newRow("first over, second fits") << qint64(100) << qint64(101) << qint64(100) << false << true << qint64(100);
        QTest::newRow("nothing is free") << qint64(0) << qint64(0) << qint64(1) << true << false << qint64(0);
        QTest::newRow("negative asks nothing") << qint64(100) << qint64(-5) << qint64(100) << false << true << qint64(100);
        QTest::newRow("no overflow near the top") << max << max - 1 << max << true << false << max - 1;
        QTest::newRow("program budget, two 1 GiB pictures")
            << kProgramMemoryBudget << (qint64(1) << 30) << (qint64(1) << 30) << true << false << (qint64(1) << 30);
    }

    void budgetGrantsWithinItsLimitOnly()
    {
        QFETCH(qint64, limit);
        QFETCH(qint64, first);
        QFETCH(qint64, second);
        QFETCH(bool, firstGranted);
        QFETCH(bool, secondGranted);
        QFETCH(qint64, inUse);
        MemoryBudget budget(limit);
        BudgetShare a(budget);
        BudgetShare b(budget);
        QCOMPARE(a.Grow(first), firstGranted);
        QCOMPARE(b.Grow(second), secondGranted);
        QCOMPARE(budget.InUse(), inUse);
        QCOMPARE(a.Bytes() + b.Bytes(), inUse);
    }

    void sharesGiveBackWhenShrunkMovedOrDestroyed()
    {
        MemoryBudget budget(1000);
        {
            BudgetShare a(budget);
            QVERIFY(a.Grow(600));
            a.ShrinkTo(200);
            QCOMPARE(budget.InUse(), qint64(200));
            a.ShrinkTo(500);  // shrinking never grows
            QCOMPARE(a.Bytes(), qint64(200));
            BudgetShare b = std::move(a);
            QCOMPARE(a.Bytes(), qint64(0));
            QCOMPARE(budget.InUse(), qint64(200));
            BudgetShare c(budget);
            QVERIFY(c.Grow(300));
            c = std::move(b);  // c's own 300 go back
            QCOMPARE(budget.InUse(), qint64(200));
            QCOMPARE(c.Bytes(), qint64(200));
        }
        QCOMPARE(budget.InUse(), qint64(0));
        BudgetShare none;  // a share of no budget is granted nothing
        QVERIFY(!none.Grow(1));
    }

    void threadsSharingOneBudgetNeverCrossIt()
    {
        constexpr qint64 kLimit = 1000;
        MemoryBudget budget(kLimit);
        std::atomic<bool> crossed{false};
        std::atomic<int> granted{0};
        std::atomic<int> refused{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t) {
            // Each thread takes more and more until it is refused (alone it
            // would be at the seventh step), then gives all back.
            threads.emplace_back([&, t] {
                BudgetShare share(budget);
                for (int i = 0; i < 20000; ++i) {
                    if (share.Grow(150 + t)) {
                        ++granted;
                        if (budget.InUse() > kLimit)
                            crossed = true;
                    } else {
                        ++refused;
                        share.Release();
                    }
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        QVERIFY(!crossed);
        QVERIFY(granted > 0);
        QVERIFY(refused > 0);
        QCOMPARE(budget.InUse(), qint64(0));
    }

    void heldPictureKeepsItsShareUntilItsLastCopyGoes()
    {
        auto budget = std::make_shared<MemoryBudget>(1 << 20);
        QImage copy;
        {
            BudgetShare share(*budget);
            QVERIFY(share.Grow(30000));
            QImage picture(100, 100, QImage::Format_RGB888);
            picture.fill(Qt::red);
            const QImage held = HeldInBudget(picture, std::move(share), budget);
            QCOMPARE(held.pixel(50, 50), qRgb(255, 0, 0));
            copy = held;
        }
        QCOMPARE(budget->InUse(), qint64(30000));
        copy = QImage();
        QCOMPARE(budget->InUse(), qint64(0));
    }

    // A load asks the budget before it takes memory and keeps in the share
    // exactly the picture's bytes; a picture the budget cannot hold is
    // refused with its kind's too-big error and the share is as it was.
    void loadsAskTheBudgetAndRefuseWithTheirKindsError_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("baseline JPEG") << "plain.jpg" << JpegErrorText(JERR_IMAGE_TOO_BIG);
        QTest::newRow("progressive JPEG") << "progressive.jpg" << JpegErrorText(JERR_IMAGE_TOO_BIG);
        QTest::newRow("24-bit bitmap") << "plain.bmp" << kInvalidBitmap;
        QTest::newRow("run-length bitmap") << "runs.bmp" << kInvalidBitmap;
    }

    void loadsAskTheBudgetAndRefuseWithTheirKindsError()
    {
        QFETCH(QString, name);
        QFETCH(QString, refusal);
        QImage pattern(300, 200, QImage::Format_RGB888);
        pattern.fill(qRgb(20, 140, 220));
        QVERIFY(pattern.save(Path("plain.jpg"), "JPEG"));
        QVERIFY(pattern.save(Path("plain.bmp"), "BMP"));
        WriteFile(Path("progressive.jpg"), bombs::ProgressiveJpeg(300, 200, 3, 9));
        WriteFile(Path("runs.bmp"), bombs::RunLengthBitmap(300, 200));
        const QString path = Path(name.toLatin1().constData());

        MemoryBudget roomy(kProgramMemoryBudget);
        BudgetShare share(roomy);
        QVERIFY(share.Grow(1000));
        const QImage picture = LoadPicture(path, share);
        QCOMPARE(picture.size(), QSize(300, 200));
        QCOMPARE(share.Bytes(), 1000 + qint64(picture.sizeInBytes()));
        QCOMPARE(roomy.InUse(), share.Bytes());

        // Room for the picture itself but not for decoding it.
        MemoryBudget tight(picture.sizeInBytes());
        BudgetShare refused(tight);
        QCOMPARE(ErrorOf([&] { LoadPicture(path, refused); }), refusal);
        QCOMPARE(refused.Bytes(), qint64(0));
        QCOMPARE(tight.InUse(), qint64(0));
    }

    // Four pictures under the budget are kept; the one that would cross it
    // is refused with the error box, its panel keeps its picture, and
    // emptying a panel gives its share back.
    void windowKeepsPicturesWithinItsBudget()
    {
        QImage pattern(200, 100, QImage::Format_RGB888);
        pattern.fill(qRgb(0, 200, 0));
        QVERIFY(pattern.save(Path("green.bmp"), "BMP"));
        pattern.fill(qRgb(200, 0, 0));
        QVERIFY(pattern.save(Path("red.bmp"), "BMP"));
        // A kept 200 x 100 picture is 60000 bytes; loading a 24-bit bitmap
        // takes Qt's 32-bit picture and the 24-bit result, 140000 bytes.
        constexpr qint64 kKept = 60000;
        constexpr qint64 kLoading = 140000;
        platform::ScriptedPlatform scripted;
        TMainForm1 form(scripted.services);
        MainForm1 = &form;
        auto budget = std::make_shared<MemoryBudget>(3 * kKept + kLoading);
        form.UseMemoryBudget(budget);
        TImage* const images[4] = {form.Image1, form.Image2, form.Image3, form.Image4};
        for (TImage* image : images)
            form.LoadIntoPanel(image, Path("green.bmp"));
        QCOMPARE(budget->InUse(), 4 * kKept);
        for (TImage* image : images)
            QCOMPARE(image->Picture().pixel(10, 10), qRgb(0, 200, 0));

        // Replacing a picture: the old one still counts until the new one
        // has loaded, so this crosses the budget.
        QCOMPARE(ErrorOf([&] { form.LoadIntoPanel(form.Image1, Path("red.bmp")); }), kInvalidBitmap);
        QCOMPARE(form.Image1->Picture().pixel(10, 10), qRgb(0, 200, 0));
        QCOMPARE(budget->InUse(), 4 * kKept);

        // Emptied (double-click), panel 2's picture gives its share back.
        form.Image2DblClick(form.Image2);
        QCOMPARE(budget->InUse(), 3 * kKept);
        form.LoadIntoPanel(form.Image2, Path("red.bmp"));
        QCOMPARE(form.Image2->Picture().pixel(10, 10), qRgb(200, 0, 0));
        QCOMPARE(budget->InUse(), 4 * kKept);
    }

    // Each probe (its mode) must stay within the user time (ms) and peak
    // (MiB; negative: that much beyond the same small picture without a
    // profile) given; one that runs ten times that long (a program that
    // never ends) is stopped.
    void bombsAreRefusedOrShownWithinBoundedMemory_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<qint64>("boundMiB");
        QTest::addColumn<int>("ms");
        const qint64 loadMiB = 1200 * 1000 * 1000 / kMiB;
        QTest::newRow("progressive CMYK header, 172 bytes") << "cmyk-header.jpg" << "load" << JpegTooBig() << loadMiB << 60000;
        QTest::newRow("progressive CMYK, 499 empty scans") << "cmyk-499-scans.jpg" << "load" << JpegTooBig() << loadMiB << 60000;
        // Within the budget, but its empty scans would walk 1.1 billion
        // blocks: too many scans for the picture, like more than 500.
        QTest::newRow("progressive grey 12000², 499 empty scans") << "grey-many-scans.jpg" << "load"
            << QStringLiteral("error ") + JpegErrorText(JERR_BAD_PROGRESSION) << loadMiB << 60000;
        // Many scans of a small picture are no burden: it loads.
        QTest::newRow("progressive grey 256², 499 empty scans") << "grey-small-many-scans.jpg" << "load" << "ok 256 256" << loadMiB << 60000;
        QTest::newRow("run-length bitmap 16384², 1 KB") << "rle-16384.bmp" << "load" << "ok 16384 16384" << loadMiB << 60000;

        // A marker not read costs its length, what is kept is bounded.
        QTest::newRow("100,000 empty APP1 markers") << "app1-flood.jpg" << "load" << "ok 16 16" << qint64(200) << 3000;
        QTest::newRow("1,000,000 empty APP2 markers") << "app2-flood.jpg" << "load" << "ok 16 16" << qint64(200) << 3000;
        QTest::newRow("2.6 GB of APP1 segments") << "app1-2.6GB.jpg" << "load" << "ok 16 16" << qint64(200) << 10000;
        // Complete pictures followed by a 16 GB hole and no end marker.
        QTest::newRow("baseline, endless tail") << "plain-tail.jpg" << "load" << "ok 64 48" << qint64(200) << 3000;
        QTest::newRow("progressive, endless tail") << "progressive-tail.jpg" << "load" << "ok 64 48" << qint64(200) << 3000;
        // Refused before its pictures are taken: 4 bytes a row twice over.
        QTest::newRow("run-length bitmap 1 × 357,913,941") << "rle-1-wide.bmp" << "load" << QStringLiteral("error ") + kInvalidBitmap << qint64(200) << 3000;
        // PNG's rows cost their own bytes: a cut stream ends the load at
        // once. A GIF screen beyond any picture shown is refused unread.
        QTest::newRow("PNG 16384², 33 KB of black rows") << "zeros-16384.png" << "load" << "ok 16384 16384" << loadMiB << 3000;
        QTest::newRow("PNG 16384², 16 rows of data") << "cut-16384.png" << "load" << QStringLiteral("error PNG イメージが不正です") << loadMiB << 1000;
        QTest::newRow("GIF screen 65535², 35 bytes") << "screen-65535.gif" << "load" << QStringLiteral("error GIF イメージが不正です") << qint64(200) << 1000;
        // TIFFs of a few hundred bytes declaring huge strips, tiles, counts.
        const QString badTiff = QStringLiteral("error ") + InvalidPictureMessage(PictureKind::Tiff);
        QTest::newRow("TIFF 16384², one deflated strip") << "tiff-one-strip.tif" << "load" << badTiff << qint64(200) << 3000;
        QTest::newRow("TIFF 16384², no strip byte counts") << "tiff-no-byte-counts.tif" << "load" << badTiff << qint64(200) << 3000;
        QTest::newRow("TIFF 16², one tile of 65520²") << "tiff-huge-tile.tif" << "load" << badTiff << qint64(200) << 3000;
        QTest::newRow("TIFF, 4,000,000 strips") << "tiff-millions-of-strips.tif" << "load" << badTiff << qint64(200) << 3000;
        QTest::newRow("TIFF 16384², progressive JPEG strip") << "tiff-jpeg-strip.tif" << "load" << badTiff << qint64(200) << 3000;
        // A canvas is shown, transparent where its first frame leaves it, then
        // composed over the background: both pictures at once, under 2 GiB.
        QTest::newRow("WebP canvas 16383², 1 × 1 frame, 84 bytes") << "canvas-16383.webp" << "load" << "ok 16383 16383" << qint64(2048) << 60000;
        // Refused before anything is taken: the picture and the library's
        // own copy of it (or its planes) cross the budget.
        QTest::newRow("WebP still 16383², 46 bytes") << "still-16383.webp" << "load" << "error WebP イメージが不正です" << qint64(200) << 3000;
        QTest::newRow("JPEG XL header 16384², 11 bytes") << "header-16384.jxl" << "load" << "error JPEG XL イメージが不正です" << qint64(200) << 3000;
        // The filter works on a reduced picture: about what nearest costs.
        QTest::newRow("run-length bitmap 16384², smooth") << "rle-16384.bmp" << "smooth" << "ok 240 180" << loadMiB << 2000;
        // Closing the dialog ends its preview's load: the program exits.
        QTest::newRow("preview closed on a marker flood") << "app2-flood.jpg" << "preview-closed" << "closed" << qint64(200) << 3000;

        // Colour profiles: shown (with or without the profile) in under half
        // a second and 64 MB beyond the picture.
        QTest::newRow("profile, 1,000 shared curve sets, 8 KB") << "curves-1000.jpg" << "load" << "ok 16 16" << -64LL << 500;
        QTest::newRow("profile, 8,000 shared curve sets, 64 KB") << "curves-8000.jpg" << "load" << "ok 16 16" << -64LL << 500;
        QTest::newRow("profile, 137,000 shared curve sets, 1.1 MB") << "curves-137000.jpg" << "load" << "ok 16 16" << -64LL << 500;
        QTest::newRow("profile, 8,000 shared matrices") << "matrices-8000.jpg" << "load" << "ok 16 16" << -64LL << 500;

        // HEIF: refused before decoding, or a grid's tiles bounded (each
        // tile's decoder made anew, which the sanitizer's quarantine holds).
        const QString invalidHeif = QStringLiteral("error HEIF イメージが不正です");
        QTest::newRow("HEIF declaring 16384², 340 bytes") << "heif-16384.heic" << "load" << invalidHeif << qint64(200) << 3000;
        QTest::newRow("HEIF grid of 1,600 one-pixel tiles") << "heif-grid-1-pixel.heic" << "load" << invalidHeif << qint64(200) << 3000;
        QTest::newRow("HEIF grid of 1,600 tiles naming one") << "heif-grid-1600.heic" << "load" << "ok 2560 2560" << qint64(300) << 3000;
    }

    void bombsAreRefusedOrShownWithinBoundedMemory()
    {
        QFETCH(QString, name);
        QFETCH(QString, mode);
        QFETCH(QString, outcome);
        QFETCH(qint64, boundMiB);
        QFETCH(int, ms);
        if (boundMiB < 0)
            boundMiB = RunProbe({QStringLiteral("load"), Path("no-profile.jpg")}).peakMiB - boundMiB;
        const qint64 allowedMs = ms * kSanitizerSlowdown;
        const Probe probe = RunProbe({mode, Path(name.toLatin1().constData())}, int(std::max<qint64>(allowedMs * 10, 30000)));
        QCOMPARE(probe.lines, QStringList{outcome});
        QVERIFY2(probe.userMs < allowedMs, qPrintable(QStringLiteral("took %1 ms").arg(probe.userMs)));
        QVERIFY2(PeakWithin(probe.peakMiB, boundMiB),
                 qPrintable(QStringLiteral("peak %1 MiB, bound %2 MiB").arg(probe.peakMiB).arg(boundMiB)));
    }

    void fourBombsInTheWindowStayUnderTwoGiB_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("outcomes");
        QTest::addColumn<QString>("panels");
        const QString tooBig = BoxLine(JpegErrorText(JERR_IMAGE_TOO_BIG));
        QTest::newRow("progressive CMYK header") << "cmyk-header.jpg" << QStringList{tooBig, tooBig, tooBig, tooBig}
                                                 << "panels 0x0 0x0 0x0 0x0";
        QTest::newRow("499 empty scans") << "cmyk-499-scans.jpg" << QStringList{tooBig, tooBig, tooBig, tooBig}
                                         << "panels 0x0 0x0 0x0 0x0";
        // Two such pictures are kept (805 MB each, and the second's
        // decoding 1 GiB); the third would cross the budget.
        const QString bad = BoxLine(kInvalidBitmap);
        const QString ok = QStringLiteral("ok 16384 16384");
        QTest::newRow("run-length bitmap") << "rle-16384.bmp" << QStringList{ok, ok, bad, bad}
                                           << "panels 16384x16384 16384x16384 0x0 0x0";
        // A grey picture is kept at one byte a pixel (357 MB): three fit
        // beside the fourth's decoding, which no longer does.
        const QString grey = QStringLiteral("ok 18900 18900");
        QTest::newRow("progressive grey 18900², 317 bytes") << "grey-18900.jpg" << QStringList{grey, grey, grey, tooBig}
                                                            << "panels 18900x18900 18900x18900 18900x18900 0x0";
    }

    void fourBombsInTheWindowStayUnderTwoGiB()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, outcomes);
        QFETCH(QString, panels);
        const QString path = Path(name.toLatin1().constData());
        const Probe probe = RunProbe({QStringLiteral("window"), path, path, path, path});
        QCOMPARE(probe.lines.mid(0, 5), outcomes + QStringList{panels});
        QVERIFY2(PeakWithin(probe.peakMiB, 2048),
                 qPrintable(QStringLiteral("peak %1 MiB").arg(probe.peakMiB)));
    }

    // The save dialog's preview goes through the program's loader, at a
    // reduced size and within the same limits.
    void previewIsBoundedLikeADrop_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<qint64>("boundMiB");
        QTest::newRow("499 empty scans") << "cmyk-499-scans.jpg" << "none" << qint64(300);
        QTest::newRow("progressive CMYK header") << "cmyk-header.jpg" << "none" << qint64(300);
        QTest::newRow("run-length bitmap") << "rle-16384.bmp" << "shown 512 512" << qint64(1200 * 1000 * 1000 / kMiB);
        QTest::newRow("large photo, DCT-scaled") << "large.jpg" << "shown 512 256" << qint64(300);
    }

    void previewIsBoundedLikeADrop()
    {
        QFETCH(QString, name);
        QFETCH(QString, outcome);
        QFETCH(qint64, boundMiB);
        if (name == QLatin1String("large.jpg") && !QFile::exists(Path("large.jpg"))) {
            // 8000 x 4000: 96 MB decoded whole; an eighth of it scaled.
            QImage large(8000, 4000, QImage::Format_RGB888);
            large.fill(qRgb(90, 30, 160));
            QVERIFY(large.save(Path("large.jpg"), "JPEG"));
        }
        const Probe probe = RunProbe({QStringLiteral("preview"), Path(name.toLatin1().constData())});
        QCOMPARE(probe.lines, QStringList{outcome});
        QVERIFY2(PeakWithin(probe.peakMiB, boundMiB),
                 qPrintable(QStringLiteral("peak %1 MiB").arg(probe.peakMiB)));
    }

private:
    QString Path(const char* name) const { return temp_.filePath(QLatin1String(name)); }
    QTemporaryDir temp_;
};

YOTSUMADO_TEST_MAIN_WITH_APP(TApplication, BudgetTest)
#include "tst_budget.moc"
