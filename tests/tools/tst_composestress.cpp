// yotsumado-compose started many times in a row over BMP and JPEG pictures:
// every run must end normally with the same, right picture. A start-up race
// between the decoding threads and the application object shows here as an
// occasional crash or abort, so the runs are many and two run at a time.

#include "codec/jpegencoder.h"
#include "support/testmain.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>

using namespace yotsumado;

namespace {

constexpr int kRuns = 160;
constexpr int kAtOnce = 2;

// The four panels' colours; each panel gets a plain picture of its colour.
const std::array<QColor, 4> kColours{QColor(220, 30, 40), QColor(30, 200, 60), QColor(40, 60, 230),
                                     QColor(230, 210, 30)};

// A point inside panel n (0..3) at the default split, clear of its marker.
QPoint PanelPoint(int n)
{
    return QPoint(n % 2 == 0 ? 120 : 360, n < 2 ? 90 : 270);
}

QImage Plain(const QColor& colour, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

QImage FromPpm(const QByteArray& ppm)
{
    const QByteArray header = "P6\n480 360\n255\n";
    if (!ppm.startsWith(header) || ppm.size() != header.size() + 480 * 360 * 3)
        return QImage();
    QImage image(480, 360, QImage::Format_RGB888);
    for (int y = 0; y < 360; ++y)
        memcpy(image.scanLine(y), ppm.constData() + header.size() + y * 480 * 3, 480 * 3);
    return image;
}

bool Near(QRgb a, const QColor& b)
{
    return qAbs(qRed(a) - b.red()) <= 8 && qAbs(qGreen(a) - b.green()) <= 8 && qAbs(qBlue(a) - b.blue()) <= 8;
}

} // namespace

class TestComposeStress : public QObject {
    Q_OBJECT
private slots:
    void everyRunEndsWellWithTheSamePicture()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // BMP in panels 1 and 3, JPEG in 2 and 4, of sizes that need stretching.
        QStringList pictures;
        for (int n = 0; n < 4; ++n) {
            const bool bmp = n % 2 == 0;
            const QString path = dir.filePath(QStringLiteral("p%1.%2").arg(n + 1).arg(bmp ? "bmp" : "jpg"));
            const QImage plain = Plain(kColours[size_t(n)], 301 + 40 * n, 203 + 30 * n);
            if (bmp)
                QVERIFY(plain.save(path, "BMP"));
            else
                SaveJpeg(plain, path);
            pictures << path;
        }

        QByteArray first;
        int started = 0, finished = 0;
        std::array<std::unique_ptr<QProcess>, kAtOnce> running;
        std::array<QString, kAtOnce> outputs;
        while (finished < kRuns) {
            for (size_t slot = 0; slot < running.size(); ++slot) {
                if (!running[slot] && started < kRuns) {
                    outputs[slot] = dir.filePath(QStringLiteral("out%1.ppm").arg(started));
                    running[slot] = std::make_unique<QProcess>();
                    running[slot]->start(QStringLiteral(COMPOSE_PROGRAM),
                                         QStringList{QStringLiteral("--raw"), outputs[slot]} + pictures);
                    ++started;
                }
            }
            for (size_t slot = 0; slot < running.size(); ++slot) {
                if (!running[slot])
                    continue;
                QProcess& p = *running[slot];
                QVERIFY2(p.waitForFinished(120000), "a run did not end");
                const QByteArray err = p.readAllStandardError();
                const QString what = QStringLiteral("run %1 of %2: exit status %3, %4, stderr: %5")
                                         .arg(finished + 1)
                                         .arg(kRuns)
                                         .arg(p.exitCode())
                                         .arg(p.exitStatus() == QProcess::NormalExit ? "normal" : "crashed")
                                         .arg(QString::fromUtf8(err));
                QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, qPrintable(what));
                QVERIFY2(err.isEmpty(), qPrintable(what));
                QFile out(outputs[slot]);
                QVERIFY(out.open(QIODevice::ReadOnly));
                const QByteArray ppm = out.readAll();
                out.close();
                out.remove();
                if (first.isEmpty()) {
                    const QImage composite = FromPpm(ppm);
                    QVERIFY2(!composite.isNull(), "the output is not a 480 x 360 PPM");
                    for (int n = 0; n < 4; ++n)
                        QVERIFY2(Near(composite.pixel(PanelPoint(n)), kColours[size_t(n)]),
                                 qPrintable(QStringLiteral("panel %1 does not show its picture").arg(n + 1)));
                    first = ppm;
                } else {
                    QVERIFY2(ppm == first, qPrintable(QStringLiteral("run %1 wrote another picture").arg(finished + 1)));
                }
                running[slot].reset();
                ++finished;
            }
        }
    }
};

YOTSUMADO_TEST_MAIN(TestComposeStress)
#include "tst_composestress.moc"
