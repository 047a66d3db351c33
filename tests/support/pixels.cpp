#include "pixels.h"

namespace testing {

QImage Grab(QWidget* widget)
{
    QImage img(widget->size(), QImage::Format_RGB32);
    img.fill(Qt::black);
    widget->render(&img, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return img;
}

QString ColorName(QRgb c)
{
    return QStringLiteral("(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

QString CheckUniform(const QImage& image, const QRect& rect, QRgb c)
{
    if (!image.rect().contains(rect))
        return QStringLiteral("rect outside the image");
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if ((image.pixel(x, y) & 0xffffffu) != (c & 0xffffffu))
                return QStringLiteral("pixel (%1, %2) is %3, expected %4")
                    .arg(x).arg(y).arg(ColorName(image.pixel(x, y)), ColorName(c));
    return QString();
}

QString CheckSame(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return QStringLiteral("sizes differ: %1x%2 and %3x%4")
            .arg(a.width()).arg(a.height()).arg(b.width()).arg(b.height());
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xffffffu) != (b.pixel(x, y) & 0xffffffu))
                return QStringLiteral("first difference at (%1, %2): %3 and %4")
                    .arg(x).arg(y).arg(ColorName(a.pixel(x, y)), ColorName(b.pixel(x, y)));
    return QString();
}

} // namespace testing
