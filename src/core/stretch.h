#pragma once
// The one nearest-neighbour stretch of the program. A stretched picture
// repeats or drops whole rows and columns and never averages neighbours, so
// every path that shows or writes a stretched picture (the picture control,
// the loader's decode-while-stretching, the gradient helpers, the compose
// tool) must pick the very same source pixels; they all pick them here.

#include <QImage>
#include <QRect>
#include <QSize>

#include <vector>

namespace yotsumado {

// The source index that destination index i of a stretch from srcLen to
// dstLen reads: the source pixel under the destination pixel's centre.
inline int StretchSourceIndex(int i, int srcLen, int dstLen)
{
    return static_cast<int>((2 * static_cast<long long>(i) + 1) * srcLen / (2 * static_cast<long long>(dstLen)));
}

// StretchSourceIndex for every destination index 0 .. dstLen - 1.
std::vector<int> StretchSourceIndices(int srcLen, int dstLen);

// Samples one row of 3-byte pixels (R, G, B) through xmap into dst, which
// takes xmap.size() pixels of 3 bytes.
void StretchRgb888Row(const uchar* rgb, const std::vector<int>& xmap, uchar* dst);

// Stretch of src (any format) to size. The result has the given format,
// QImage::Format_RGB32 or QImage::Format_RGB888; both hold the same colours.
// An empty src or size gives a null image.
QImage StretchNearest(const QImage& src, QSize size, QImage::Format format = QImage::Format_RGB32);
// The same stretch of the part `from` of src (which must lie inside it).
QImage StretchNearest(const QImage& src, QRect from, QSize size, QImage::Format format);

// How a picture takes a panel of another shape: stretched over all of it
// (proportions lost), fitted whole inside it (centred, the panel showing
// beside or above and below it), or filling it (centred, the parts beyond
// the panel's proportions cut off).
enum class TFitMode { Stretch, Fit, Fill };

// Which part of a picture shows, and where in the panel it is stretched to.
struct TPlacement {
    QRect source;  // within the picture
    QRect target;  // within the panel
};
// The placement of a picture of `picture` pixels in a panel of `panel`
// pixels. Sizes are rounded to whole pixels, at least one; a leftover pixel
// of a centred margin goes to the right or bottom.
TPlacement PlaceInPanel(QSize picture, QSize panel, TFitMode mode);
// The picture as `mode` shows it in a panel of `size`: StretchNearest of the
// placement's source part to the target's size (drawn at the target's
// place, which for a result of that size is its centre). Null as
// StretchNearest is.
QImage StretchPlaced(const QImage& src, QSize size, TFitMode mode, QImage::Format format = QImage::Format_RGB32);

} // namespace yotsumado
