#include "sampleglyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace gallery {

QStringList GlyphNames()
{
    return {QStringLiteral("ball"), QStringLiteral("arrow"), QStringLiteral("page"), QStringLiteral("stop"),
            QStringLiteral("none")};
}

QImage MakeGlyph(const QString& name, int size)
{
    if (!GlyphNames().contains(name) || name == QLatin1String("none")) return QImage();
    QImage img(size, size, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 255));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    const double s = size / 16.0;
    p.scale(s, s);
    if (name == QLatin1String("ball")) {
        p.setPen(QColor(120, 0, 0));
        p.setBrush(QColor(220, 40, 30));
        p.drawEllipse(QRect(2, 2, 11, 11));
        p.fillRect(QRect(5, 4, 2, 2), QColor(255, 200, 190));
    } else if (name == QLatin1String("arrow")) {
        QPainterPath path;
        path.moveTo(2, 6);
        path.lineTo(8, 6);
        path.lineTo(8, 2);
        path.lineTo(14, 8);
        path.lineTo(8, 14);
        path.lineTo(8, 10);
        path.lineTo(2, 10);
        path.closeSubpath();
        p.setPen(QColor(0, 90, 0));
        p.setBrush(QColor(40, 180, 60));
        p.drawPath(path);
    } else if (name == QLatin1String("page")) {
        p.setPen(QColor(40, 40, 40));
        p.setBrush(QColor(255, 255, 255));
        p.drawRect(QRect(3, 1, 9, 13));
        for (int y = 4; y <= 11; y += 2) p.fillRect(QRect(5, y, 5, 1), QColor(60, 90, 200));
    } else if (name == QLatin1String("stop")) {
        p.setPen(QColor(0, 0, 100));
        p.setBrush(QColor(30, 80, 220));
        p.drawRect(QRect(2, 2, 11, 11));
        p.fillRect(QRect(5, 5, 6, 6), QColor(255, 230, 0));
    }
    return img;
}

} // namespace gallery
