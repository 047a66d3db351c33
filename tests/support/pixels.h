#pragma once
// Pixel assertions: compare colours and whole images, reporting the first
// differing pixel with both colours.

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

namespace testing {

// Renders a widget (and its children) into an RGB32 image of its size.
QImage Grab(QWidget* widget);

QString ColorName(QRgb c);  // "(r, g, b)"

// Empty when every pixel of rect in image has colour c; otherwise a message
// naming the first pixel that differs.
QString CheckUniform(const QImage& image, const QRect& rect, QRgb c);
// Empty when a and b are the same size and equal in their RGB bits.
QString CheckSame(const QImage& a, const QImage& b);

} // namespace testing

#define PIXEL_IS(image, x, y, rgb)                                                                    \
    QVERIFY2(((image).pixel((x), (y)) & 0xffffffu) == ((rgb) & 0xffffffu),                            \
             qPrintable(QStringLiteral("pixel (%1, %2) is %3, expected %4")                           \
                            .arg(x).arg(y)                                                            \
                            .arg(testing::ColorName((image).pixel((x), (y))), testing::ColorName(rgb))))

#define UNIFORM(image, rect, rgb)                                              \
    do {                                                                       \
        const QString msg_ = testing::CheckUniform((image), (rect), (rgb));   \
        QVERIFY2(msg_.isEmpty(), qPrintable(msg_));                            \
    } while (0)

#define SAME_IMAGE(a, b)                                           \
    do {                                                           \
        const QString msg_ = testing::CheckSame((a), (b));         \
        QVERIFY2(msg_.isEmpty(), qPrintable(msg_));                \
    } while (0)
