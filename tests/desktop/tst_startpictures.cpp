// Pictures named on the command line: the arguments, and the pictures in
// their panels, loaded the way a drop loads them.

#include "app/appfixture.h"
#include "app/startoptions.h"
#include "app/startpictures.h"
#include "codec/jpegencoder.h"
#include "core/filename.h"

#include <QDir>
#include <QTemporaryDir>

using namespace yotsumado;

using testing::Window;

namespace {

constexpr QRgb kWhite = 0xffffff;
constexpr QRgb kPink = 0xffe1ff;

QImage Solid(QRgb c)
{
    QImage img(8, 6, QImage::Format_RGB888);
    img.fill(QColor::fromRgb(c));
    return img;
}

QString WriteBmp(const QTemporaryDir& dir, const QString& name, QRgb c)
{
    const QString path = dir.filePath(name);
    return Solid(c).save(path, "BMP") ? path : QString();
}

QString WriteBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return QString();
    return path;
}

// A point inside each panel of the stored layout, clear of the markers.
const QPoint kPanelPoint[4] = {{120, 120}, {360, 120}, {120, 300}, {360, 300}};

bool Near(QRgb a, QRgb b, int tolerance)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance
        && qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

Q_DECLARE_METATYPE(StartOptions::Action)

class TestStartPictures : public QObject {
    Q_OBJECT
private slots:
    void argumentsAreRead_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<StartOptions::Action>("action");
        QTest::addColumn<QStringList>("pictures");
        const QString cwd = QDir::currentPath() + QLatin1Char('/');
        using A = StartOptions::Action;
        QTest::newRow("none") << QStringList{} << A::Run << QStringList{"", "", "", ""};
        QTest::newRow("one") << QStringList{"/p/a.jpg"} << A::Run << QStringList{"/p/a.jpg", "", "", ""};
        QTest::newRow("four, one dash") << QStringList{"/a.jpg", "-", "/c.bmp", "/d.jpeg"} << A::Run
                                        << QStringList{"/a.jpg", "", "/c.bmp", "/d.jpeg"};
        QTest::newRow("relative made absolute") << QStringList{"-", "b.jpg"} << A::Run
                                                << QStringList{"", cwd + "b.jpg", "", ""};
        QTest::newRow("file address") << QStringList{"file:///tmp/%E5%86%99%E7%9C%9F.jpg"} << A::Run
                                      << QStringList{"/tmp/写真.jpg", "", "", ""};
        QTest::newRow("name not UTF-8") << QStringList{FileNameFromBytes("/p/\x8e\xca\x90\x5e.jpg")} << A::Run
                                        << QStringList{FileNameFromBytes("/p/\x8e\xca\x90\x5e.jpg"), "", "", ""};
        QTest::newRow("file address, bytes not UTF-8") << QStringList{"file:///p/%8E%CA.bmp"} << A::Run
                                                       << QStringList{FileNameFromBytes("/p/\x8e\xca.bmp"), "", "", ""};
        QTest::newRow("relative, dots cleaned") << QStringList{"./x/../y.jpg"} << A::Run
                                                << QStringList{cwd + "y.jpg", "", "", ""};
        QTest::newRow("after --, a dash name is a file") << QStringList{"--", "-x.jpg"} << A::Run
                                                         << QStringList{cwd + "-x.jpg", "", "", ""};
        QTest::newRow("five: the fifth is kept, to be left out") << QStringList{"/a", "/b", "-", "/d", "/e"} << A::Run
                                                                 << QStringList{"/a", "/b", "", "/d", "/e"};
        QTest::newRow("five dashes") << QStringList{"-", "-", "-", "-", "-"} << A::Run << QStringList{"", "", "", "", ""};
        QTest::newRow("unknown option") << QStringList{"--bogus"} << A::Usage << QStringList{"", "", "", ""};
        QTest::newRow("help") << QStringList{"a.jpg", "--help"} << A::Help << QStringList{"", "", "", ""};
        QTest::newRow("-h") << QStringList{"-h"} << A::Help << QStringList{"", "", "", ""};
        QTest::newRow("version") << QStringList{"--version"} << A::Version << QStringList{"", "", "", ""};
    }
    void argumentsAreRead()
    {
        QFETCH(QStringList, args);
        QFETCH(StartOptions::Action, action);
        QFETCH(QStringList, pictures);
        const StartOptions o = ParseStartOptions(args);
        QCOMPARE(o.action, action);
        QCOMPARE(o.error.isEmpty(), action != StartOptions::Action::Usage);
        if (action == StartOptions::Action::Run)
            QCOMPARE(o.pictures, pictures);
    }

    void picturesFillTheirPanelsAndAFailureIsShownOnceTheWindowIsUp()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QImage blueSource = Solid(qRgb(0, 0, 255));
        const QString red = WriteBmp(dir, QStringLiteral("red.bmp"), qRgb(255, 0, 0));
        const QString broken = WriteBytes(dir, QStringLiteral("broken.jpg"), QByteArray("no JPEG data here"));
        const QString blue = WriteBytes(dir, QStringLiteral("blue.JPG"), EncodeJpeg(blueSource));
        QVERIFY(!red.isEmpty() && !broken.isEmpty() && !blue.isEmpty());

        platform::ScriptedPlatform platform;
        const testing::AppServices appServices(platform.services);
        TApplication::Instance()->SetTitle(QStringLiteral("ヨツマド"));
        TMainForm1 form(platform.services);
        OpenStartPictures(form, {red, QString(), broken, blue});
        // Nothing is shown before the window is; the window comes up while they load.
        QVERIFY(platform.log.boxes.isEmpty());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.WaitForLoads();
        QCOMPARE(platform.log.boxes.size(), 1);
        QCOMPARE(platform.log.boxes.first().kind, QStringLiteral("error"));
        QCOMPARE(platform.log.boxes.first().caption, QStringLiteral("ヨツマド"));
        QVERIFY2(platform.log.boxes.first().text.startsWith(QStringLiteral("JPEG エラー #")), qPrintable(platform.log.boxes.first().text));

        const QImage shot = testing::Grab(&form);
        PIXEL_IS(shot, kPanelPoint[0].x(), kPanelPoint[0].y(), qRgb(255, 0, 0));
        PIXEL_IS(shot, kPanelPoint[1].x(), kPanelPoint[1].y(), kPink);   // "-": empty
        PIXEL_IS(shot, kPanelPoint[2].x(), kPanelPoint[2].y(), kPink);   // failed: empty
        const QRgb four = shot.pixel(kPanelPoint[3]);
        QVERIFY2(Near(four, qRgb(0, 0, 255), 8), qPrintable(testing::ColorName(four)));
        // The pointer has crossed no panel: a drop now still loads nothing.
        QVERIFY(form.CurrentPanelTag().isEmpty());
    }

    void unreadableFileNamesItsFullPath()
    {
        QTemporaryDir dir;
        platform::ScriptedPlatform platform;
        const testing::AppServices appServices(platform.services);
        TMainForm1 form(platform.services);
        const QString missing = dir.filePath(QStringLiteral("missing.bmp"));
        const QString other = WriteBmp(dir, QStringLiteral("ok.bmp"), qRgb(0, 255, 0));
        OpenStartPictures(form, {QString(), QString(), QString(), missing});
        form.WaitForLoads();
        QCOMPARE(platform.log.boxes.size(), 1);
        QCOMPARE(platform.log.boxes.first().text, QStringLiteral("ファイル %1 は開けません.").arg(missing));
        // A later picture after a failing one still loads.
        OpenStartPictures(form, {missing, other});
        form.WaitForLoads();
        QCOMPARE(platform.log.boxes.size(), 2);
        const QImage shot = testing::Grab(&form);
        PIXEL_IS(shot, kPanelPoint[0].x(), kPanelPoint[0].y(), kWhite);
        PIXEL_IS(shot, kPanelPoint[1].x(), kPanelPoint[1].y(), qRgb(0, 255, 0));
    }

    // A launcher is never silent: what is not loaded is named in one box.
    // The desktop's other names of the two kinds are read, though a drop
    // ignores them.
    void picturesNotLoadedAreNamedInAnInformationBox()
    {
        QTemporaryDir dir;
        platform::ScriptedPlatform platform;
        const testing::AppServices appServices(platform.services);
        TMainForm1 form(platform.services);
        const QString svg = WriteBytes(dir, QStringLiteral("x.svg"), QByteArray("<svg/>"));
        const QStringList names{svg, WriteBytes(dir, "b.jpe", EncodeJpeg(Solid(0xff))), WriteBmp(dir, "c.DIB", 0xff00),
                                WriteBytes(dir, "d.jfif", EncodeJpeg(Solid(0xff))), WriteBmp(dir, "e.bmp", 0), QString(),
                                WriteBmp(dir, "f.bmp", 0)};
        OpenStartPictures(form, names);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.WaitForLoads();
        QTRY_COMPARE(platform.log.boxes.size(), 1);
        QCOMPARE(platform.log.boxes.first().kind, QStringLiteral("information"));
        const QString text = platform.log.boxes.first().text;
        QVERIFY2(text.contains(svg) && text.contains(QStringLiteral("5 枚目以降の 2 個")), qPrintable(text));
        const QImage shot = testing::Grab(&form);
        PIXEL_IS(shot, kPanelPoint[0].x(), kPanelPoint[0].y(), kWhite);
        QVERIFY(Near(shot.pixel(kPanelPoint[1]), qRgb(0, 0, 255), 8));
        PIXEL_IS(shot, kPanelPoint[2].x(), kPanelPoint[2].y(), qRgb(0, 255, 0));
        QVERIFY(Near(shot.pixel(kPanelPoint[3]), qRgb(0, 0, 255), 8));
    }
};

YOTSUMADO_APP_TEST_MAIN(TestStartPictures)
#include "tst_startpictures.moc"
