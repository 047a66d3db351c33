#pragma once
// Writing the composite picture as a JPEG file.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace yotsumado {

// Encodes `image` as one baseline JFIF stream built in memory: the library's
// defaults, quality 80 with baseline forced, floating-point DCT, the pixels as
// 3 components of 8-bit RGB, rows top to bottom. For the same pixels the bytes
// equal those of `cjpeg -quality 80 -dct float`. Any alpha is dropped.
// Throws EJPEG("JPEG エラー #<code>") when the library fails (an empty image,
// for one).
QByteArray EncodeJpeg(const QImage& image);

// EncodeJpeg, then WriteFileAtomically: the picture is encoded first, so an
// encoder error never touches the file at `path`. Throws what those throw.
void SaveJpeg(const QImage& image, const QString& path);

} // namespace yotsumado
