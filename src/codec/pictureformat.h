#pragma once
// Which picture files the window takes, told by their names and their first
// bytes, and the bound on the size of a decoded picture.

#include <QString>
#include <QtGlobal>

#include <cstddef>

namespace yotsumado {

enum class PictureKind { None, Bitmap, Jpeg, Png, WebP, Heif, Avif, Tiff, Gif, JpegXl };

// The part of the name from its last "." onward, provided that "." comes
// after the last "/"; otherwise empty. "a/b.c.JPG" -> ".JPG", "dir.jpg/x" -> "".
QString ExtensionOf(const QString& path);

// The names the desktop gives the kinds read (shared-mime-info's), in any
// letter case: ".bmp" and ".dib" -> Bitmap; ".jpg", ".jpeg", ".jpe" and
// ".jfif" -> Jpeg; ".png"; ".webp"; ".heic", ".heif" and ".hif" -> Heif;
// ".avif"; ".tif" and ".tiff"; ".gif"; ".jxl" -> JpegXl; else None. A drop
// takes fewer names (the window's rule).
PictureKind PictureKindOf(const QString& path);

// How many leading bytes SniffPictureKind looks at.
inline constexpr std::size_t kSniffBytes = 32;

// The kind a file's first bytes (up to kSniffBytes of them) say it is, by
// each format's signature; None when they say no kind read here. A WebP
// saved from the web as "photo.jpg" is read as the WebP it is.
PictureKind SniffPictureKind(const unsigned char* head, std::size_t size);

// The error a file of `kind` that cannot be read shows: the bitmap's
// "ビットマップイメージが不正です", and one in its style for each newer kind
// ("PNG イメージが不正です", ...). A JPEG's errors carry the library's code
// instead (EJPEG); for Jpeg and None this gives the bitmap's message.
QString InvalidPictureMessage(PictureKind kind);

// The name a newer kind's messages give it ("PNG", "JPEG XL"); null for the
// bitmap, JPEG and None.
const char* PictureKindName(PictureKind kind);

// A picture is refused before decoding when its 24-bit pixels would need more
// than this many bytes (1 GiB).
inline constexpr qint64 kMaxPictureBytes = qint64(1) << 30;

// True when width x height pixels at three bytes each stay within
// kMaxPictureBytes; false for non-positive sizes. Never overflows.
bool PictureSizeAllowed(qint64 width, qint64 height);

} // namespace yotsumado
