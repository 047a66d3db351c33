#include "codec/rasterdecoders.h"

#include "codec/colorprofile.h"
#include "codec/exiforientation.h"
#include "codec/memorybudget.h"
#include "codec/rasterdecode.h"

#include <QScopeGuard>

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <memory>

namespace yotsumado {

namespace {

constexpr PictureKind kKind = PictureKind::WebP;

// How much more of the file the decoder is given between two looks at
// `cancel`: tens of milliseconds of decoding at most.
constexpr std::size_t kCancelStep = std::size_t(64) << 10;

// Qt's ARGB32 is a 32-bit word 0xAARRGGBB: B G R A in memory on a
// little-endian machine.
constexpr WEBP_CSP_MODE kArgb32Mode = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;

struct DemuxerDeleter {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};
struct IncrementalDeleter {
    void operator()(WebPIDecoder* decoder) const { WebPIDelete(decoder); }
};

// The first chunk of type `fourcc` (its payload), empty when there is none.
WebPData ChunkOf(const WebPDemuxer* demuxer, const char* fourcc)
{
    WebPChunkIterator chunk;
    if (!WebPDemuxGetChunk(demuxer, fourcc, 1, &chunk))
        return {nullptr, 0};
    const WebPData payload = chunk.chunk;  // points into the file's bytes
    WebPDemuxReleaseChunkIterator(&chunk);
    return payload;
}

// What the library takes beside the picture to decode a frame of `features`:
// a lossless frame is decoded whole into 32-bit pixels before it is handed
// over; a lossy one needs a few macroblock rows, and its alpha plane whole,
// itself a lossless picture decoded at up to 32 bits a pixel.
qint64 LibraryWork(const WebPBitstreamFeatures& features)
{
    const qint64 width = features.width, height = features.height;
    if (features.format == 2)
        return 4 * width * (height + 32) + (qint64(1) << 20);
    return (features.has_alpha ? 5 * width * height : 0) + 64 * width + (qint64(4) << 20);
}

// Decodes one frame's bitstream `frame` (its ALPH and VP8/VP8L chunks) into
// `picture` at (`x`, `y`), fed a piece at a time so that `cancel` is looked
// at while it runs.
void DecodeFrameInto(const WebPData& frame, int x, int y, int width, int height, QImage& picture,
                     const BudgetShare& share, const std::atomic<bool>* cancel)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config) || WebPGetFeatures(frame.bytes, frame.size, &config.input) != VP8_STATUS_OK)
        ThrowInvalidPicture(kKind);
    // The frame must fill exactly the place the container gives it.
    if (config.input.width != width || config.input.height != height || x < 0 || y < 0
        || x + width > picture.width() || y + height > picture.height())
        ThrowInvalidPicture(kKind);
    const BudgetShare work = ReserveWork(share, LibraryWork(config.input), kKind);

    const bool alpha = picture.format() == QImage::Format_ARGB32;
    const int pixelBytes = alpha ? 4 : 3;
    uchar* const at = picture.bits() + qsizetype(y) * picture.bytesPerLine() + qsizetype(x) * pixelBytes;
    config.options.use_threads = 1;
    config.output.colorspace = alpha ? kArgb32Mode : MODE_RGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = at;
    config.output.u.RGBA.stride = int(picture.bytesPerLine());
    config.output.u.RGBA.size = std::size_t(picture.bits() + picture.sizeInBytes() - at);

    const std::unique_ptr<WebPIDecoder, IncrementalDeleter> decoder(WebPIDecode(nullptr, 0, &config));
    if (!decoder)
        ThrowInvalidPicture(kKind);
    for (std::size_t given = 0;;) {
        given = std::min(frame.size, given + kCancelStep);
        const VP8StatusCode status = WebPIUpdate(decoder.get(), frame.bytes, given);
        if (status == VP8_STATUS_OK)
            break;
        if (status != VP8_STATUS_SUSPENDED || given == frame.size)
            ThrowInvalidPicture(kKind);
        ThrowIfCancelled(cancel);
    }
}

} // namespace

QImage DecodeWebP(QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel)
{
    BudgetShare fileShare = ReserveWork(share, 0, kKind);
    const QByteArray file = ReadWholeFile(in, fileShare, kKind);
    const WebPData data{reinterpret_cast<const uint8_t*>(file.constData()), std::size_t(file.size())};
    const std::unique_ptr<WebPDemuxer, DemuxerDeleter> demuxer(WebPDemux(&data));
    if (!demuxer)
        ThrowInvalidPicture(kKind);

    // An animation shows its first frame on its canvas; a still picture is
    // one frame that fills it.
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demuxer.get(), 1, &frame))
        ThrowInvalidPicture(kKind);
    const auto releaseFrame = qScopeGuard([&] { WebPDemuxReleaseIterator(&frame); });
    const int canvasWidth = int(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH));
    const int canvasHeight = int(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT));
    const bool covers = frame.x_offset == 0 && frame.y_offset == 0 && frame.width == canvasWidth
        && frame.height == canvasHeight;
    const bool alpha = frame.has_alpha || !covers;

    const qint64 before = share.Bytes();
    auto giveBack = qScopeGuard([&] { share.ShrinkTo(before); });
    QImage picture = NewDecodedPicture(canvasWidth, canvasHeight, alpha, share, kKind);
    if (!covers)
        picture.fill(Qt::transparent);  // what the first frame leaves of the canvas
    ThrowIfCancelled(cancel);
    DecodeFrameInto(frame.fragment, frame.x_offset, frame.y_offset, frame.width, frame.height, picture, share, cancel);

    const WebPData icc = ChunkOf(demuxer.get(), "ICCP");
    if (icc.size > 0) {
        const auto transform =
            ColorProfileTransform::ToSrgb(icc.bytes, icc.size, ColorProfileTransform::Input::Rgb, share.Budget());
        if (transform)
            transform->ConvertImage(picture);
    }
    const WebPData exif = ChunkOf(demuxer.get(), "EXIF");
    if (exif.size > 0)
        TurnUpright(picture, ExifOrientationOfBlock(exif.bytes, exif.size), share, kKind);
    giveBack.dismiss();
    return picture;
}

} // namespace yotsumado
