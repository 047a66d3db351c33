#pragma once
// The decoders of the newer kinds, each through its format's own library,
// all answering as rasterdecode.h says: the picture whole, upright, in sRGB,
// Format_RGB888 or (with alpha) Format_ARGB32; every failure
// EInvalidGraphic(InvalidPictureMessage(kind)); the picture's bytes held in
// `share` on success, nothing more than before on failure; EAbort soon after
// `*cancel` is set.

#include "codec/pictureformat.h"

#include <QImage>

#include <atomic>

class QIODevice;

namespace yotsumado {

class BudgetShare;

// PNG through libspng: 1 to 16 bits, palette, grey, alpha, interlaced;
// eXIf orientation; iCCP, sRGB, or gAMA with cHRM.
QImage DecodePng(QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel = nullptr);
// WebP through libwebp: lossy, lossless, alpha; an animation's first frame;
// the EXIF chunk's orientation and the ICCP chunk's profile.
QImage DecodeWebP(QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel = nullptr);
// HEIF (HEVC) and AVIF (AV1) through libheif: the primary image, tiled grids
// included, turned as its irot and imir say (Exif orientation never applied
// on top); colour from its ICC profile or nclx description, PQ and HLG
// tone-mapped to SDR. `kind` (Heif or Avif) names the error.
QImage DecodeHeif(QIODevice& in, PictureKind kind, BudgetShare& share, const std::atomic<bool>* cancel = nullptr);
// TIFF through libtiff: the first page; 8- and 16-bit RGB and grey, palette,
// strips and tiles, any compression libtiff reads; its Orientation tag and
// ICC profile.
QImage DecodeTiff(QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel = nullptr);
// GIF through giflib: the first frame on the logical screen.
QImage DecodeGif(QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel = nullptr);
// JPEG XL through libjxl: the first frame, turned as its header says, in sRGB.
QImage DecodeJxl(QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel = nullptr);

// The decoder of `kind` (any of the above kinds; others are refused as
// invalid bitmaps). DecodeHeif and DecodeJxl are built into the format
// module (formatmodule.h), not into the programs: they are reached only
// through here, and a missing module is that kind's own error.
QImage DecodeRaster(PictureKind kind, QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel = nullptr);

} // namespace yotsumado
