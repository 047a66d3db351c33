#pragma once
// The one nearest-neighbour stretch of the program. A stretched picture
// repeats or drops whole rows and columns and never averages neighbours, so
// every path that shows or writes a stretched picture (the picture control,
// the loader's decode-while-stretching, the gradient helpers, the compose
// tool) must pick the very same source pixels; they all pick them here.

#include <QImage>
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

} // namespace yotsumado
