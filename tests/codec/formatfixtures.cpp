#include "formatfixtures.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace formatfixtures {

QString MissingProgram(const QStringList& programs)
{
    for (const QString& program : programs)
        if (QStandardPaths::findExecutable(program).isEmpty())
            return program;
    return QString();
}

QString Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60'000)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("%1 did not finish: %2").arg(program, QString::fromLocal8Bit(process.readAll()));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("%1 %2 failed: %3")
            .arg(program, arguments.join(QLatin1Char(' ')), QString::fromLocal8Bit(process.readAll()));
    return QString();
}

QImage PhotoLike(QSize size)
{
    const QDir photos(QStringLiteral("/usr/share/backgrounds/mate/nature"));
    const QStringList names = photos.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    if (!names.isEmpty()) {
        const QImage photo(photos.filePath(names.first()));
        if (!photo.isNull())
            return photo.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB888);
    }
    QImage picture(size, QImage::Format_RGB888);
    for (int y = 0; y < size.height(); ++y) {
        uchar* row = picture.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            const bool edge = ((x / 16) + (y / 16)) % 5 == 0;
            row[3 * x] = uchar(edge ? 250 : 255 * x / qMax(1, size.width() - 1));
            row[3 * x + 1] = uchar(edge ? 20 : 255 * y / qMax(1, size.height() - 1));
            row[3 * x + 2] = uchar(edge ? 40 : (x * y) % 256);
        }
    }
    return picture;
}

double MeanDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    const QImage ra = a.convertToFormat(QImage::Format_RGB888), rb = b.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int y = 0; y < ra.height(); ++y) {
        const uchar* p = ra.constScanLine(y);
        const uchar* q = rb.constScanLine(y);
        for (int x = 0; x < ra.width() * 3; ++x)
            sum += std::abs(int(p[x]) - int(q[x]));
    }
    return ra.isNull() ? 0 : sum / (double(ra.width()) * ra.height() * 3);
}

} // namespace formatfixtures
