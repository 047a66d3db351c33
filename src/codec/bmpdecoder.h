#pragma once
// Decoding Windows bitmap files.

#include <QImage>
#include <QtGlobal>

#include <atomic>

class QIODevice;

namespace yotsumado {

class BudgetShare;

// What the file and info headers of a bitmap say, read without decoding.
struct BmpHeader {
    quint32 dataOffset = 0;    // where the pixel rows start, from the start of the file
    quint32 headerSize = 0;    // 12 (OS/2 1.x), 16..64 (OS/2 2.x), 40, 52, 56, 108, 124 (Windows)
    qint64 width = 0;
    qint64 height = 0;         // always positive; topDown tells the row order
    bool topDown = false;
    quint16 bitCount = 0;
    quint32 compression = 0;   // BI_RGB 0, BI_RLE8 1, BI_RLE4 2, BI_BITFIELDS 3, ...
    quint32 masks[4] = {};     // red, green, blue, alpha, for 16- and 32-bit pixels
};

// Reads the headers from the start of `bytes`. Returns false when they are
// not a bitmap's (no "BM", unknown or cut header), or when the declared size
// is unusable: width or height zero, width negative, or more pixels than
// kMaxPictureBytes allows at 24 bits (checked without overflow).
bool ReadBmpHeader(const QByteArray& bytes, BmpHeader* header);

// Decodes the bitmap read from `in` into a 24-bit QImage::Format_RGB888 image;
// any alpha channel is dropped (a bitmap is shown opaque). The size is checked
// from the header before anything is decoded. Throws
// EInvalidGraphic("ビットマップイメージが不正です") when the data is not a
// bitmap that can be shown, and also (before anything is decoded) when what
// decoding it takes at its peak cannot be had from `share`'s budget. On
// success `share` holds the picture's bytes in addition to what it held; on
// failure what it held before. Once `*cancel` is set (by another thread) the
// decode ends with EAbort at its next row (a picture read by Qt's reader,
// once that has ended).
QImage DecodeBmp(QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel = nullptr);
// The same within a whole program budget of its own (kProgramMemoryBudget).
QImage DecodeBmp(QIODevice& in);

} // namespace yotsumado
