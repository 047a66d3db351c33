#pragma once
// Decoding JPEG pictures with the IJG library interface (libjpeg-turbo).

#include <QImage>
#include <QSize>

#include <atomic>
#include <memory>

class QIODevice;

namespace yotsumado {

class ColorProfileTransform;

class BudgetShare;

// A progressive JPEG with more scans than this is refused before the work
// of decoding them all is done.
inline constexpr int kMaxJpegScans = 500;

// Every scan makes the library walk all blocks (8 x 8 samples of one
// component) of the components in it, data or no data. A stream whose scans
// add up to more block visits than this is refused at the scan that crosses
// it. A progressive photo of 24 megapixels with the usual ten scans makes
// about 3 million visits, the largest progressive picture the memory budget
// allows (some 300 megapixels, 4:2:0) about 40 million; a few kilobytes of
// empty scans declaring a huge picture can no longer keep the decoder busy
// for half a minute.
inline constexpr qint64 kMaxJpegScanWork = 100'000'000;

// Decodes the JPEG stream read from `in` at full size into a 24-bit
// QImage::Format_RGB888 image: floating-point inverse DCT, block smoothing on;
// grey-scale, YCbCr, RGB, CMYK and YCCK pictures all come out in colour.
// A picture is turned as its Exif orientation tag says (ExifOrientation), and
// its colours are converted to sRGB when it carries a usable ICC profile
// (ColorProfileTransform); a broken tag or profile is ignored.
// Library warnings (a stream cut short, stray bytes) are not errors: the
// library's best picture is returned, as the library itself would show it.
// Of the APP1 and APP2 markers only the first Exif segment and the chunks of
// an ICC profile (at most 4 MB) are kept, counted in the budget; all others
// are skipped, by seeking where the device allows it. A stream is taken to end where 32 MB go by
// without a marker byte, and once all rows are out at most 64 KB more are
// read looking for its end.
// Throws EJPEG("JPEG エラー #<code>") with the library's message code when the
// library rejects the stream, and also when
//  - the picture needs more than kMaxPictureBytes at 24 bits per pixel
//    (code JERR_IMAGE_TOO_BIG, before any picture memory is taken),
//  - the picture and the library's work (for a progressive or multi-scan
//    stream, the whole picture's coefficients) cannot be had from `share`'s
//    budget (code JERR_IMAGE_TOO_BIG, before any of it is taken; the
//    library is held to its part by its own max_memory_to_use),
//  - it has more than kMaxJpegScans scans, or its scans' block visits cross
//    kMaxJpegScanWork (code JERR_BAD_PROGRESSION: too many scans for the
//    picture).
// On success `share` holds the picture's bytes in addition to what it held;
// on failure what it held before.
QImage DecodeJpeg(QIODevice& in, BudgetShare& share);
// The same within a whole program budget of its own (kProgramMemoryBudget).
QImage DecodeJpeg(QIODevice& in);

// DecodeJpeg for a picture that is shown through a nearest-neighbour stretch:
// an R G B or grey picture keeps its stored colours, and the transform of its
// colour profile goes to *colour (null when none), to be applied to the
// pixels drawn. CMYK pictures come out converted, *colour null. A grey
// picture stored upright comes out as QImage::Format_Grayscale8, a third of
// the memory; the stretch repeats each byte into R, G and B. Same budget
// rules as above.
QImage DecodeJpeg(QIODevice& in, std::unique_ptr<ColorProfileTransform>* colour, BudgetShare& share);

// DecodeJpeg at a reduced size for a thumbnail: the library's DCT scaling
// (the
// smallest of its scales M/8) makes the turned picture as small as it can
// while it still covers `bound` in one direction; the caller shrinks it the
// rest of the way.
// Same bounds and errors (the coefficients of a multi-scan stream are kept
// at full size whatever the scale, and are counted so). Once `*cancel` is
// set (by another thread) the decode ends soon after with EAbort.
QImage DecodeJpegThumbnail(QIODevice& in, QSize bound, BudgetShare& share,
                           const std::atomic<bool>* cancel = nullptr);

// Receives the rows of a selective decode (DecodeJpegRows). Its calls come
// from inside the library's decoding loop, so none of them may throw.
class JpegRowSink {
public:
    virtual ~JpegRowSink() = default;
    // The picture's stored size, once its header has been read and found
    // within bounds, and its Exif orientation (1..8): rows come in stored
    // order, and turning them is the sink's part. Returns false when the sink
    // cannot take it (no memory), which fails the decode with the library's
    // out-of-memory code.
    virtual bool Begin(int width, int height, int orientation) noexcept = 0;
    // The first row at or after `y` that the sink still wants, or `height`
    // when it wants no more.
    virtual int NextWanted(int y) const noexcept = 0;
    // A wanted row: `width` pixels of 3 bytes, R G B (already in sRGB).
    virtual void Row(int y, const uchar* rgb) noexcept = 0;
};

// Decodes the stream like DecodeJpeg (same settings, same bounds, same
// errors), but hands the sink only the rows it wants, top to bottom, and lets
// the library skip the others (jpeg_skip_scanlines), which spares their
// inverse DCT, upsampling and colour conversion where the picture's structure
// allows. Rows are stored rows, not turned ones: every row handed over
// equals, byte for byte, the pixels DecodeJpeg's picture shows of that stored
// row (colours converted likewise). The last row is always decoded, wanted or not, so the
// stream is read to its end just as a full decode reads it. The library's
// work is asked of `share`'s budget for the time of the decode (the sink's
// own rows are its business).
void DecodeJpegRows(QIODevice& in, JpegRowSink& sink, BudgetShare& share);
void DecodeJpegRows(QIODevice& in, JpegRowSink& sink);

// Decodes the stream like DecodeJpeg (same settings, bounds, errors, turn and
// colours), but at the smallest of the library's DCT scales 1/8, 2/8, ... 8/8
// whose turned picture is at least `atLeast` in both directions (full size
// when none is). For a picture that will be shrunk further with a filter: the
// scaling spares most of the inverse DCT and of the memory.
QImage DecodeJpegReduced(QIODevice& in, QSize atLeast, BudgetShare& share);
QImage DecodeJpegReduced(QIODevice& in, QSize atLeast);

// The reduced decodes (DecodeJpegReduced, DecodeJpegThumbnail) of a
// progressive stream on a device that can seek leave out the scans whose
// coefficients the library's scaled inverse DCT never reads, passing over
// their bytes unread; the picture is the same to the byte. The bytes passed
// over so far by all decodes of the process, for measurements.
qint64 JpegScanBytesPassedOver();

} // namespace yotsumado
