#include "codec/rasterdecoders.h"

#include "codec/memorybudget.h"
#include "codec/rasterdecode.h"

#include <QIODevice>

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace yotsumado {

namespace {

constexpr PictureKind kKind = PictureKind::Gif;

// Extension data blocks (at most 255 bytes each) read before the first
// frame: comments and application data are skipped, but not without end.
constexpr int kMaxExtensionBlocks = 1 << 16;

struct Source {
    QIODevice* in;
    const std::atomic<bool>* cancel;
};

// giflib's reader: as many of the bytes asked for as the file has; none
// once the load is cancelled (giflib then fails the read).
int ReadSource(GifFileType* gif, GifByteType* destination, int length)
{
    const auto* source = static_cast<const Source*>(gif->UserData);
    if (source->cancel && source->cancel->load(std::memory_order_relaxed))
        return 0;
    qint64 done = 0;
    while (done < length) {
        const qint64 got = source->in->read(reinterpret_cast<char*>(destination) + done, length - done);
        if (got <= 0)
            break;
        done += got;
    }
    return int(done);
}

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

[[noreturn]] void Fail(const std::atomic<bool>* cancel)
{
    ThrowIfCancelled(cancel);
    ThrowInvalidPicture(kKind);
}

// Reads the records before the first frame, up to and including its image
// descriptor; returns the transparent colour index its graphic control
// extension names, or -1.
int ReadUpToFirstFrame(GifFileType* gif, const std::atomic<bool>* cancel)
{
    int transparent = -1;
    int blocks = 0;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            Fail(cancel);
        if (type == IMAGE_DESC_RECORD_TYPE)
            break;
        if (type != EXTENSION_RECORD_TYPE)
            Fail(cancel);  // the file ends without a frame
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
            Fail(cancel);
        GraphicsControlBlock control;
        if (code == GRAPHICS_EXT_FUNC_CODE && block && DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparent = control.TransparentColor;
        while (block) {
            if (++blocks > kMaxExtensionBlocks)
                Fail(cancel);
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                Fail(cancel);
        }
        ThrowIfCancelled(cancel);
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        Fail(cancel);
    return transparent;
}

// The frame's colours as 256 entries: its own table, else the file's; a
// file with neither gets a grey ramp (the format leaves the choice to the
// reader). Indices past the table are black; the transparent one clear.
void FillPalette(const GifFileType* gif, int transparent, QRgb* palette)
{
    const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
    for (int i = 0; i < 256; ++i)
        palette[i] = map ? qRgb(0, 0, 0) : qRgb(i, i, i);
    if (map)
        for (int i = 0; i < std::min(map->ColorCount, 256); ++i)
            palette[i] = qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
    if (transparent >= 0 && transparent < 256)
        palette[transparent] = 0;
}

// The frame row decoded `index`-th: interlaced frames come in four passes
// (every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd
// from 1).
int FrameRow(int index, int height, bool interlaced)
{
    if (!interlaced)
        return index;
    const int passes[4][2] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    for (const auto& pass : passes) {
        const int rows = (height - pass[0] + pass[1] - 1) / pass[1];
        if (index < rows)
            return pass[0] + index * pass[1];
        index -= rows;
    }
    return -1;
}

} // namespace

QImage DecodeGif(QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel)
{
    Source source{&in, cancel};
    int error = 0;
    const GifFile gif(DGifOpen(&source, ReadSource, &error));
    if (!gif)
        Fail(cancel);
    const int transparent = ReadUpToFirstFrame(gif.get(), cancel);
    const GifImageDesc frame = gif->Image;
    // A frame larger than any picture shown is refused before its data is
    // read: the work its rows cost is bounded like a picture's memory.
    if (!PictureSizeAllowed(frame.Width, frame.Height) || frame.Left < 0 || frame.Top < 0)
        Fail(cancel);
    // A screen of no size is taken to be the frame's extent.
    const int screenWidth = gif->SWidth > 0 ? gif->SWidth : frame.Left + frame.Width;
    const int screenHeight = gif->SHeight > 0 ? gif->SHeight : frame.Top + frame.Height;
    // What of the frame lies on the screen; the rest is decoded only as
    // far as the visible rows need and then dropped.
    const int left = frame.Left, right = std::min(screenWidth, frame.Left + frame.Width);
    const int top = frame.Top, bottom = std::min(screenHeight, frame.Top + frame.Height);
    const bool covers = left == 0 && top == 0 && right == screenWidth && bottom == screenHeight;
    const bool alpha = transparent >= 0 || !covers;

    const qint64 before = share.Bytes();
    try {
        QImage picture = NewDecodedPicture(screenWidth, screenHeight, alpha, share, kKind);
        if (!covers)
            picture.fill(Qt::transparent);
        QRgb palette[256];
        FillPalette(gif.get(), transparent, palette);
        std::vector<GifPixelType> line(std::size_t(frame.Width));
        int visibleRows = std::max(0, bottom - top);
        for (int index = 0; index < frame.Height && visibleRows > 0; ++index) {
            ThrowIfCancelled(cancel);
            if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
                Fail(cancel);
            const int y = top + FrameRow(index, frame.Height, frame.Interlace);
            if (y >= bottom)
                continue;
            --visibleRows;
            uchar* out = picture.scanLine(y);
            if (alpha) {
                auto* argb = reinterpret_cast<QRgb*>(out);
                for (int x = left; x < right; ++x)
                    argb[x] = palette[line[std::size_t(x - left)]];
            } else {
                for (int x = 0; x < right; ++x, out += 3) {
                    const QRgb colour = palette[line[std::size_t(x)]];
                    out[0] = uchar(qRed(colour));
                    out[1] = uchar(qGreen(colour));
                    out[2] = uchar(qBlue(colour));
                }
            }
        }
        return picture;
    } catch (...) {
        share.ShrinkTo(before);
        throw;
    }
}

} // namespace yotsumado
