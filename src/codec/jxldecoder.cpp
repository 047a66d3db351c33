#include "codec/rasterdecoders.h"

#include "codec/colorprofile.h"
#include "codec/memorybudget.h"
#include "codec/rasterdecode.h"

#include <QScopeGuard>

#include <jxl/decode.h>
#include <jxl/encode.h>  // JxlColorEncodingSetToSRGB
#include <jxl/thread_parallel_runner.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace yotsumado {

namespace {

constexpr PictureKind kKind = PictureKind::JpegXl;

// The library's allocations through its memory manager, each counted
// against a share of the budget and refused past a cap. (0.7 takes only its
// decoder's state this way, a few KB; the frame's planes it allocates
// directly, which is why LibraryWork reserves them before decoding.)
class CountedMemory {
public:
    CountedMemory(const BudgetShare& share, qint64 cap) : share_(ReserveWork(share, 0, kKind)), cap_(cap) {}

    JxlMemoryManager Manager() { return JxlMemoryManager{this, &Allocate, &Free}; }

private:
    // Each block starts with its size, kept at an alignment malloc's own
    // blocks have.
    static constexpr std::size_t kHeader = alignof(std::max_align_t);

    static void* Allocate(void* opaque, std::size_t size)
    {
        auto* self = static_cast<CountedMemory*>(opaque);
        if (size > std::size_t(self->cap_))
            return nullptr;
        const qint64 total = qint64(size + kHeader);
        {
            const std::lock_guard lock(self->mutex_);
            if (self->share_.Bytes() + total > self->cap_ || !self->share_.Grow(total))
                return nullptr;
        }
        auto* block = static_cast<unsigned char*>(std::malloc(std::size_t(total)));
        if (!block) {
            Give(self, total);
            return nullptr;
        }
        std::memcpy(block, &total, sizeof total);
        return block + kHeader;
    }

    static void Free(void* opaque, void* address)
    {
        if (!address)
            return;
        unsigned char* block = static_cast<unsigned char*>(address) - kHeader;
        qint64 total = 0;
        std::memcpy(&total, block, sizeof total);
        std::free(block);
        Give(static_cast<CountedMemory*>(opaque), total);
    }

    static void Give(CountedMemory* self, qint64 bytes)
    {
        const std::lock_guard lock(self->mutex_);
        self->share_.ShrinkTo(self->share_.Bytes() - bytes);
    }

    std::mutex mutex_;
    BudgetShare share_;
    const qint64 cap_;
};

// The library's thread pool, two threads, asked before each parallel step
// whether the load was cancelled: a refused step ends the decoding with an
// error, which DecodeJxl then reads as the cancellation it was.
class CancellableRunner {
public:
    explicit CancellableRunner(const std::atomic<bool>* cancel)
        : pool_(JxlThreadParallelRunnerCreate(nullptr, 2)), cancel_(cancel) {}
    ~CancellableRunner() { JxlThreadParallelRunnerDestroy(pool_); }
    CancellableRunner(const CancellableRunner&) = delete;
    CancellableRunner& operator=(const CancellableRunner&) = delete;

    bool Usable() const { return pool_ != nullptr; }

    static JxlParallelRetCode Run(void* opaque, void* jpegxlOpaque, JxlParallelRunInit init,
                                  JxlParallelRunFunction function, uint32_t start, uint32_t end)
    {
        auto* self = static_cast<CancellableRunner*>(opaque);
        if (self->cancel_ && self->cancel_->load(std::memory_order_relaxed))
            return -1;
        return JxlThreadParallelRunner(self->pool_, jpegxlOpaque, init, function, start, end);
    }

private:
    void* pool_;
    const std::atomic<bool>* cancel_;
};

struct DecoderDeleter {
    void operator()(JxlDecoder* decoder) const { JxlDecoderDestroy(decoder); }
};

// What the library takes beside the finished picture while it decodes a
// frame, from what 0.7 was seen to take: planes of 32-bit samples (floats
// for a lossy frame, integers for a lossless one), one a channel and one
// more for its filters and group buffers; with an extra channel (alpha) it
// keeps the whole frame two more times over.
qint64 LibraryWork(const JxlBasicInfo& info)
{
    const qint64 channels = qint64(info.num_color_channels) + info.num_extra_channels;
    const qint64 copies = info.num_extra_channels > 0 ? 3 : 1;
    return qint64(info.xsize) * info.ysize * 4 * (channels + 1) * copies + (qint64(16) << 20);
}

// Converts the decoded pixels' colours to sRGB unless they are sRGB already
// (the library was told so for pictures it keeps in its own colour space).
void ConvertToSrgb(const JxlDecoder* decoder, bool grey, QImage& picture, const BudgetShare& share)
{
    JxlColorEncoding encoding;
    if (JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &encoding)
            == JXL_DEC_SUCCESS
        && encoding.white_point == JXL_WHITE_POINT_D65 && encoding.transfer_function == JXL_TRANSFER_FUNCTION_SRGB
        && (encoding.color_space == JXL_COLOR_SPACE_GRAY
            || (encoding.color_space == JXL_COLOR_SPACE_RGB && encoding.primaries == JXL_PRIMARIES_SRGB)))
        return;
    std::size_t size = 0;
    if (JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) != JXL_DEC_SUCCESS
        || size == 0)
        return;
    const BudgetShare held = ReserveWork(share, qint64(size), kKind);
    std::vector<uint8_t> icc(size);
    if (JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, icc.data(), size)
        != JXL_DEC_SUCCESS)
        return;
    const auto input = grey ? ColorProfileTransform::Input::Grey : ColorProfileTransform::Input::Rgb;
    if (const auto transform = ColorProfileTransform::ToSrgb(icc.data(), size, input, share.Budget()))
        transform->ConvertImage(picture);
}

// Where the library's threads write: the picture's rows.
struct Rows {
    uchar* first;
    qsizetype stride;
};

// Rows of R G B A from the library, written as ARGB32 (0xAARRGGBB words).
void StoreArgb32(void* opaque, std::size_t x, std::size_t y, std::size_t count, const void* pixels)
{
    const auto* rows = static_cast<const Rows*>(opaque);
    auto* out = reinterpret_cast<QRgb*>(rows->first + qsizetype(y) * rows->stride) + x;
    const auto* in = static_cast<const uchar*>(pixels);
    for (std::size_t i = 0; i < count; ++i, in += 4)
        out[i] = qRgba(in[0], in[1], in[2], in[3]);
}

} // namespace

QImage DecodeJxl(QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel)
{
    BudgetShare fileShare = ReserveWork(share, 0, kKind);
    const QByteArray file = ReadWholeFile(in, fileShare, kKind);

    CancellableRunner runner(cancel);
    CountedMemory memory(share, qint64(64) << 20);
    const JxlMemoryManager manager = memory.Manager();
    const std::unique_ptr<JxlDecoder, DecoderDeleter> decoder(JxlDecoderCreate(&manager));
    JxlDecoder* const dec = decoder.get();
    if (!dec || !runner.Usable()
        || JxlDecoderSubscribeEvents(dec, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE)
            != JXL_DEC_SUCCESS
        // The library turns the picture upright as its header says.
        || JxlDecoderSetKeepOrientation(dec, JXL_FALSE) != JXL_DEC_SUCCESS
        || JxlDecoderSetUnpremultiplyAlpha(dec, JXL_TRUE) != JXL_DEC_SUCCESS
        || JxlDecoderSetParallelRunner(dec, &CancellableRunner::Run, &runner) != JXL_DEC_SUCCESS
        || JxlDecoderSetInput(dec, reinterpret_cast<const uint8_t*>(file.constData()), std::size_t(file.size()))
            != JXL_DEC_SUCCESS)
        ThrowInvalidPicture(kKind);
    JxlDecoderCloseInput(dec);

    const qint64 before = share.Bytes();
    auto giveBack = qScopeGuard([&] { share.ShrinkTo(before); });
    JxlBasicInfo info{};
    QImage picture;
    Rows rows{};
    BudgetShare work;
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(dec);
        ThrowIfCancelled(cancel);
        switch (status) {
        case JXL_DEC_BASIC_INFO: {
            if (JxlDecoderGetBasicInfo(dec, &info) != JXL_DEC_SUCCESS || !PictureSizeAllowed(info.xsize, info.ysize))
                ThrowInvalidPicture(kKind);
            work = ReserveWork(share, LibraryWork(info), kKind);
            picture = NewDecodedPicture(info.xsize, info.ysize, info.alpha_bits > 0, share, kKind);
            break;
        }
        case JXL_DEC_COLOR_ENCODING: {
            // A picture kept in the library's own colour space (XYB) is
            // turned straight into sRGB; others come in their own profile.
            if (!info.uses_original_profile) {
                JxlColorEncoding srgb;
                JxlColorEncodingSetToSRGB(&srgb, info.num_color_channels == 1);
                JxlDecoderSetPreferredColorProfile(dec, &srgb);
            }
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            // Eight bits a sample, rounded by the library from its own
            // (floating-point) samples whatever the file's depth; grey comes
            // as R = G = B.
            if (picture.isNull())
                ThrowInvalidPicture(kKind);
            JxlDecoderStatus set;
            if (picture.format() == QImage::Format_ARGB32) {
                const JxlPixelFormat rgba{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
                rows = Rows{picture.bits(), picture.bytesPerLine()};
                set = JxlDecoderSetImageOutCallback(dec, &rgba, &StoreArgb32, &rows);
            } else {
                const JxlPixelFormat rgb{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, std::size_t(picture.bytesPerLine())};
                std::size_t needed = 0;
                if (JxlDecoderImageOutBufferSize(dec, &rgb, &needed) != JXL_DEC_SUCCESS
                    || needed > std::size_t(picture.sizeInBytes()))
                    ThrowInvalidPicture(kKind);
                set = JxlDecoderSetImageOutBuffer(dec, &rgb, picture.bits(), std::size_t(picture.sizeInBytes()));
            }
            if (set != JXL_DEC_SUCCESS)
                ThrowInvalidPicture(kKind);
            break;
        }
        case JXL_DEC_FULL_IMAGE: {
            // The first frame (an animation's first, blended as shown) is
            // all that is shown.
            ConvertToSrgb(dec, info.num_color_channels == 1, picture, share);
            giveBack.dismiss();
            return picture;
        }
        default:  // an error, or the file ended before its first frame
            ThrowInvalidPicture(kKind);
        }
    }
}

} // namespace yotsumado
