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

// A PNG chunk: length, type, data and CRC.
QByteArray PngChunk(const char* type, const QByteArray& data);

// A 1-bit grey PNG declaring width x height whose data holds only its first
// `rows` rows, all black: rows == height makes a complete picture (16384 x
// 16384 in 33 KB), fewer one cut short (a few hundred bytes).
QByteArray ZeroRowsPng(int width, int height, int rows);

// A GIF whose logical screen is screenWidth x screenHeight and whose one
// frame is a single pixel at its top left: 35 bytes for any screen.
QByteArray HugeScreenGif(int screenWidth, int screenHeight);

// A grey 8-bit TIFF declaring width x height, its strips of `rowsPerStrip`
// rows (or tiles of `tile`², when not 0) all pointing at `data` (1 stored,
// 8 deflated here, 7 a JPEG stream); its offset and byte-count arrays declare
// `entries` values but hold at most 16; a few hundred bytes.
QByteArray GreyTiff(quint32 width, quint32 height, quint32 rowsPerStrip, quint32 tile, int compression,
                    QByteArray data, quint32 entries = 1, bool byteCounts = true);

// A WebP whose VP8X chunk declares a width x height canvas (each at most
// 16384). Animated: one 1 x 1 lossless frame in its corner, 84 bytes. Still:
// one lossless frame declaring the whole canvas in 3 bytes of data, every
// pixel the same (a valid picture), 46 bytes.
QByteArray WebPCanvas(int width, int height, bool animated);

// The first 11 bytes of a JPEG XL codestream: the signature, a size header
// declaring width x height (each at most 2^30) and default metadata (8-bit
// sRGB); no frame.
QByteArray JxlHeader(quint32 width, quint32 height);

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

// A HEIF of 361 bytes whose picture, a 64 x 64 grey HEVC picture, declares
// width x height.
QByteArray HeifDeclaring(int width, int height);

// A HEIF whose picture is a grid of columns x rows tiles making
// width x height pixels, every tile the same 64 x 64 grey HEVC picture
// declaring tileSide x tileSide: 200 x 200 of them make about 80 KB.
QByteArray HeifGridOfOneTile(int columns, int rows, int width, int height, int tileSide);

} // namespace bombs
