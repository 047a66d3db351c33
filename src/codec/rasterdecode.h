#pragma once
// What the decoders of the newer kinds (PNG, WebP, HEIF/AVIF, TIFF, GIF,
// JPEG XL) share: one form of result, one way to take memory from the
// budget, one way to fail.
//
// Each such decoder reads its file through the format's own library and
// hands back the picture upright (its orientation applied once), in sRGB
// (its profile or colour description applied), eight bits a sample:
// QImage::Format_RGB888 when it is opaque, QImage::Format_ARGB32 (not
// premultiplied) when it has alpha. The loader composes alpha over the
// panel's background (ComposeOverBackground). Every failure, a picture too
// big for the budget among them, throws EInvalidGraphic with the kind's
// message (InvalidPictureMessage).

#include "codec/pictureformat.h"

#include <QByteArray>
#include <QImage>
#include <QRgb>
#include <QtGlobal>

#include <atomic>

class QIODevice;

namespace yotsumado {

class BudgetShare;

// The largest file read whole into memory for a library that decodes from
// memory (WebP, JPEG XL): far above any photograph, far below the budget.
inline constexpr qint64 kMaxWholeFileBytes = qint64(256) << 20;

// Throws EInvalidGraphic(InvalidPictureMessage(kind)).
[[noreturn]] void ThrowInvalidPicture(PictureKind kind);

// Throws EAbort once `*cancel` is set (by another thread); nothing without one.
void ThrowIfCancelled(const std::atomic<bool>* cancel);

// A new picture of `width` x `height` for a decoder to fill (uninitialised):
// Format_ARGB32 when `alpha`, else Format_RGB888. Refused with
// ThrowInvalidPicture(kind) before anything is taken when the size is not
// PictureSizeAllowed or its bytes cannot be had from `share`; on success
// `share` holds them in addition to what it held.
QImage NewDecodedPicture(qint64 width, qint64 height, bool alpha, BudgetShare& share, PictureKind kind);

// A share of `share`'s budget holding `bytes` of a decoder's working memory
// (a library's own buffers, an intermediate 16-bit picture, a whole file) for
// as long as it lives. Refused with ThrowInvalidPicture(kind) when the budget
// cannot give them.
BudgetShare ReserveWork(const BudgetShare& share, qint64 bytes, PictureKind kind);

// The whole of `in` from where it stands, for a library that decodes from
// memory. The file's size is asked of the budget (into `work`, which must be
// a share of the same budget) before it is read; a file larger than `limit`
// is refused with ThrowInvalidPicture(kind).
QByteArray ReadWholeFile(QIODevice& in, BudgetShare& work, PictureKind kind, qint64 limit = kMaxWholeFileBytes);

// Turns a decoded picture (Format_RGB888 or Format_ARGB32) as Exif
// orientation `orientation` (1..8, exiforientation.h) asks; anything else
// leaves it as it is. The copy a turn takes is asked of `share`'s budget
// while it is made; afterwards the share holds what it held. Refused with
// ThrowInvalidPicture(kind) when the copy cannot be had.
void TurnUpright(QImage& picture, int orientation, BudgetShare& share, PictureKind kind);

// A 16-bit sample reduced to 8 bits with rounding: 0 -> 0, 65535 -> 255.
inline uchar To8Bits(quint16 value)
{
    return uchar((quint32(value) * 255u + 32767u) / 65535u);
}

// The picture as the loader hands it on: an ARGB32 picture composed over
// `background` (each pixel a * picture + (1 - a) * background, rounded) into
// a new Format_RGB888 picture, any other one as it is. The share ends holding
// the result's bytes instead of the picture's (the pair is held for the
// moment both exist; refused with ThrowInvalidPicture(kind) when it cannot be).
QImage ComposeOverBackground(QImage picture, QRgb background, BudgetShare& share, PictureKind kind);

// The background alpha is composed over where the caller names none.
inline constexpr QRgb kDefaultBackground = 0xFFFFFFFFu;

} // namespace yotsumado
