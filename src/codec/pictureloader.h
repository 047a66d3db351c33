#pragma once
// Loading a dropped picture file.

#include "codec/pictureformat.h"
#include "core/stretch.h"

#include <QByteArray>
#include <QImage>
#include <QRgb>
#include <QSize>
#include <QString>

#include <atomic>
#include <memory>

namespace yotsumado {

class ColorProfileTransform;
class BudgetShare;

// Opens the file at `path` and decodes it as the kind its first bytes say
// (SniffPictureKind), or where they name none as the kind its extension names
// (PictureKindOf): a Windows bitmap, a JPEG picture, or one of the newer
// kinds (rasterdecode.h), whose alpha is composed over `background`. Returns
// a QImage::Format_RGB888 image. A bitmap or JPEG file is read in pieces,
// never held whole.
// Throws
//  - EFOpenError("ファイル <full path> は開けません") when the file is missing,
//    unreadable, a folder or anything but a regular file;
//  - EInvalidGraphic("ビットマップイメージが不正です") for a bad bitmap;
//  - EJPEG("JPEG エラー #<code>") for a JPEG file the library rejects;
//  - EInvalidGraphic(InvalidPictureMessage(kind)) for a file of a newer kind
//    that its library rejects or that is too big for the budget;
//  - EInvalidGraphic for a name with no picture extension (callers filter
//    names with PictureKindOf first).
// A picture whose decoding cannot be had from `share`'s memory budget is
// refused with its kind's too-big error (EJPEG "JPEG エラー #41" for
// JERR_IMAGE_TOO_BIG, "ビットマップイメージが不正です" for a bitmap). On
// success the share holds the picture's bytes in addition to what it held,
// for as long as the caller keeps the picture; on failure it holds what it
// held before.
QImage LoadPicture(const QString& path, BudgetShare& share, QRgb background = 0xFFFFFFFFu);
// The same within a whole program budget of its own (kProgramMemoryBudget),
// for a caller that keeps no other picture.
QImage LoadPicture(const QString& path, QRgb background = 0xFFFFFFFFu);

// LoadPicture for a picture that will only ever be shown stretched to `size`:
// returns the picture already stretched to that size (the pixels
// StretchNearest gives, as QImage::Format_RGB888), decoding only the JPEG rows
// the stretch reads. Opens, checks and fails exactly as LoadPicture does. An
// empty `size` gives LoadPicture's full picture. The budget is asked as
// LoadPicture asks it; on success the share holds the result's bytes. With
// another `fit`, the pixels StretchPlaced gives: the part of the picture a
// panel of `size` shows, at the size it shows it.
QImage LoadPictureStretched(const QString& path, QSize size, BudgetShare& share, QRgb background = 0xFFFFFFFFu,
                            TFitMode fit = TFitMode::Stretch);
QImage LoadPictureStretched(const QString& path, QSize size, QRgb background = 0xFFFFFFFFu,
                            TFitMode fit = TFitMode::Stretch);

// LoadPicture for a picture that is composed once at `size` and should look
// its best there: a JPEG is decoded at the library's smallest DCT scale that
// still gives at least `size` (DecodeJpegReduced), then it, or a bitmap,
// is shrunk to exactly `size` with a Lanczos filter (ResizeLanczos). Opens,
// checks and fails as LoadPicture does. An empty `size` gives LoadPicture's
// full picture. With another `fit` the part a panel of `size` shows (as
// PlaceInPanel places the decoded picture) is shrunk to the size it shows it at.
QImage LoadPictureSmooth(const QString& path, QSize size, BudgetShare& share, QRgb background = 0xFFFFFFFFu,
                         TFitMode fit = TFitMode::Stretch);
QImage LoadPictureSmooth(const QString& path, QSize size, QRgb background = 0xFFFFFFFFu,
                         TFitMode fit = TFitMode::Stretch);
// The same for a picture's bytes held in memory (pasted), read as the kind
// they say, else as `named`; `size` must not be empty.
QImage LoadPictureSmooth(const QByteArray& bytes, PictureKind named, QSize size, BudgetShare& share,
                         QRgb background = 0xFFFFFFFFu, TFitMode fit = TFitMode::Stretch);

// A picture as the window keeps it: its pixels as stored, and the conversion
// of its colour profile to sRGB, which the window applies to the pixels it
// draws (null when there is nothing to convert). Converting only those gives
// every drawn pixel the value a conversion of the whole picture would, at a
// fraction of the cost.
struct TDisplayPicture {
    QImage pixels;
    std::shared_ptr<const ColorProfileTransform> colour;
};

// LoadPicture for the window: the same checks and errors, the picture turned
// as its Exif tag says, but the colour conversion left to the drawing, and a
// grey JPEG kept grey (one byte a pixel; see DecodeJpeg). The budget is asked as LoadPicture asks it.
TDisplayPicture LoadPictureForDisplay(const QString& path, BudgetShare& share, QRgb background = 0xFFFFFFFFu);
TDisplayPicture LoadPictureForDisplay(const QString& path, QRgb background = 0xFFFFFFFFu);
// The same for a picture file's bytes held in memory (one pasted from the
// clipboard), read as the kind its first bytes say, else as `named` (what
// the clipboard called it), whose errors a failure shows. The bytes count
// against the budget too: on success the share also holds their size, for
// as long as the caller keeps them with the picture; a budget that cannot
// hold them refuses the picture with its kind's too-big error.
TDisplayPicture LoadPictureForDisplay(const QByteArray& bytes, PictureKind named, BudgetShare& share,
                                      QRgb background = 0xFFFFFFFFu);

// A thumbnail of the picture no larger than `bound` (proportions kept), for
// the save dialog's preview: a JPEG picture is decoded at a reduced size
// (DCT scaling), a bitmap whole and then shrunk. Opens, checks, bounds and
// fails as LoadPicture does; on success the share holds the thumbnail's bytes.
// Once `*cancel` is set (by another thread) the load ends soon with EAbort.
QImage LoadPicturePreview(const QString& path, QSize bound, BudgetShare& share,
                          const std::atomic<bool>* cancel = nullptr, QRgb background = 0xFFFFFFFFu);

} // namespace yotsumado
