// yotsumado-compose with photos as cameras store them: turned pictures come
// out as the window shows them, "--scale smooth" shrinks with a filter, and
// "--scale nearest" is the window's own composite. The tool runs as a
// separate process, as a user runs it.

#include "app/appfixture.h"
#include "app/photos/photofixtures.h"
#include "codec/codectools.h"

#include <QAction>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>

using testing::Window;
using photos::Corners;
using photos::kTurned;

namespace {

struct Run {
    int status = -1;
    QByteArray err;
};

Run Compose(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(COMPOSE_PROGRAM), args);
    Run r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.status = p.exitCode();
    r.err = p.readAllStandardError();
    return r;
}

using testing::ReadAll;

// The four panels' rectangles in the composite for the split V,H.
std::array<QRect, 4> Panels(int v, int h)
{
    return {QRect(0, 0, v + 2, h + 2), QRect(v + 2, 0, 478 - v, h + 2), QRect(0, h + 2, v + 2, 358 - h),
            QRect(v + 2, h + 2, 478 - v, 358 - h)};
}

// Smooth shapes with fine grain, as photos have.
QImage PhotoLike(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const unsigned hash = (unsigned(x) * 2654435761u) ^ (unsigned(y + seed) * 2246822519u);
            const int grain = int(hash >> 28) - 8;
            const double r = std::hypot(x - width * 0.4, y - height * (0.3 + 0.1 * seed));
            row[3 * x] = uchar(qBound(0, int(128 + 100 * std::sin(r / (17.0 + seed))) + grain, 255));
            row[3 * x + 1] = uchar(qBound(0, x * 200 / width + 30 + grain, 255));
            row[3 * x + 2] = uchar(qBound(0, int(128 + 90 * std::cos(x / 41.0 + y / 29.0)) + grain, 255));
        }
    }
    return image;
}

QByteArray Jpeg(const QImage& picture)
{
    codectest::JpegRecipe r;
    r.width = picture.width();
    r.height = picture.height();
    r.pixel = [&picture](int x, int y, unsigned char* s) {
        const uchar* p = picture.constScanLine(y) + 3 * x;
        s[0] = p[0];
        s[1] = p[1];
        s[2] = p[2];
    };
    return codectest::MakeJpeg(r);
}

// Mean absolute difference per channel and the largest one, over `rect`
// of `a` against the whole of `b`.
std::pair<double, int> Difference(const QImage& a, const QRect& rect, const QImage& b)
{
    if (rect.size() != b.size())
        return {1e9, 1 << 30};
    double sum = 0;
    int max = 0;
    for (int y = 0; y < rect.height(); ++y)
        for (int x = 0; x < rect.width(); ++x) {
            const QRgb p = a.pixel(rect.x() + x, rect.y() + y), q = b.pixel(x, y);
            for (const int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                sum += std::abs(d);
                max = std::max(max, std::abs(d));
            }
        }
    return {sum / (3.0 * rect.width() * rect.height()), max};
}

} // namespace

class TestComposePhotos : public QObject {
    Q_OBJECT

    QTemporaryDir temp_;

    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = temp_.filePath(name);
        photos::WriteFile(path, bytes);
        return path;
    }

    // The composite the window captures with these pictures, split and no
    // markers.
    QImage WindowComposite(const QStringList& paths, int v, int h, int fit = 0)
    {
        Window w;
        TMainForm1* f = w.form.get();
        f->FitItems()[size_t(fit)]->trigger();
        for (qsizetype i = 0; i < paths.size(); ++i) {
            if (paths[i].isEmpty())
                continue;
            w.MoveTo(QPoint(i % 2 == 0 ? 120 : 360, i < 2 ? 90 : 270));
            w.Drop({paths[i]});
        }
        if (!w.Errors().isEmpty())
            return QImage();
        w.Drag(QPoint(239, 100), QPoint(239 + v - 238, 100));
        const int x = v < 240 ? 400 : 100;
        w.Drag(QPoint(x, 179), QPoint(x, 179 + h - 178));
        f->N8->trigger();
        f->Capture();
        return f->Image0->Picture().convertToFormat(QImage::Format_RGB888);
    }

private slots:
    void initTestCase() { QVERIFY(temp_.isValid()); }

    void composedPanelShowsPhotoTurned_data()
    {
        QTest::addColumn<int>("value");
        for (int value = 1; value <= 8; ++value)
            QTest::addRow("%d", value) << value;
    }

    void composedPanelShowsPhotoTurned()
    {
        QFETCH(int, value);
        const QString photo = Write(QStringLiteral("q%1.jpg").arg(value),
                                    photos::WithApp1(photos::QuarterJpeg(), photos::ExifPayload(value, value % 2)));
        for (const QString& scale : {QStringLiteral("nearest"), QStringLiteral("smooth")}) {
            const QString raw = temp_.filePath(QStringLiteral("q.ppm"));
            const Run run = Compose({QStringLiteral("--markers"), QStringLiteral("none"), QStringLiteral("--scale"),
                                     scale, QStringLiteral("--raw"), raw, photo});
            QVERIFY2(run.status == 0, run.err.constData());
            const QImage c = QImage::fromData(ReadAll(raw));
            QCOMPARE(c.size(), QSize(480, 360));
            const QRect r = Panels(238, 178)[0].adjusted(3, 3, -3, -3);
            const Corners seen{photos::QuarterOf(c.pixel(r.topLeft())), photos::QuarterOf(c.pixel(r.topRight())),
                               photos::QuarterOf(c.pixel(r.bottomLeft())),
                               photos::QuarterOf(c.pixel(r.bottomRight()))};
            QVERIFY2(photos::CornersText(seen) == photos::CornersText(kTurned[value]),
                     qPrintable(scale + QStringLiteral(": corners ") + photos::CornersText(seen) + QStringLiteral(", expected ")
                                + photos::CornersText(kTurned[value])));
        }
    }

    // The tool decodes only the rows each panel's stretch reads; with turned
    // pictures those are other rows, and the result must still be the
    // window's composite, byte for byte. "--scale nearest" is the default.
    void turnedPhotosComposeAsTheWindowShowsThem_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("v");
        QTest::addColumn<int>("h");
        QTest::addColumn<bool>("profiled");
        QTest::addColumn<int>("fit");  // a TFitMode
        QTest::newRow("no turn and mirrors, stored split") << QList<int>{1, 2, 3, 4} << 238 << 178 << false << 0;
        QTest::newRow("quarter turns and diagonals, stored split") << QList<int>{5, 6, 7, 8} << 238 << 178 << false << 0;
        QTest::newRow("quarter turns and diagonals, narrow left, low split")
            << QList<int>{8, 7, 6, 5} << 70 << 290 << false << 0;
        QTest::newRow("colour profiles, some turned") << QList<int>{1, 6, 3, 8} << 300 << 100 << true << 0;
        QTest::newRow("fit, all turns") << QList<int>{5, 2, 7, 4} << 70 << 290 << false << 1;
        QTest::newRow("fill, all turns, colour profiles") << QList<int>{6, 1, 8, 3} << 300 << 100 << true << 2;
    }

    void turnedPhotosComposeAsTheWindowShowsThem()
    {
        QFETCH(QList<int>, values);
        QFETCH(int, v);
        QFETCH(int, h);
        QFETCH(bool, profiled);
        QFETCH(int, fit);
        QStringList paths;
        for (qsizetype i = 0; i < values.size(); ++i) {
            QByteArray jpeg = photos::WithApp1(photos::DetailedJpeg(301 + int(i) * 10, 173),
                                               photos::ExifPayload(values[i], i % 2 == 1));
            if (profiled)
                jpeg = photos::WithIccProfile(jpeg, photos::WideGamutProfile());
            paths.append(Write(QStringLiteral("turned%1.jpg").arg(i), jpeg));
        }
        const QImage window = WindowComposite(paths, v, h, fit);
        QVERIFY(!window.isNull());
        QByteArray rawBytes;
        for (const QStringList& scale : {QStringList{QStringLiteral("--scale"), QStringLiteral("nearest")},
                                         QStringList{}}) {
            const QString raw = temp_.filePath(QStringLiteral("t.ppm"));
            const Run run = Compose(scale + QStringList{QStringLiteral("--split"), QStringLiteral("%1,%2").arg(v).arg(h),
                                                        QStringLiteral("--markers"), QStringLiteral("none"),
                                                        QStringLiteral("--raw"), raw, "--fit", grid::kFitModes[size_t(fit)]} + paths);
            QVERIFY2(run.status == 0, run.err.constData());
            const QImage c = QImage::fromData(ReadAll(raw));
            SAME_IMAGE(c, window);
            if (!rawBytes.isEmpty())
                QVERIFY(ReadAll(raw) == rawBytes);
            rawBytes = ReadAll(raw);
        }
    }

    // Smooth mode: each panel holds its picture shrunk to the panel with a
    // filter, close to a Lanczos shrink of the full picture (ImageMagick's);
    // empty panels keep their background; the markers sit in the corners.
    void smoothCompositeIsAFilteredShrinkInEachPanel()
    {
        const int v = 200, h = 150;
        const QString jpeg = Write(QStringLiteral("photo.jpg"), Jpeg(PhotoLike(960, 640, 1)));
        const QString turned = Write(QStringLiteral("turned.jpg"),
                                     photos::WithApp1(Jpeg(PhotoLike(720, 1000, 2)), photos::ExifPayload(6, true)));
        const QString bmp = temp_.filePath(QStringLiteral("picture.bmp"));
        QVERIFY(PhotoLike(500, 400, 3).save(bmp, "BMP"));
        const QStringList pictures{jpeg, turned, QStringLiteral("-"), bmp};
        const QString raw = temp_.filePath(QStringLiteral("smooth.ppm"));
        const QString out = temp_.filePath(QStringLiteral("smooth.jpg"));
        const QStringList common{QStringLiteral("--scale"), QStringLiteral("smooth"), QStringLiteral("--split"),
                                 QStringLiteral("%1,%2").arg(v).arg(h)};
        Run run = Compose(common + QStringList{QStringLiteral("--markers"), QStringLiteral("none"),
                                               QStringLiteral("--raw"), raw, QStringLiteral("-o"), out}
                          + pictures);
        QVERIFY2(run.status == 0, run.err.constData());
        const QImage c = QImage::fromData(ReadAll(raw));
        QCOMPARE(c.size(), QSize(480, 360));
        QCOMPARE(QImage(out).size(), QSize(480, 360));
        const std::array<QRect, 4> panels = Panels(v, h);

        const QString convert = codectest::Tool(QStringLiteral("convert"));
        if (convert.isEmpty())
            QSKIP("ImageMagick is missing");
        for (size_t i : {size_t(0), size_t(1), size_t(3)}) {
            const QString reference = temp_.filePath(QStringLiteral("ref%1.ppm").arg(i));
            const QSize size = panels[i].size();
            QVERIFY(codectest::Run(convert, {pictures[qsizetype(i)], QStringLiteral("-auto-orient"),
                                             QStringLiteral("-filter"), QStringLiteral("Lanczos"),
                                             QStringLiteral("-resize"),
                                             QStringLiteral("%1x%2!").arg(size.width()).arg(size.height()),
                                             reference}));
            const auto [mean, max] = Difference(c, panels[i], QImage(reference));
            QVERIFY2(mean <= 1.5 && max <= 16,
                     qPrintable(QStringLiteral("panel %1: mean difference %2, largest %3").arg(i + 1).arg(mean).arg(max)));
        }
        // Panel 3 is empty: its background colour inside the outline.
        UNIFORM(c, panels[2].adjusted(1, 1, -1, -1), 0xffe1ff);

        // With markers, only the panels' upper-left corners change.
        const QString marked = temp_.filePath(QStringLiteral("marked.ppm"));
        run = Compose(common + QStringList{QStringLiteral("--markers"), QStringLiteral("black-letters"),
                                           QStringLiteral("--raw"), marked} + pictures);
        QVERIFY2(run.status == 0, run.err.constData());
        const QImage m = QImage::fromData(ReadAll(marked));
        QCOMPARE(m.size(), QSize(480, 360));
        for (const QRect& panel : panels) {
            const QRect corner(panel.topLeft(), QSize(40, 40));
            bool markerSeen = false;
            for (int y = panel.top(); y <= panel.bottom(); ++y)
                for (int x = panel.left(); x <= panel.right(); ++x) {
                    if (m.pixel(x, y) == c.pixel(x, y))
                        continue;
                    QVERIFY2(corner.contains(x, y),
                             qPrintable(QStringLiteral("marker pixel at (%1, %2) outside the corner").arg(x).arg(y)));
                    markerSeen = true;
                }
            QVERIFY2(markerSeen, "a panel without its marker");
        }
    }

    void unknownScaleIsAUsageError()
    {
        const Run run = Compose({QStringLiteral("--scale"), QStringLiteral("bilinear"), QStringLiteral("-o"),
                                 temp_.filePath(QStringLiteral("x.jpg"))});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains("--scale wants one of nearest, smooth"), run.err.constData());
        QVERIFY(!QFile::exists(temp_.filePath(QStringLiteral("x.jpg"))));
    }
};

YOTSUMADO_APP_TEST_MAIN(TestComposePhotos)
#include "tst_composephotos.moc"
