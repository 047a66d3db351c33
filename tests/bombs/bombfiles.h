#pragma once
// Small files that declare huge pictures: the shapes of input that once cost
// the loader far more memory and time than their size suggests. Made here,
// byte by byte, for the budget tests, the peak-memory bench and the fuzzers'
// seeds. Needs nothing but QtCore.

#include <QByteArray>
#include <QRgb>

namespace bombs {

// A progressive JPEG of `components` components (4: CMYK, 1: grey), each
// sampled 1 x 1, declaring width x height. One interleaved DC scan, then
// `extraScans` AC scans (Ss 1, Se 63, one component each in turn) that carry
// no entropy data at all: every scan makes the library walk all of its
// component's blocks. With 4 components at 18900 x 18900 and no extra scan
// the file has 172 bytes; with 498 extra scans about 5.6 KB.
QByteArray ProgressiveJpeg(int width, int height, int components, int extraScans);

// A run-length bitmap (RLE8, or RLE4 when bitCount is 4) declaring
// width x height whose data is only "end of bitmap": about a kilobyte for
// any size. Every pixel keeps colour 0 of the palette, which is `colour`.
QByteArray RunLengthBitmap(int width, int height, int bitCount = 8, QRgb colour = qRgb(10, 200, 30));

// A WebP whose VP8X chunk declares a width x height canvas (each at most
// 16384). Animated: one 1 x 1 lossless frame in its corner, 84 bytes. Still:
// one lossless frame declaring the whole canvas in 3 bytes of data, every
// pixel the same (a valid picture), 46 bytes.
QByteArray WebPCanvas(int width, int height, bool animated);

// The first 11 bytes of a JPEG XL codestream: the signature, a size header
// declaring width x height (each at most 2^30) and default metadata (8-bit
// sRGB); no frame.
QByteArray JxlHeader(quint32 width, quint32 height);

// ---- Colour profiles ---------------------------------------------------------

// What the shared element of SharedElementProfile is.
enum class SharedElement { CurveSet, Matrix };

// A valid ICC v4 RGB display profile whose only tag, D2B0, lists `elements`
// processing elements that all point at one small element of kind `shared`:
// a reader that builds each element it is pointed at does the work `elements`
// times. 1,000 curve sets make about 8 KB, 8,000 about 64 KB.
QByteArray SharedElementProfile(int elements, SharedElement shared = SharedElement::CurveSet);

// Writes to `path` the 16 x 16 grey ProgressiveJpeg with `count` APPn
// segments (`app` 1 or 2) of `bodyBytes` zeros in front of it, the zeros left
// as holes (a sparse file): 100,000 empty APP1 markers make 491 KB, 40,000
// full ones 2.6 GB on no more than 160 MB of disk. True when written.
bool WriteMarkerFlood(const QString& path, int app, int count, int bodyBytes);

} // namespace bombs
