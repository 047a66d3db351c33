#include "stretcheddecode.h"

#include "image.h"
#include "jpegdecoder.h"
#include "jpegerror.h"
#include "memorybudget.h"

#include <QIODevice>

#include <cstring>
#include <vector>

#include <jerror.h>

namespace {

// Which source row and column each target row and column of a
// nearest-neighbour stretch reads; the same rule the picture control uses.
std::vector<int> SourceIndices(int srcLen, int dstLen)
{
    std::vector<int> map(static_cast<size_t>(dstLen));
    for (int i = 0; i < dstLen; ++i)
        map[static_cast<size_t>(i)] = StretchSourceIndex(i, srcLen, dstLen);
    return map;
}

// Samples one source row (3 bytes per pixel) into target row `t`, or copies
// the previous target row when it reads the same source row.
void FillRow(QImage& out, int t, const uchar* rgb, const std::vector<int>& xmap, bool sameAsPrevious)
{
    uchar* dst = out.scanLine(t);
    const size_t bytes = 3 * xmap.size();
    if (sameAsPrevious) {
        std::memcpy(dst, out.constScanLine(t - 1), bytes);
        return;
    }
    for (int x : xmap) {
        const uchar* p = rgb + 3 * static_cast<size_t>(x);
        dst[0] = p[0];
        dst[1] = p[1];
        dst[2] = p[2];
        dst += 3;
    }
}

// Collects the rows a stretch to `size` reads, straight into the result.
class StretchSink final : public JpegRowSink {
public:
    explicit StretchSink(QSize size) : size_(size) {}

    bool Begin(int width, int height) noexcept override
    {
        try {
            height_ = height;
            xmap_ = SourceIndices(width, size_.width());
            ymap_ = SourceIndices(height, size_.height());
            out_ = QImage(size_, QImage::Format_RGB888);
        } catch (...) {
            return false;
        }
        return !out_.isNull();
    }

    int NextWanted(int) const noexcept override
    {
        return next_ < ymap_.size() ? ymap_[next_] : height_;
    }

    void Row(int y, const uchar* rgb) noexcept override
    {
        bool first = true;
        for (; next_ < ymap_.size() && ymap_[next_] == y; ++next_) {
            FillRow(out_, int(next_), rgb, xmap_, !first);
            first = false;
        }
    }

    QImage Take() { return std::move(out_); }

private:
    QSize size_;
    int height_ = 0;
    std::vector<int> xmap_;
    std::vector<int> ymap_;
    size_t next_ = 0;  // the first target row not yet filled
    QImage out_;
};

} // namespace

QImage DecodeJpegStretched(QIODevice& in, QSize size, BudgetShare& share)
{
    if (size.isEmpty())
        return DecodeJpeg(in, share);
    const qint64 before = share.Bytes();
    // The result, at the size asked for, is the sink's.
    if (!share.Grow(qint64(size.width()) * size.height() * 3))
        throw JpegError(JERR_IMAGE_TOO_BIG);
    StretchSink sink(size);
    try {
        DecodeJpegRows(in, sink, share);
    } catch (...) {
        share.ShrinkTo(before);
        throw;
    }
    QImage out = sink.Take();
    share.ShrinkTo(before + out.sizeInBytes());
    return out;
}

QImage DecodeJpegStretched(QIODevice& in, QSize size)
{
    MemoryBudget budget(kProgramMemoryBudget);
    BudgetShare share(budget);
    return DecodeJpegStretched(in, size, share);
}

QImage StretchToRgb888(const QImage& picture, QSize size)
{
    if (picture.isNull() || size.isEmpty())
        return picture;
    const QImage source = picture.format() == QImage::Format_RGB888
        ? picture : StretchNearest(picture, picture.size()).convertToFormat(QImage::Format_RGB888);
    QImage out(size, QImage::Format_RGB888);
    if (out.isNull())
        return out;
    const std::vector<int> xmap = SourceIndices(source.width(), size.width());
    int previous = -1;
    for (int t = 0; t < size.height(); ++t) {
        const int y = StretchSourceIndex(t, source.height(), size.height());
        FillRow(out, t, source.constScanLine(y), xmap, y == previous);
        previous = y;
    }
    return out;
}
