#include "codec/exiforientation.h"

#include <cstdint>
#include <cstring>

namespace yotsumado {

namespace {

constexpr unsigned kOrientationTag = 0x0112;
constexpr unsigned kTypeShort = 3;
constexpr std::size_t kEntryBytes = 12;

// A TIFF structure in one byte order; every read checks its bounds.
class TiffReader {
public:
    TiffReader(const unsigned char* data, std::size_t size, bool bigEndian)
        : data_(data), size_(size), bigEndian_(bigEndian) {}

    bool Fits(std::size_t offset, std::size_t bytes) const { return offset <= size_ && bytes <= size_ - offset; }

    unsigned U16(std::size_t offset) const
    {
        const unsigned a = data_[offset], b = data_[offset + 1];
        return bigEndian_ ? (a << 8 | b) : (b << 8 | a);
    }

    std::uint32_t U32(std::size_t offset) const
    {
        const std::uint32_t hi = U16(offset), lo = U16(offset + 2);
        return bigEndian_ ? (hi << 16 | lo) : (lo << 16 | hi);
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    bool bigEndian_;
};

} // namespace

int ExifOrientation(const unsigned char* data, std::size_t size)
{
    static const unsigned char kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (!data || size < sizeof kExif || std::memcmp(data, kExif, sizeof kExif) != 0)
        return 1;
    return TiffOrientation(data + sizeof kExif, size - sizeof kExif);
}

int ExifOrientationOfBlock(const unsigned char* data, std::size_t size)
{
    static const unsigned char kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (data && size >= sizeof kExif && std::memcmp(data, kExif, sizeof kExif) == 0)
        return ExifOrientation(data, size);
    return TiffOrientation(data, size);
}

int TiffOrientation(const unsigned char* tiff, std::size_t tiffSize)
{
    if (!tiff || tiffSize < 8)
        return 1;
    bool bigEndian;
    if (tiff[0] == 'M' && tiff[1] == 'M')
        bigEndian = true;
    else if (tiff[0] == 'I' && tiff[1] == 'I')
        bigEndian = false;
    else
        return 1;
    const TiffReader reader(tiff, tiffSize, bigEndian);
    if (reader.U16(2) != 42)
        return 1;
    const std::uint32_t directory = reader.U32(4);
    if (directory < 8 || !reader.Fits(directory, 2))
        return 1;
    const unsigned entries = reader.U16(directory);
    if (!reader.Fits(directory + 2, std::size_t(entries) * kEntryBytes))
        return 1;
    for (unsigned i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + std::size_t(i) * kEntryBytes;
        if (reader.U16(entry) != kOrientationTag)
            continue;
        // A SHORT with one value keeps it in the first two bytes of the
        // value field; any other form is not a valid orientation.
        if (reader.U16(entry + 2) != kTypeShort || reader.U32(entry + 4) != 1)
            return 1;
        const unsigned value = reader.U16(entry + 8);
        return value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}

QPoint StoredPixelOf(QPoint turned, QSize stored, int orientation)
{
    const int x = turned.x(), y = turned.y();
    const int w = stored.width(), h = stored.height();
    switch (orientation) {
    case 2: return {w - 1 - x, y};
    case 3: return {w - 1 - x, h - 1 - y};
    case 4: return {x, h - 1 - y};
    case 5: return {y, x};
    case 6: return {y, h - 1 - x};
    case 7: return {w - 1 - y, h - 1 - x};
    case 8: return {w - 1 - y, x};
    default: return turned;
    }
}

void PlaceStoredRow(const unsigned char* row, int y, int width, int height, int orientation, unsigned char* turned,
                    std::ptrdiff_t stride)
{
    if (!OrientationTransposes(orientation)) {
        const bool flipRows = orientation == 3 || orientation == 4;
        const bool flipColumns = orientation == 2 || orientation == 3;
        unsigned char* dst = turned + std::ptrdiff_t(flipRows ? height - 1 - y : y) * stride;
        if (!flipColumns) {
            std::memcpy(dst, row, std::size_t(width) * 3);
            return;
        }
        const unsigned char* src = row + std::size_t(width - 1) * 3;
        for (int x = 0; x < width; ++x, src -= 3, dst += 3) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
        return;
    }
    // The stored row becomes a column of the turned picture (whose width is
    // the stored height), read downwards (5, 6) or upwards (7, 8).
    const int column = orientation == 5 || orientation == 8 ? y : height - 1 - y;
    const bool upwards = orientation == 7 || orientation == 8;
    unsigned char* dst = turned + std::ptrdiff_t(column) * 3 + (upwards ? std::ptrdiff_t(width - 1) * stride : 0);
    const std::ptrdiff_t step = upwards ? -stride : stride;
    for (int x = 0; x < width; ++x, row += 3, dst += step) {
        dst[0] = row[0];
        dst[1] = row[1];
        dst[2] = row[2];
    }
}

void PlaceStoredRows(const unsigned char* const* rows, int count, int y, int width, int height, int orientation,
                     unsigned char* turned, std::ptrdiff_t stride)
{
    if (!OrientationTransposes(orientation)) {
        for (int i = 0; i < count; ++i)
            PlaceStoredRow(rows[i], y + i, width, height, orientation, turned, stride);
        return;
    }
    // Stored row y goes to column y (5, 8) or height - 1 - y (6, 7), read
    // downwards (5, 6) or upwards (7, 8).
    const bool leftwards = orientation == 6 || orientation == 7;
    const bool upwards = orientation == 7 || orientation == 8;
    const int firstColumn = leftwards ? height - (y + count) : y;
    for (int x = 0; x < width; ++x) {
        unsigned char* dst = turned + std::ptrdiff_t(upwards ? width - 1 - x : x) * stride + std::ptrdiff_t(firstColumn) * 3;
        for (int k = 0; k < count; ++k, dst += 3) {
            const unsigned char* src = rows[leftwards ? count - 1 - k : k] + std::ptrdiff_t(x) * 3;
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
    }
}

} // namespace yotsumado
