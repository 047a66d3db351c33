#pragma once
// Decoding JPEG pictures with the IJG library interface (libjpeg-turbo).

#include <QImage>

class QIODevice;

// A progressive JPEG with more scans than this is refused before the work
// of decoding them all is done.
inline constexpr int kMaxJpegScans = 500;

// Decodes the JPEG stream read from `in` at full size into a 24-bit
// QImage::Format_RGB888 image: floating-point inverse DCT, block smoothing on;
// grey-scale, YCbCr, RGB, CMYK and YCCK pictures all come out in colour.
// Library warnings (a stream cut short, stray bytes) are not errors: the
// library's best picture is returned, as the library itself would show it.
// Throws EJPEG("JPEG エラー #<code>") with the library's message code when the
// library rejects the stream, and also when
//  - the picture needs more than kMaxPictureBytes at 24 bits per pixel
//    (code JERR_IMAGE_TOO_BIG, before any picture memory is taken), or
//  - it has more than kMaxJpegScans scans (code JERR_BAD_PROGRESSION).
QImage DecodeJpeg(QIODevice& in);
