#include "codec/pictureloader.h"

#include "codec/bmpdecoder.h"
#include "codec/colorprofile.h"
#include "codec/jpegdecoder.h"
#include "codec/jpegerror.h"
#include "codec/lanczosresize.h"
#include "codec/memorybudget.h"
#include "codec/pictureformat.h"
#include "codec/rasterdecode.h"
#include "codec/rasterdecoders.h"
#include "codec/stretcheddecode.h"
#include "core/error.h"
#include "core/filename.h"
#include "core/stretch.h"

#include <QBuffer>
#include <QFile>
#include <QScopeGuard>

#include <algorithm>

#include <fcntl.h>
#include <jerror.h>
#include <sys/stat.h>
#include <unistd.h>

namespace yotsumado {

namespace {

[[noreturn]] void CannotOpen(const QString& fullPath)
{
    throw EFOpenError(QStringLiteral("ファイル %1 は開けません").arg(ShownFileName(fullPath)));
}

// Opens `file` on the regular file at `path`; returns its full path. The
// name goes to the system as the very bytes it stands for (filename.h).
QString OpenPictureFile(const QString& path, QFile& file)
{
    const QString fullPath = AbsoluteFileName(path);
    // Only regular files are opened: a FIFO or device would block or never
    // end. Checked again on the open file, in case the name changed hands.
    const QByteArray native = FileNameBytes(fullPath);
    struct stat status {};
    if (::stat(native.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        CannotOpen(fullPath);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        CannotOpen(fullPath);
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        CannotOpen(fullPath);
    }
    return fullPath;
}

[[noreturn]] void NotAPicture(const QString& fullPath)
{
    throw EInvalidGraphic(QStringLiteral("ファイル %1 は画像ファイルではありません").arg(ShownFileName(fullPath)));
}

// `shrink` of a picture just decoded into `share`: once it is made, the share
// holds the smaller picture's bytes instead of the decoded one's.
template <typename Shrink>
QImage Shrunk(QImage decoded, BudgetShare& share, Shrink shrink)
{
    const qint64 decodedBytes = decoded.sizeInBytes();
    QImage small = shrink(decoded);
    decoded = QImage();
    share.ShrinkTo(share.Bytes() - decodedBytes + small.sizeInBytes());
    return small;
}

// The kind a picture file is read as: what its first bytes say where they
// name a kind read here (a WebP saved as "photo.jpg"), else what its name
// says, so that a broken file gets its name's error.
PictureKind KindToRead(const QString& fullPath, QFile& file)
{
    const PictureKind named = PictureKindOf(fullPath);
    if (named == PictureKind::None)
        NotAPicture(fullPath);
    unsigned char head[kSniffBytes];
    const qint64 got = file.peek(reinterpret_cast<char*>(head), sizeof head);
    const PictureKind sniffed = SniffPictureKind(head, got > 0 ? std::size_t(got) : 0);
    return sniffed != PictureKind::None ? sniffed : named;
}

// Hands a picture to the decoding its kind asks for; every loader checks and
// fails the same way. The newer kinds all come whole, upright and in sRGB
// (rasterdecode.h): `onRaster` gets the decoded picture, already composed
// over `background`.
template <typename OnBitmap, typename OnJpeg, typename OnRaster>
auto DecodeAs(PictureKind kind, QIODevice& in, BudgetShare& share, QRgb background, const std::atomic<bool>* cancel,
              OnBitmap onBitmap, OnJpeg onJpeg, OnRaster onRaster)
{
    if (kind == PictureKind::Bitmap)
        return onBitmap(in);
    if (kind == PictureKind::Jpeg)
        return onJpeg(in);
    return onRaster(ComposeOverBackground(DecodeRaster(kind, in, share, cancel), background, share, kind));
}

// DecodeAs for the picture file at `path`, opened and told apart as
// OpenPictureFile and KindToRead say.
template <typename OnBitmap, typename OnJpeg, typename OnRaster>
auto DecodeByKind(const QString& path, BudgetShare& share, QRgb background, const std::atomic<bool>* cancel,
                  OnBitmap onBitmap, OnJpeg onJpeg, OnRaster onRaster)
{
    QFile file;
    const QString fullPath = OpenPictureFile(path, file);
    return DecodeAs(KindToRead(fullPath, file), file, share, background, cancel, onBitmap, onJpeg, onRaster);
}

} // namespace

QImage LoadPicture(const QString& path, BudgetShare& share, QRgb background)
{
    return DecodeByKind(
        path, share, background, nullptr, [&](QIODevice& file) { return DecodeBmp(file, share); },
        [&](QIODevice& file) { return DecodeJpeg(file, share); }, [](QImage picture) { return picture; });
}

QImage LoadPicture(const QString& path, QRgb background)
{
    MemoryBudget budget(kProgramMemoryBudget);
    BudgetShare share(budget);
    return LoadPicture(path, share, background);
}

QImage LoadPictureStretched(const QString& path, QSize size, BudgetShare& share, QRgb background, TFitMode fit)
{
    const auto stretch = [size, fit](const QImage& full) {
        // An empty size asks for the whole picture.
        return size.isEmpty() ? full : StretchPlaced(full, size, fit, QImage::Format_RGB888);
    };
    return DecodeByKind(
        path, share, background, nullptr, [&](QIODevice& file) { return Shrunk(DecodeBmp(file, share), share, stretch); },
        [&](QIODevice& file) { return DecodeJpegStretched(file, size, share, fit); },
        [&](QImage picture) { return Shrunk(std::move(picture), share, stretch); });
}

QImage LoadPictureStretched(const QString& path, QSize size, QRgb background, TFitMode fit)
{
    MemoryBudget budget(kProgramMemoryBudget);
    BudgetShare share(budget);
    return LoadPictureStretched(path, size, share, background, fit);
}

QImage LoadPicturePreview(const QString& path, QSize bound, BudgetShare& share, const std::atomic<bool>* cancel,
                          QRgb background)
{
    const auto fit = [bound](const QImage& picture) {
        if (picture.width() <= bound.width() && picture.height() <= bound.height())
            return picture;
        const QSize size = picture.size().scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        // Sampled down to twice the size first, which takes no memory to
        // speak of, then smoothed: Qt's smooth scaling of the whole picture
        // would take copies of it at 32 bits a pixel.
        const QSize twice = (size * 2).boundedTo(picture.size());
        return StretchNearest(picture, twice, QImage::Format_RGB888).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    return DecodeByKind(
        path, share, background, cancel, [&](QIODevice& file) { return Shrunk(DecodeBmp(file, share, cancel), share, fit); },
        [&](QIODevice& file) { return Shrunk(DecodeJpegThumbnail(file, bound, share, cancel), share, fit); },
        [&](QImage picture) { return Shrunk(std::move(picture), share, fit); });
}

namespace {

// LoadPictureSmooth's decoding of a picture of `kind` from `in`.
QImage SmoothAs(PictureKind kind, QIODevice& in, QSize size, BudgetShare& share, QRgb background, TFitMode fit)
{
    const auto shrink = [size, fit](const QImage& picture) {
        const TPlacement placed = PlaceInPanel(picture.size(), size, fit);
        // A cut picture is filtered from its kept part alone.
        return placed.source == picture.rect() ? ResizeLanczos(picture, placed.target.size())
                                               : ResizeLanczos(picture.copy(placed.source), placed.target.size());
    };
    return DecodeAs(
        kind, in, share, background, nullptr, [&](QIODevice& file) { return Shrunk(DecodeBmp(file, share), share, shrink); },
        [&](QIODevice& file) { return Shrunk(DecodeJpegReduced(file, size, share), share, shrink); },
        [&](QImage picture) { return Shrunk(std::move(picture), share, shrink); });
}

} // namespace

QImage LoadPictureSmooth(const QString& path, QSize size, BudgetShare& share, QRgb background, TFitMode fit)
{
    if (size.isEmpty())
        return LoadPicture(path, share, background);
    QFile file;
    const QString fullPath = OpenPictureFile(path, file);
    return SmoothAs(KindToRead(fullPath, file), file, size, share, background, fit);
}

QImage LoadPictureSmooth(const QByteArray& bytes, PictureKind named, QSize size, BudgetShare& share, QRgb background,
                         TFitMode fit)
{
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    const PictureKind sniffed = SniffPictureKind(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                                 std::min(std::size_t(bytes.size()), kSniffBytes));
    return SmoothAs(sniffed != PictureKind::None ? sniffed : named, in, size, share, background, fit);
}

QImage LoadPictureSmooth(const QString& path, QSize size, QRgb background, TFitMode fit)
{
    MemoryBudget budget(kProgramMemoryBudget);
    BudgetShare share(budget);
    return LoadPictureSmooth(path, size, share, background, fit);
}

namespace {

// LoadPictureForDisplay's decoding of a picture of `kind` from `in`.
TDisplayPicture DisplayAs(PictureKind kind, QIODevice& in, BudgetShare& share, QRgb background)
{
    return DecodeAs(
        kind, in, share, background, nullptr, [&](QIODevice& file) { return TDisplayPicture{DecodeBmp(file, share), nullptr}; },
        [&](QIODevice& file) {
            std::unique_ptr<ColorProfileTransform> colour;
            QImage pixels = DecodeJpeg(file, &colour, share);
            return TDisplayPicture{std::move(pixels), std::move(colour)};
        },
        [](QImage picture) { return TDisplayPicture{std::move(picture), nullptr}; });
}

} // namespace

TDisplayPicture LoadPictureForDisplay(const QString& path, BudgetShare& share, QRgb background)
{
    QFile file;
    const QString fullPath = OpenPictureFile(path, file);
    return DisplayAs(KindToRead(fullPath, file), file, share, background);
}

TDisplayPicture LoadPictureForDisplay(const QByteArray& bytes, PictureKind named, BudgetShare& share, QRgb background)
{
    // The bytes are kept with the picture: they count as its own.
    const qint64 before = share.Bytes();
    auto giveBack = qScopeGuard([&share, before] { share.ShrinkTo(before); });
    if (!share.Grow(bytes.size())) {
        if (named == PictureKind::Jpeg)
            throw JpegError(JERR_IMAGE_TOO_BIG);
        ThrowInvalidPicture(named);
    }
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    const PictureKind sniffed = SniffPictureKind(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                                 std::min(std::size_t(bytes.size()), kSniffBytes));
    TDisplayPicture picture = DisplayAs(sniffed != PictureKind::None ? sniffed : named, in, share, background);
    giveBack.dismiss();
    return picture;
}

TDisplayPicture LoadPictureForDisplay(const QString& path, QRgb background)
{
    MemoryBudget budget(kProgramMemoryBudget);
    BudgetShare share(budget);
    return LoadPictureForDisplay(path, share, background);
}

} // namespace yotsumado
