#pragma once
// The orientation tag of a photo's Exif data, and the turn it asks for.
//
// Cameras and phones store a picture the way the sensor read it and record in
// an Exif tag how it must be turned to stand upright. The eight values are
// TIFF's: 1 as stored, 2 mirrored left to right, 3 turned half round, 4
// mirrored top to bottom, 5 mirrored along the main diagonal (transposed), 6
// turned a quarter clockwise, 7 mirrored along the other diagonal, 8 turned a
// quarter anticlockwise.

#include <QPoint>
#include <QSize>

#include <cstddef>

namespace yotsumado {

// The orientation an APP1 marker's payload gives ("Exif\0\0", then a TIFF
// structure of either byte order whose first directory holds tag 0x0112).
// Anything else gives 1, the picture as stored: another kind of APP1 data, a
// missing tag, a value outside 1..8, a block cut short or one whose offsets
// point outside it. Reads nothing outside [data, data + size).
int ExifOrientation(const unsigned char* data, std::size_t size);
// The same for a bare TIFF structure (from its byte-order mark on).
int TiffOrientation(const unsigned char* tiff, std::size_t size);
// The same for an Exif block as the newer formats store it: a bare TIFF
// structure (PNG's eXIf, most WebP EXIF chunks) or one behind "Exif\0\0".
int ExifOrientationOfBlock(const unsigned char* data, std::size_t size);

// Values 5 to 8 exchange the picture's width and height.
inline bool OrientationTransposes(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

// The size of the turned picture of a stored picture of size `stored`.
inline QSize OrientedSize(QSize stored, int orientation)
{
    return OrientationTransposes(orientation) ? stored.transposed() : stored;
}

// The stored pixel that pixel `turned` of the turned picture shows; `stored`
// is the stored picture's size. Unknown values count as 1.
QPoint StoredPixelOf(QPoint turned, QSize stored, int orientation);

// Copies stored row `y` (`width` pixels of 3 bytes) of a picture of the
// stored size `width` x `height` to its place in the turned picture, whose
// rows start at `turned` and lie `stride` bytes apart.
void PlaceStoredRow(const unsigned char* row, int y, int width, int height, int orientation, unsigned char* turned,
                    std::ptrdiff_t stride);

// PlaceStoredRow for `count` consecutive stored rows from `y`: a quarter turn
// or diagonal mirror makes them neighbouring columns, written here in runs
// of `count` pixels per turned row rather than one scattered pixel each.
void PlaceStoredRows(const unsigned char* const* rows, int count, int y, int width, int height, int orientation,
                     unsigned char* turned, std::ptrdiff_t stride);

} // namespace yotsumado
