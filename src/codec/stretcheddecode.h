#pragma once
// Decoding a picture straight to the size a panel shows it at.
//
// A stretched picture control draws its picture with a nearest-neighbour
// stretch (StretchNearest), which reads only some rows and columns of the
// source. When only the panel's pixels matter, as for a one-off composite,
// decoding just those saves most of the work and memory. The result is the
// stretch itself, at the panel's size: stretching it again to that size
// changes nothing, so a picture control given it draws exactly the pixels it
// would draw from the full picture.

#include "core/stretch.h"

#include <QImage>
#include <QSize>

class QIODevice;

namespace yotsumado {

class BudgetShare;

// The JPEG stream in `in` decoded and stretched to `size`: a
// QImage::Format_RGB888 image equal, pixel for pixel, to
// StretchNearest(DecodeJpeg(in), size), the turned picture's stretch. Rows the stretch never reads are
// skipped, not decoded. Throws what DecodeJpeg throws, for the same streams.
// An empty `size` gives DecodeJpeg's full picture. The result and the
// decoding work are asked of `share`'s budget as DecodeJpeg asks them; on
// success the share holds the result's bytes in addition to what it held.
// With another `fit` the result is StretchPlaced(DecodeJpeg(in), size, fit):
// the part of the picture the panel shows, at the size it shows it.
QImage DecodeJpegStretched(QIODevice& in, QSize size, BudgetShare& share, TFitMode fit = TFitMode::Stretch);
// The same within a whole program budget of its own.
QImage DecodeJpegStretched(QIODevice& in, QSize size, TFitMode fit = TFitMode::Stretch);

} // namespace yotsumado
