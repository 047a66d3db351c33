#include "codec/pictureformat.h"

#include <algorithm>
#include <cstring>

namespace yotsumado {

QString ExtensionOf(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash)
        return QString();
    return path.mid(dot);
}

PictureKind PictureKindOf(const QString& path)
{
    const QString extension = ExtensionOf(path);
    const auto is = [&extension](QLatin1String name) {
        return QString::compare(extension, name, Qt::CaseInsensitive) == 0;
    };
    if (is(QLatin1String(".bmp")) || is(QLatin1String(".dib")))
        return PictureKind::Bitmap;
    if (is(QLatin1String(".jpg")) || is(QLatin1String(".jpeg")) || is(QLatin1String(".jpe"))
        || is(QLatin1String(".jfif")))
        return PictureKind::Jpeg;
    if (is(QLatin1String(".png")))
        return PictureKind::Png;
    if (is(QLatin1String(".webp")))
        return PictureKind::WebP;
    if (is(QLatin1String(".heic")) || is(QLatin1String(".heif")) || is(QLatin1String(".hif")))
        return PictureKind::Heif;
    if (is(QLatin1String(".avif")))
        return PictureKind::Avif;
    if (is(QLatin1String(".tif")) || is(QLatin1String(".tiff")))
        return PictureKind::Tiff;
    if (is(QLatin1String(".gif")))
        return PictureKind::Gif;
    if (is(QLatin1String(".jxl")))
        return PictureKind::JpegXl;
    return PictureKind::None;
}

namespace {

bool Starts(const unsigned char* head, std::size_t size, std::size_t at, const char* signature, std::size_t length)
{
    return size >= at + length && std::memcmp(head + at, signature, length) == 0;
}

// An ISO base media file (HEIF, AVIF): its "ftyp" box names a major brand and
// compatible brands. AVIF's brands win over the HEIF family's, since an AVIF
// file commonly names "mif1" too.
PictureKind IsoMediaKind(const unsigned char* head, std::size_t size)
{
    if (!Starts(head, size, 4, "ftyp", 4) || size < 16)
        return PictureKind::None;
    const std::size_t box = std::min<std::size_t>(size, (std::size_t(head[0]) << 24 | std::size_t(head[1]) << 16
                                                         | std::size_t(head[2]) << 8 | head[3]));
    static const char* const kAvif[] = {"avif", "avis"};
    static const char* const kHeif[] = {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1", "mif2"};
    PictureKind kind = PictureKind::None;
    // The major brand at 8, then (after the minor version) the compatible ones.
    for (std::size_t at = 8; at + 4 <= box; at += at == 8 ? 8 : 4) {
        for (const char* brand : kAvif)
            if (std::memcmp(head + at, brand, 4) == 0)
                return PictureKind::Avif;
        for (const char* brand : kHeif)
            if (std::memcmp(head + at, brand, 4) == 0)
                kind = PictureKind::Heif;
    }
    return kind;
}

} // namespace

PictureKind SniffPictureKind(const unsigned char* head, std::size_t size)
{
    size = std::min(size, kSniffBytes);
    if (Starts(head, size, 0, "BM", 2))
        return PictureKind::Bitmap;
    if (Starts(head, size, 0, "\xFF\xD8\xFF", 3))
        return PictureKind::Jpeg;
    if (Starts(head, size, 0, "\x89PNG\r\n\x1A\n", 8))
        return PictureKind::Png;
    if (Starts(head, size, 0, "RIFF", 4) && Starts(head, size, 8, "WEBP", 4))
        return PictureKind::WebP;
    if (Starts(head, size, 0, "II*\0", 4) || Starts(head, size, 0, "MM\0*", 4) || Starts(head, size, 0, "II+\0", 4)
        || Starts(head, size, 0, "MM\0+", 4))
        return PictureKind::Tiff;
    if (Starts(head, size, 0, "GIF87a", 6) || Starts(head, size, 0, "GIF89a", 6))
        return PictureKind::Gif;
    if (Starts(head, size, 0, "\xFF\x0A", 2) || Starts(head, size, 0, "\0\0\0\x0CJXL \r\n\x87\n", 12))
        return PictureKind::JpegXl;
    return IsoMediaKind(head, size);
}

const char* PictureKindName(PictureKind kind)
{
    switch (kind) {
    case PictureKind::Png: return "PNG";
    case PictureKind::WebP: return "WebP";
    case PictureKind::Heif: return "HEIF";
    case PictureKind::Avif: return "AVIF";
    case PictureKind::Tiff: return "TIFF";
    case PictureKind::Gif: return "GIF";
    case PictureKind::JpegXl: return "JPEG XL";
    case PictureKind::None:
    case PictureKind::Bitmap:
    case PictureKind::Jpeg: break;
    }
    return nullptr;
}

QString InvalidPictureMessage(PictureKind kind)
{
    const char* name = PictureKindName(kind);
    if (!name)
        return QStringLiteral("ビットマップイメージが不正です");
    return QStringLiteral("%1 イメージが不正です").arg(QLatin1String(name));
}

bool PictureSizeAllowed(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0)
        return false;
    // width * height * 3 <= bound, written so that nothing can overflow.
    return width <= kMaxPictureBytes / 3 / height;
}

} // namespace yotsumado
