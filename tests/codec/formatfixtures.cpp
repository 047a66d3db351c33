#include "formatfixtures.h"

#include "codec/memorybudget.h"
#include "codec/rasterdecoders.h"
#include "core/error.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

using namespace yotsumado;

namespace formatfixtures {

QString MissingIn(const QString& command)
{
    for (const QString& step : command.split(QRegularExpression("&&|\\|")))
        if (const QString program = step.trimmed().section(' ', 0, 0); QStandardPaths::findExecutable(program).isEmpty())
            return program;
    return QString();
}

QString Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(60'000);
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return QString();
    process.kill();
    process.waitForFinished();
    return QString("%1 %2 %3: %4").arg(program, arguments.join(' '), finished ? "failed" : "did not finish", process.readAll());
}

QImage PhotoLike(QSize size, bool alpha)
{
    const QDir photos("/usr/share/backgrounds/mate/nature");
    const QImage photo(photos.filePath(photos.entryList({"*.jpg"}, QDir::Files, QDir::Name).value(0)));
    QImage picture = photo.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB888);
    for (int y = 0; alpha && y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, (picture.pixel(x, y) & 0xFFFFFFu) | uint(x * 255 / qMax(1, size.width() - 1)) << 24);
    return picture;
}

double MeanDifference(const QImage& a, const QImage& b)
{
    const QImage p = a.convertToFormat(QImage::Format_ARGB32_Premultiplied), q = b.convertToFormat(p.format());
    const bool alpha = a.hasAlphaChannel() || b.hasAlphaChannel();
    double sum = 0;
    for (int y = 0; a.size() == b.size() && y < p.height(); ++y)
        for (int x = 0; x < 4 * p.width(); ++x)
            sum += std::abs(p.constScanLine(y)[x] - q.constScanLine(y)[x]);
    return a.size() != b.size() ? -1 : p.isNull() ? 0 : sum / (double(p.width()) * p.height() * (alpha ? 4 : 3));
}

void CheckDecode(PictureKind kind, const QByteArray& bytes, const QString& error, const QImage& expected, bool alpha,
                 double tolerance)
{
    MemoryBudget budget(kProgramMemoryBudget);
    BudgetShare share(budget);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImage picture;
    QString refused;
    try {
        picture = DecodeRaster(kind, buffer, share);
    } catch (const Exception& e) {
        refused = e.Message();
    }
    QCOMPARE(refused, error);
    if (!error.isEmpty()) {
        QCOMPARE(budget.InUse(), qint64(0));
        return;
    }
    QCOMPARE(picture.format(), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB888);
    QCOMPARE(picture.size(), expected.size());
    QCOMPARE(share.Bytes(), qint64(picture.sizeInBytes()));
    QCOMPARE(budget.InUse(), share.Bytes());
    const double difference = MeanDifference(picture, expected);
    QVERIFY2(difference <= tolerance, qPrintable(QStringLiteral("differs by %1").arg(difference)));
}

} // namespace formatfixtures
