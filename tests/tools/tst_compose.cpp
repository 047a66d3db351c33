// yotsumado-compose: its output against the window's own Save, its arguments
// and its failures. The tool runs as a separate process, as a user runs it.

#include "app/appfixture.h"
#include "codec/jpegencoder.h"
#include "support/bmpwriter.h"
#include "support/files.h"
#include "tools/compose/composeoptions.h"

#include <QAction>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace yotsumado;

using testing::Window;

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run Compose(const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(COMPOSE_PROGRAM), args);
    Run r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.status = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

using testing::ReadAll;

// A picture with detail in every row and column, so that a wrong row or
// column anywhere shows.
QImage Detailed(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const unsigned h = unsigned(x) * 2654435761u ^ unsigned(y) * 2246822519u;
            row[3 * x] = uchar((x * 255) / width ^ (h >> 27));
            row[3 * x + 1] = uchar((y * 255) / height ^ (h >> 24 & 0x1f));
            row[3 * x + 2] = uchar(h >> 16);
        }
    }
    return image;
}

QByteArray Ppm(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    QByteArray ppm = "P6\n" + QByteArray::number(rgb.width()) + ' ' + QByteArray::number(rgb.height()) + "\n255\n";
    for (int y = 0; y < rgb.height(); ++y)
        ppm.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
    return ppm;
}

// cjpeg with the given options on a PPM; empty when cjpeg is missing or fails.
QByteArray Cjpeg(const QStringList& options, const QByteArray& ppm)
{
    if (QStandardPaths::findExecutable(QStringLiteral("cjpeg")).isEmpty())
        return QByteArray();
    QProcess cjpeg;
    cjpeg.start(QStringLiteral("cjpeg"), options);
    if (!cjpeg.waitForStarted())
        return QByteArray();
    cjpeg.write(ppm);
    cjpeg.closeWriteChannel();
    if (!cjpeg.waitForFinished(60000) || cjpeg.exitCode() != 0)
        return QByteArray();
    return cjpeg.readAllStandardOutput();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    if (!testing::WriteFile(path, bytes))
        qFatal("cannot write %s", qPrintable(path));
}

// A bitmap with detail in every row and column, 24-bit or with a palette.
QByteArray DetailedBitmap(int width, int height, bool palette)
{
    testing::BmpRecipe r;
    r.width = width;
    r.height = height;
    if (palette) {
        r.bitCount = 8;
        r.palette = testing::TestPalette(256);
        r.pixel = [](int x, int y) { return quint32(x * 7 + y * 3 + (x * y) / 5) % 256; };
    } else {
        const QImage detailed = Detailed(width, height);
        r.pixel = [detailed](int x, int y) { return quint32(detailed.pixel(x, y) & 0xFFFFFF); };
    }
    return testing::MakeBmp(r).bytes;
}

// Test pictures made once per run: a small and a large baseline JPEG (many
// row groups to skip), a progressive one (block smoothing) and an arithmetic
// one made by cjpeg, and two bitmaps.
struct MadePictures {
    QTemporaryDir dir;
    QString small, large, tall, progressive, arithmetic, rgb24, pal8;
    MadePictures()
    {
        tall = dir.filePath(QStringLiteral("tall.jpg"));
        SaveJpeg(Detailed(149, 401), tall);
        small = dir.filePath(QStringLiteral("small.jpg"));
        SaveJpeg(Detailed(227, 149), small);
        large = dir.filePath(QStringLiteral("large.jpg"));
        SaveJpeg(Detailed(1601, 1203), large);
        const QByteArray prog = Cjpeg({QStringLiteral("-progressive"), QStringLiteral("-quality"), QStringLiteral("92")},
                                      Ppm(Detailed(733, 517)));
        if (!prog.isEmpty()) {
            progressive = dir.filePath(QStringLiteral("progressive.jpg"));
            WriteFile(progressive, prog);
        }
        const QByteArray arith = Cjpeg({QStringLiteral("-arithmetic")}, Ppm(Detailed(301, 203)));
        if (!arith.isEmpty()) {
            arithmetic = dir.filePath(QStringLiteral("arithmetic.jpg"));
            WriteFile(arithmetic, arith);
        }
        rgb24 = dir.filePath(QStringLiteral("rgb24.bmp"));
        WriteFile(rgb24, DetailedBitmap(127, 64, false));
        pal8 = dir.filePath(QStringLiteral("pal8.bmp"));
        WriteFile(pal8, DetailedBitmap(127, 64, true));
    }
};

MadePictures& Made()
{
    static MadePictures made;
    return made;
}

QString Picture(const QString& key)
{
    const MadePictures& m = Made();
    const std::pair<const char*, QString> pictures[] = {{"small", m.small}, {"large", m.large}, {"tall", m.tall},
                                                        {"progressive", m.progressive}, {"arithmetic", m.arithmetic},
                                                        {"rgb24", m.rgb24}, {"pal8", m.pal8}};
    for (const auto& [name, path] : pictures)
        if (key == QLatin1String(name))
            return path;
    return QString();
}

// The client point over panel n's picture at the default layout, clear of
// its marker.
QPoint PanelCentre(int n)
{
    return QPoint(n % 2 == 1 ? 120 : 360, n <= 2 ? 90 : 270);
}

QAction* ModeAction(TMainForm1* f, const QString& mode)
{
    QAction* const actions[] = {f->N6, f->N7, f->N10, f->N11, f->N8};
    return actions[MarkerModes().indexOf(mode)];
}

} // namespace

class TestCompose : public QObject {
    Q_OBJECT
private slots:
    void toolWritesWhatTheWindowSaves_data()
    {
        QTest::addColumn<QStringList>("pictures");  // keys for Picture()
        QTest::addColumn<int>("v");
        QTest::addColumn<int>("h");
        QTest::addColumn<QString>("markers");
        QTest::addColumn<int>("fit");      // a TFitMode
        QTest::addColumn<QString>("size");  // --size
        QTest::newRow("four kinds, stored layout")
            << QStringList{"small", "arithmetic", "rgb24", "progressive"}
            << 238 << 178 << "white-numbers" << 0 << "1x";
        QTest::newRow("narrowest left column, lowest row split, one empty")
            << QStringList{"large", "-", "progressive", "small"} << 60 << 296 << "black-letters" << 0 << "1x";
        QTest::newRow("widest left column, highest row split")
            << QStringList{"progressive", "large", "pal8", "large"} << 416 << 60 << "none" << 0 << "1x";
        QTest::newRow("no pictures") << QStringList{} << 123 << 234 << "black-numbers" << 0 << "1x";
        QTest::newRow("two pictures, white letters")
            << QStringList{"large", "small"} << 300 << 100 << "white-letters" << 0 << "1x";
        QTest::newRow("fit, tall and wide") << QStringList{"tall", "large", "pal8", "tall"} << 300 << 100 << "black-numbers" << 1 << "1x";
        QTest::newRow("fill, no markers") << QStringList{"tall", "arithmetic", "rgb24", "large"} << 100 << 250 << "none" << 2 << "1x";
        QTest::newRow("twice the size") << QStringList{"large", "tall", "progressive", "small"} << 200 << 250 << "white-letters" << 0 << "2x";
        QTest::newRow("960x720, fit, no markers") << QStringList{"tall", "-", "large", "rgb24"} << 416 << 60 << "none" << 1 << "960x720";
        QTest::newRow("4x, fill") << QStringList{"small", "tall", "pal8", "-"} << 238 << 178 << "black-letters" << 2 << "4x";
    }
    void toolWritesWhatTheWindowSaves()
    {
        QFETCH(QStringList, pictures);
        QFETCH(int, v);
        QFETCH(int, h);
        QFETCH(QString, markers);
        QFETCH(int, fit);
        QFETCH(QString, size);
        const int k = ParseComposeArguments({QStringLiteral("--size"), size, QStringLiteral("-o"), "x"}).options.outputScale;
        QStringList paths;
        for (const QString& key : pictures) {
            paths.append(Picture(key));
            if (key != QLatin1String("-") && paths.last().isEmpty())
                QSKIP("cjpeg (libjpeg-turbo-progs) is missing: no progressive or arithmetic test picture");
        }
        QTemporaryDir dir;
        const QString toolJpeg = dir.filePath(QStringLiteral("tool.jpg"));
        const QString toolRaw = dir.filePath(QStringLiteral("tool.ppm"));
        QStringList args{QStringLiteral("--split"), QStringLiteral("%1,%2").arg(v).arg(h), QStringLiteral("--markers"),
                         markers, QStringLiteral("-o"), toolJpeg, QStringLiteral("--raw"), toolRaw, "--size", size,
                         "--fit", grid::kFitModes[size_t(fit)]};
        for (const QString& p : paths)
            args.append(p.isEmpty() ? QStringLiteral("-") : p);
        const Run run = Compose(args);
        QVERIFY2(run.status == 0, run.err.constData());
        QVERIFY(run.err.isEmpty());

        // The window, driven as a user drives it: drops, divider drags, the
        // marker menu item, Save with an answer in the save dialog.
        Window w;
        TMainForm1* f = w.form.get();
        for (qsizetype i = 0; i < paths.size(); ++i) {
            if (paths[i].isEmpty())
                continue;
            w.MoveTo(PanelCentre(int(i) + 1));
            w.Drop({paths[i]});
        }
        QVERIFY(w.Errors().isEmpty());
        w.Drag(QPoint(239, 100), QPoint(239 + v - 238, 100));
        const int x = v < 240 ? 400 : 100;
        w.Drag(QPoint(x, 179), QPoint(x, 179 + h - 178));
        QCOMPARE(f->SelShape2->Left(), v);
        QCOMPARE(f->SelShape1->Top(), h);
        ModeAction(f, markers)->trigger();
        f->FitItems()[size_t(fit)]->trigger();
        f->SizeItems()[size_t(k - 1)]->trigger();
        const QString windowJpeg = dir.filePath(QStringLiteral("window.jpg"));
        w.platform.script.saveAnswers.push_back(windowJpeg);
        f->Save1->trigger();
        QVERIFY(w.Errors().isEmpty());

        const QByteArray saved = ReadAll(windowJpeg);
        QVERIFY(!saved.isEmpty());
        const QByteArray written = ReadAll(toolJpeg);
        if (written != saved) {
            // Say where the pictures differ before failing.
            const QImage mine = QImage::fromData(ReadAll(toolRaw));
            SAME_IMAGE(mine, f->Image0->Picture());
        }
        QVERIFY2(written == saved, "the tool's JPEG differs from the window's Save");

        // The raw output is the composite before encoding: cjpeg of it gives
        // the very same bytes.
        const QByteArray raw = ReadAll(toolRaw);
        QVERIFY(raw.startsWith(QStringLiteral("P6\n%1 %2\n255\n").arg(480 * k).arg(360 * k).toLatin1()));
        QCOMPARE(raw.size(), qsizetype(QString::number(480 * k).size() * 2 + 9 + 480 * 360 * 3 * k * k));
        const QByteArray cjpeg = Cjpeg({QStringLiteral("-quality"), QStringLiteral("80"), QStringLiteral("-dct"),
                                        QStringLiteral("float")}, raw);
        if (cjpeg.isEmpty())
            QSKIP("cjpeg (libjpeg-turbo-progs) is not installed");
        QVERIFY2(cjpeg == written, "cjpeg of the raw output differs from the tool's JPEG");
    }

    void aDashLeavesItsPanelEmpty()
    {
        QTemporaryDir dir;
        const QString raw = dir.filePath(QStringLiteral("c.ppm"));
        const QString big = Picture(QStringLiteral("large"));
        const Run run = Compose({QStringLiteral("--markers"), QStringLiteral("none"), QStringLiteral("--raw"), raw,
                                 QStringLiteral("-"), big, QStringLiteral("-"), big});
        QVERIFY2(run.status == 0, run.err.constData());
        const QImage c = QImage::fromData(ReadAll(raw));
        QCOMPARE(c.size(), QSize(480, 360));
        // Panels 1 and 3 show their background colours (inside the white
        // outline of the rectangles), 2 and 4 the picture.
        UNIFORM(c, QRect(0, 0, 240, 180), 0xffffff);
        UNIFORM(c, QRect(0, 180, 239, 179), 0xffe1ff);
        QVERIFY(!testing::CheckUniform(c, QRect(240, 0, 240, 180), 0xffe1ff).isEmpty());
        QVERIFY(!testing::CheckUniform(c, QRect(240, 180, 240, 180), 0xffffff).isEmpty());
    }

    void needsNoDisplay_data()
    {
        QTest::addColumn<QString>("platform");  // QT_QPA_PLATFORM; empty: unset
        QTest::addColumn<QString>("markers");
        QTest::newRow("markers, no display") << QString() << "white-numbers";
        QTest::newRow("no markers, no Qt platform at all") << "no-such-platform" << "none";
    }
    void needsNoDisplay()
    {
        QFETCH(QString, platform);
        QFETCH(QString, markers);
        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        const QString out = dir.filePath(QStringLiteral("o.jpg"));
        const Run run = Compose({QStringLiteral("--markers"), markers, QStringLiteral("-o"), out,
                                 Picture(QStringLiteral("small"))}, env);
        QVERIFY2(run.status == 0, run.err.constData());
        QCOMPARE(QImage(out).size(), QSize(480, 360));
    }

    void anExistingOutputIsReplaced()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("o.jpg"));
        QFile old(out);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
        old.close();
        const Run run = Compose({QStringLiteral("-o"), out});
        QVERIFY2(run.status == 0, run.err.constData());
        QCOMPARE(QImage(out).size(), QSize(480, 360));
        QVERIFY(!ReadAll(out).contains("xxxx"));
    }

    void helpGoesToStandardOutput()
    {
        const Run run = Compose({QStringLiteral("--help")});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith("Usage: yotsumado-compose"));
        QVERIFY(run.out.contains("--split V,H"));
        QVERIFY(run.err.isEmpty());
    }

    void usageErrorsExitWithTwo_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("complaint");
        const QString out = QStringLiteral("OUT");
        QTest::newRow("nothing to write") << QStringList{} << "nothing to write";
        QTest::newRow("pictures but no output") << QStringList{"a.jpg"} << "nothing to write";
        QTest::newRow("V below its limit") << QStringList{"--split", "59,178", "-o", out} << "V must lie within 60..416";
        QTest::newRow("V above its limit") << QStringList{"--split", "417,178", "-o", out} << "V must lie within 60..416";
        QTest::newRow("H below its limit") << QStringList{"--split=238,59", "-o", out} << "H must lie within 60..296";
        QTest::newRow("H above its limit") << QStringList{"--split", "238,297", "-o", out} << "H must lie within 60..296";
        QTest::newRow("negative V") << QStringList{"--split", "-5,100", "-o", out} << "two whole numbers";
        QTest::newRow("one number") << QStringList{"--split", "238", "-o", out} << "two whole numbers";
        QTest::newRow("not numbers") << QStringList{"--split", "a,b", "-o", out} << "two whole numbers";
        QTest::newRow("unknown marker mode") << QStringList{"--markers", "red", "-o", out} << "--markers wants one of";
        QTest::newRow("unknown option") << QStringList{"--fast", "-o", out} << "unknown option '--fast'";
        QTest::newRow("unknown fit") << QStringList{"--fit", "zoom", "-o", out} << "--fit wants one of stretch, fit, fill";
        QTest::newRow("a size not offered") << QStringList{"--size=800x600", "-o", out} << "--size wants one of 1x, 480x360";
        QTest::newRow("five times") << QStringList{"--size", "5x", "-o", out} << "--size wants one of";
        QTest::newRow("nearest at 2x") << QStringList{"--scale", "nearest", "--size", "2x", "-o", out} << "--scale nearest makes only";
        QTest::newRow("-o without a file") << QStringList{"-o"} << "-o needs a value";
        QTest::newRow("empty file name") << QStringList{"--raw="} << "--raw needs a file name";
        QTest::newRow("-o twice") << QStringList{"-o", out, "-o", out} << "-o given more than once";
        QTest::newRow("raw and jpeg to one file") << QStringList{"-o", out, "--raw", out} << "name the same file";
        QTest::newRow("--batch with -o") << QStringList{"--batch", "b.txt", "-o", out} << "--batch takes the pictures";
        QTest::newRow("five pictures") << QStringList{"-o", out, "1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg"}
                                       << "at most four pictures";
    }
    void usageErrorsExitWithTwo()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, complaint);
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("o.jpg"));
        args.replaceInStrings(QStringLiteral("OUT"), out);
        const Run run = Compose(args);
        QCOMPARE(run.status, 2);
        QVERIFY2(QString::fromLocal8Bit(run.err).contains(complaint), run.err.constData());
        QVERIFY(run.err.contains("--help"));
        QVERIFY(!QFile::exists(out));
    }

    void argumentsParseInAnyOrder_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("pictures");
        QTest::addColumn<int>("v");
        QTest::addColumn<int>("h");
        QTest::addColumn<QString>("markers");
        QTest::newRow("defaults") << QStringList{"-o", "x.jpg"} << QStringList{"", "", "", ""} << 238 << 178
                                  << "white-numbers";
        QTest::newRow("limits, options after pictures")
            << QStringList{"a.jpg", "-", "c.bmp", "--split", "60,296", "-o", "x.jpg", "--markers=none"}
            << QStringList{"a.jpg", "", "c.bmp", ""} << 60 << 296 << "none";
        QTest::newRow("other limits, --output=")
            << QStringList{"--split=416,60", "--output=x.jpg", "--markers", "black-letters", "p.jpg"}
            << QStringList{"p.jpg", "", "", ""} << 416 << 60 << "black-letters";
        QTest::newRow("-- ends the options")
            << QStringList{"--raw", "r.ppm", "--", "-a.jpg", "--split"} << QStringList{"-a.jpg", "--split", "", ""}
            << 238 << 178 << "white-numbers";
    }
    void argumentsParseInAnyOrder()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, pictures);
        QFETCH(int, v);
        QFETCH(int, h);
        QFETCH(QString, markers);
        const ComposeArguments parsed = ParseComposeArguments(args);
        QVERIFY2(parsed.ok(), qPrintable(parsed.error));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(parsed.options.pictures[size_t(i)], pictures[i]);
        QCOMPARE(parsed.options.splitV, v);
        QCOMPARE(parsed.options.splitH, h);
        QCOMPARE(parsed.options.markers, markers);
    }

    void aPictureThatCannotBeLoadedExitsWithOne_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");  // %1: the full path
        QTest::newRow("missing") << QStringLiteral("missing.jpg") << QStringLiteral("ファイル %1 は開けません.");
        QTest::newRow("a folder") << QStringLiteral("folder.jpg") << QStringLiteral("ファイル %1 は開けません.");
        QTest::newRow("not a JPEG") << QStringLiteral("garbage.jpg") << QStringLiteral("JPEG エラー #");
        QTest::newRow("bad bitmap") << QStringLiteral("garbage.bmp") << QStringLiteral("ビットマップイメージが不正です.");
    }
    void aPictureThatCannotBeLoadedExitsWithOne()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.jpg")));
        for (const char* garbage : {"garbage.jpg", "garbage.bmp"}) {
            QFile f(dir.filePath(QString::fromLatin1(garbage)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("no picture in here, only words");
        }
        const QString out = dir.filePath(QStringLiteral("o.jpg"));
        const QString bad = dir.filePath(name);
        const Run run = Compose({QStringLiteral("-o"), out, Picture(QStringLiteral("small")), bad});
        QCOMPARE(run.status, 1);
        const QString err = QString::fromLocal8Bit(run.err);
        QVERIFY2(err.startsWith(message.contains(QLatin1String("%1")) ? message.arg(bad) : message), qPrintable(err));
        QCOMPARE(err.count(QLatin1Char('\n')), 1);
        QVERIFY(!QFile::exists(out));
    }

    void anOutputThatCannotBeWrittenExitsWithOne()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("no/such/folder/o.jpg"));
        const Run run = Compose({QStringLiteral("-o"), out});
        QCOMPARE(run.status, 1);
        QCOMPARE(QString::fromLocal8Bit(run.err), QStringLiteral("ファイル %1 を作成できません.\n").arg(out));
    }

    // A batch makes each set's very bytes of a single run with the same
    // options; a set that fails is named by its line, the others are written.
    void batchWritesWhatSingleRunsWrite_data()
    {
        QTest::addColumn<QString>("markers");
        QTest::addColumn<bool>("fromStandardInput");
        QTest::addColumn<QStringList>("lines");  // %1: the folder; OUT: the line's output
        QTest::addColumn<QStringList>("errors");  // expected per failing line, in order
        const QStringList sets{"'%1/with space.jpg' - \"%1/large.jpg\" %1/pal8.bmp OUT", "", "# a comment",
                               "-   %1/with\\ space.jpg OUT", "OUT"};
        QTest::newRow("no markers, a file") << "none" << false << sets << QStringList();
        QTest::newRow("markers, standard input") << "black-letters" << true << sets << QStringList();
        QTest::newRow("failing sets among good ones")
            << "none" << false
            << QStringList{"%1/large.jpg OUT", "%1/missing.jpg %1/large.jpg OUT", "'%1/large.jpg OUT",
                           "a b c d e OUT", "%1/pal8.bmp OUT"}
            << QStringList{":2: ファイル %1/missing.jpg は開けません.", ":3: a quote (') is not closed",
                           ":4: at most four pictures and an output (6 names given)"};
    }
    void batchWritesWhatSingleRunsWrite()
    {
        QFETCH(QString, markers);
        QFETCH(bool, fromStandardInput);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, errors);
        QTemporaryDir dir;
        for (const auto& [name, key] : {std::pair{"with space.jpg", "small"}, {"large.jpg", "large"}, {"pal8.bmp", "pal8"}})
            QVERIFY(QFile::copy(Picture(QLatin1String(key)), dir.filePath(QLatin1String(name))));
        QByteArray batch;
        for (qsizetype n = 0; n < lines.size(); ++n)
            batch += QString(lines[n]).replace(QStringLiteral("%1"), dir.path()).replace(QStringLiteral("OUT"), dir.filePath(QStringLiteral("set%1.jpg").arg(n + 1)))
                         .toUtf8() + '\n';
        const QString file = dir.filePath(QStringLiteral("sets.txt"));
        WriteFile(file, batch);
        QProcess p;
        p.setStandardInputFile(fromStandardInput ? file : QString(QProcess::nullDevice()));
        p.start(QStringLiteral(COMPOSE_PROGRAM), {"--markers", markers, "--batch", fromStandardInput ? "-" : file});
        QVERIFY(p.waitForFinished(120000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), errors.isEmpty() ? 0 : 1);
        const QString shown = fromStandardInput ? QStringLiteral("standard input") : file;
        QStringList expected;
        for (const QString& e : errors)
            expected << shown + QString(e).replace(QStringLiteral("%1"), dir.path());
        // Sets are composed as their pictures arrive: their errors in any order.
        QStringList got = err.split('\n', Qt::SkipEmptyParts);
        got.sort();
        expected.sort();
        QCOMPARE(got, expected);
        for (qsizetype n = 0; n < lines.size(); ++n) {
            const QString out = dir.filePath(QStringLiteral("set%1.jpg").arg(n + 1));
            if (!lines[n].contains(QStringLiteral("OUT")) || err.contains(QStringLiteral(":%1:").arg(n + 1))) {
                QVERIFY(!QFile::exists(out));
                continue;
            }
            // The same set as a single run: the line's names become arguments.
            const BatchLine line = ParseBatchLine(batch.split('\n')[n]);
            QStringList args{"--markers", markers, "-o", dir.filePath(QStringLiteral("single.jpg"))};
            for (const QString& picture : line.pictures)
                args << (picture.isEmpty() ? QStringLiteral("-") : picture);
            const Run single = Compose(args);
            QVERIFY2(single.status == 0, single.err.constData());
            QVERIFY2(ReadAll(out) == ReadAll(dir.filePath(QStringLiteral("single.jpg"))), qPrintable(out));
        }
    }
};

YOTSUMADO_APP_TEST_MAIN(TestCompose)
#include "tst_compose.moc"
