#include "codec/stretcheddecode.h"

#include "codec/exiforientation.h"
#include "codec/jpegdecoder.h"
#include "codec/jpegerror.h"
#include "codec/memorybudget.h"
#include "core/stretch.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <vector>

#include <jerror.h>

namespace yotsumado {

namespace {

// Collects the rows a stretch to `size` of the turned picture reads,
// straight into the result. Each line of the result (a row; a column when the
// turn exchanges width and height) reads one stored row, and its pixels read
// the same stored columns as every other line's.
class StretchSink final : public JpegRowSink {
public:
    StretchSink(QSize size, TFitMode fit) : size_(size), fit_(fit) {}

    bool Begin(int width, int height, int orientation) noexcept override
    {
        try {
            height_ = height;
            transposed_ = OrientationTransposes(orientation);
            const QSize stored(width, height);
            const QSize turned = OrientedSize(stored, orientation);
            // The part of the turned picture that shows, and its size shown.
            const TPlacement placed = PlaceInPanel(turned, size_, fit_);
            const QRect from = placed.source;
            const QSize shown = placed.target.size();
            // Lines run across the turned picture's rows (or columns), their
            // pixels along them; the stored row and column each one reads
            // follow from the turned pixel under it.
            const int lineCount = transposed_ ? shown.width() : shown.height();
            const int alongCount = transposed_ ? shown.height() : shown.width();
            lines_.clear();
            lines_.reserve(size_t(lineCount));
            for (int l = 0; l < lineCount; ++l) {
                const QPoint t = from.topLeft()
                    + (transposed_ ? QPoint(StretchSourceIndex(l, from.width(), shown.width()), 0)
                                   : QPoint(0, StretchSourceIndex(l, from.height(), shown.height())));
                lines_.push_back({StoredPixelOf(t, stored, orientation).y(), l});
            }
            std::stable_sort(lines_.begin(), lines_.end(),
                             [](const Line& a, const Line& b) { return a.storedRow < b.storedRow; });
            columns_.resize(size_t(alongCount));
            for (int k = 0; k < alongCount; ++k) {
                const QPoint t = from.topLeft()
                    + (transposed_ ? QPoint(0, StretchSourceIndex(k, from.height(), shown.height()))
                                   : QPoint(StretchSourceIndex(k, from.width(), shown.width()), 0));
                columns_[size_t(k)] = StoredPixelOf(t, stored, orientation).x();
            }
            out_ = QImage(shown, QImage::Format_RGB888);
        } catch (...) {
            return false;
        }
        return !out_.isNull();
    }

    int NextWanted(int) const noexcept override
    {
        return next_ < lines_.size() ? lines_[next_].storedRow : height_;
    }

    void Row(int y, const uchar* rgb) noexcept override
    {
        int previous = -1;
        for (; next_ < lines_.size() && lines_[next_].storedRow == y; ++next_) {
            const int line = lines_[next_].line;
            if (!transposed_) {
                // Rows that read the same stored row follow each other.
                if (previous >= 0)
                    std::memcpy(out_.scanLine(line), out_.constScanLine(previous), 3 * columns_.size());
                else
                    StretchRgb888Row(rgb, columns_, out_.scanLine(line));
                previous = line;
                continue;
            }
            uchar* dst = out_.scanLine(0) + 3 * static_cast<size_t>(line);
            const qsizetype stride = out_.bytesPerLine();
            for (int x : columns_) {
                const uchar* p = rgb + 3 * static_cast<size_t>(x);
                dst[0] = p[0];
                dst[1] = p[1];
                dst[2] = p[2];
                dst += stride;
            }
        }
    }

    QImage Take() { return std::move(out_); }

private:
    struct Line {
        int storedRow;
        int line;
    };
    QSize size_;
    TFitMode fit_;
    int height_ = 0;
    bool transposed_ = false;
    std::vector<Line> lines_;  // by stored row
    std::vector<int> columns_;
    size_t next_ = 0;  // the first entry of lines_ not yet filled
    QImage out_;
};

} // namespace

QImage DecodeJpegStretched(QIODevice& in, QSize size, BudgetShare& share, TFitMode fit)
{
    if (size.isEmpty())
        return DecodeJpeg(in, share);
    const qint64 before = share.Bytes();
    // The result, at the size asked for, is the sink's.
    if (!share.Grow(qint64(size.width()) * size.height() * 3))
        throw JpegError(JERR_IMAGE_TOO_BIG);
    StretchSink sink(size, fit);
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

QImage DecodeJpegStretched(QIODevice& in, QSize size, TFitMode fit)
{
    MemoryBudget budget(kProgramMemoryBudget);
    BudgetShare share(budget);
    return DecodeJpegStretched(in, size, share, fit);
}

} // namespace yotsumado
