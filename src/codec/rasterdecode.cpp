#include "codec/rasterdecode.h"

#include "codec/exiforientation.h"
#include "codec/memorybudget.h"
#include "codec/pixelbuffer.h"
#include "core/error.h"

#include <QIODevice>

#include <cstring>

namespace yotsumado {

void ThrowInvalidPicture(PictureKind kind)
{
    throw EInvalidGraphic(InvalidPictureMessage(kind));
}

void ThrowIfCancelled(const std::atomic<bool>* cancel)
{
    if (cancel && cancel->load(std::memory_order_relaxed))
        throw EAbort();
}

namespace {

qint64 PictureBytes(qint64 width, qint64 height, bool alpha)
{
    const qint64 stride = alpha ? width * 4 : (width * 3 + 3) & ~qint64(3);
    return stride * height;
}

} // namespace

QImage NewDecodedPicture(qint64 width, qint64 height, bool alpha, BudgetShare& share, PictureKind kind)
{
    if (!PictureSizeAllowed(width, height))
        ThrowInvalidPicture(kind);
    const qint64 bytes = PictureBytes(width, height, alpha);
    if (!share.Grow(bytes))
        ThrowInvalidPicture(kind);
    QImage picture = alpha ? QImage(int(width), int(height), QImage::Format_ARGB32) : NewRgb888Image(int(width), int(height));
    if (picture.isNull()) {
        share.ShrinkTo(share.Bytes() - bytes);
        ThrowInvalidPicture(kind);
    }
    // What Qt actually took may differ a little from the estimate.
    share.ShrinkTo(share.Bytes() - bytes + picture.sizeInBytes());
    return picture;
}

BudgetShare ReserveWork(const BudgetShare& share, qint64 bytes, PictureKind kind)
{
    if (!share.Budget())
        ThrowInvalidPicture(kind);
    BudgetShare work(*share.Budget());
    if (!work.Grow(bytes))
        ThrowInvalidPicture(kind);
    return work;
}

QByteArray ReadWholeFile(QIODevice& in, BudgetShare& work, PictureKind kind, qint64 limit)
{
    const qint64 size = in.size() - in.pos();
    if (size <= 0 || size > limit || !work.Grow(size))
        ThrowInvalidPicture(kind);
    QByteArray bytes;
    bytes.resize(size);
    qint64 done = 0;
    while (done < size) {
        const qint64 got = in.read(bytes.data() + done, size - done);
        if (got <= 0)
            break;
        done += got;
    }
    // A file that shrank while read is decoded as far as it goes.
    bytes.truncate(done);
    return bytes;
}

void TurnUpright(QImage& picture, int orientation, BudgetShare& share, PictureKind kind)
{
    if (orientation < 2 || orientation > 8 || picture.isNull())
        return;
    BudgetShare copy = ReserveWork(share, picture.sizeInBytes(), kind);
    QTransform turn;
    switch (orientation) {
    case 2: picture = std::move(picture).mirrored(true, false); return;
    case 3: picture = std::move(picture).mirrored(true, true); return;
    case 4: picture = std::move(picture).mirrored(false, true); return;
    // The diagonal mirrors as a quarter turn and a mirror: QImage keeps the
    // format only for pure turns (a shear-like matrix gives premultiplied ARGB).
    case 5: turn.rotate(90); break;   // transposed
    case 6: turn.rotate(90); break;
    case 7: turn.rotate(270); break;  // the other diagonal
    case 8: turn.rotate(270); break;
    }
    picture = picture.transformed(turn);
    if (picture.isNull())
        ThrowInvalidPicture(kind);
    if (orientation == 5 || orientation == 7)
        picture = std::move(picture).mirrored(true, false);
}

QImage ComposeOverBackground(QImage picture, QRgb background, BudgetShare& share, PictureKind kind)
{
    if (picture.format() != QImage::Format_ARGB32)
        return picture;
    const qint64 before = picture.sizeInBytes();
    QImage out = NewDecodedPicture(picture.width(), picture.height(), false, share, kind);
    const int br = qRed(background), bg = qGreen(background), bb = qBlue(background);
    const auto mix = [](int over, int under, int alpha) { return uchar((over * alpha + under * (255 - alpha) + 127) / 255); };
    for (int y = 0; y < picture.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        uchar* o = out.scanLine(y);
        for (int x = 0; x < picture.width(); ++x, o += 3) {
            const QRgb p = in[x];
            const int a = qAlpha(p);
            o[0] = mix(qRed(p), br, a);
            o[1] = mix(qGreen(p), bg, a);
            o[2] = mix(qBlue(p), bb, a);
        }
    }
    picture = QImage();
    share.ShrinkTo(share.Bytes() - before);
    return out;
}

} // namespace yotsumado
