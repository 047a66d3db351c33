#pragma once
// Which picture files the window takes, told by their names, and the bound
// on the size of a decoded picture.

#include <QString>
#include <QtGlobal>

namespace yotsumado {

enum class PictureKind { None, Bitmap, Jpeg };

// The part of the name from its last "." onward, provided that "." comes
// after the last "/"; otherwise empty. "a/b.c.JPG" -> ".JPG", "dir.jpg/x" -> "".
QString ExtensionOf(const QString& path);

// The names the desktop gives the two kinds (shared-mime-info's image/bmp
// and image/jpeg), in any letter case: ".bmp" and ".dib" -> Bitmap; ".jpg",
// ".jpeg", ".jpe" and ".jfif" -> Jpeg; else None. A drop takes fewer names
// (the window's rule).
PictureKind PictureKindOf(const QString& path);

// A picture is refused before decoding when its 24-bit pixels would need more
// than this many bytes (1 GiB).
inline constexpr qint64 kMaxPictureBytes = qint64(1) << 30;

// True when width x height pixels at three bytes each stay within
// kMaxPictureBytes; false for non-positive sizes. Never overflows.
bool PictureSizeAllowed(qint64 width, qint64 height);

} // namespace yotsumado
