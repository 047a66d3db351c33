#include "core/colorramp.h"

namespace yotsumado {

TruncatedRamp::TruncatedRamp(QRgb from, QRgb to)
    : r1_(qRed(from)), g1_(qGreen(from)), b1_(qBlue(from)),
      dr_(qRed(to) - r1_), dg_(qGreen(to) - g1_), db_(qBlue(to) - b1_)
{
}

QRgb TruncatedRamp::At(qsizetype i, qsizetype length) const
{
    const double t = length > 1 ? static_cast<double>(i) / static_cast<double>(length - 1) : 0.0;
    // Converting to int truncates toward zero; every value is in 0 .. 255.
    return qRgb(static_cast<int>(dr_ * t + r1_), static_cast<int>(dg_ * t + g1_),
                static_cast<int>(db_ * t + b1_));
}

QRgb FaceRampEntry(QRgb from, QRgb to, int i)
{
    const auto step = [i](int c0, int c1) { return c0 + ((c1 - c0) * i) / 255; };
    return qRgb(step(qRed(from), qRed(to)), step(qGreen(from), qGreen(to)), step(qBlue(from), qBlue(to)));
}

} // namespace yotsumado
