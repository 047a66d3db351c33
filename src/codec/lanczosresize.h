#pragma once
// Shrinking (or enlarging) a picture with a Lanczos filter, for pictures
// that are composed once and must look their best: every source pixel
// contributes, so fine detail averages out instead of breaking into the
// jagged noise a nearest-neighbour stretch gives.

#include <QImage>
#include <QSize>

namespace yotsumado {

// `picture` resampled to exactly `size` (proportions not kept: the picture
// fills it, as a stretched panel shows it) with a three-lobed Lanczos filter
// widened by the shrink factor, edges repeated. A picture more than four
// times the size in a direction is first reduced in it by averaging boxes of
// whole pixels, to no less than four times (so a huge picture costs about a
// pass over its pixels). A QImage::Format_RGB888 image; a null picture or an
// empty size gives a null image.
QImage ResizeLanczos(const QImage& picture, QSize size);

} // namespace yotsumado
