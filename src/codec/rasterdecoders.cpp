#include "codec/rasterdecoders.h"

#include "codec/formatmodule.h"
#include "codec/rasterdecode.h"

namespace yotsumado {

QImage DecodeRaster(PictureKind kind, QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel)
{
    switch (kind) {
    case PictureKind::Png: return DecodePng(in, share, cancel);
    case PictureKind::WebP: return DecodeWebP(in, share, cancel);
    case PictureKind::Heif:
    case PictureKind::Avif: return FormatModule(kind).heif(in, kind, share, cancel);
    case PictureKind::Tiff: return DecodeTiff(in, share, cancel);
    case PictureKind::Gif: return DecodeGif(in, share, cancel);
    case PictureKind::JpegXl: return FormatModule(kind).jxl(in, share, cancel);
    case PictureKind::None:
    case PictureKind::Bitmap:
    case PictureKind::Jpeg: break;
    }
    ThrowInvalidPicture(kind);
}

} // namespace yotsumado
