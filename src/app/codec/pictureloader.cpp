#include "pictureloader.h"

#include "bmpdecoder.h"
#include "error.h"
#include "jpegdecoder.h"
#include "memorybudget.h"
#include "pictureformat.h"
#include "stretcheddecode.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

[[noreturn]] void CannotOpen(const QString& fullPath)
{
    throw EFOpenError(QStringLiteral("ファイル %1 は開けません").arg(fullPath));
}

// Opens `file` on the regular file at `path`; returns its full path.
QString OpenPictureFile(const QString& path, QFile& file)
{
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    // Only regular files are opened: a FIFO or device would block or never end.
    if (!QFileInfo(fullPath).isFile())
        CannotOpen(fullPath);
    file.setFileName(fullPath);
    if (!file.open(QIODevice::ReadOnly))
        CannotOpen(fullPath);
    struct stat status {};
    if (fstat(file.handle(), &status) != 0 || !S_ISREG(status.st_mode))
        CannotOpen(fullPath);
    return fullPath;
}

[[noreturn]] void NotAPicture(const QString& fullPath)
{
    throw EInvalidGraphic(QStringLiteral("ファイル %1 は画像ファイルではありません").arg(fullPath));
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

} // namespace

QImage LoadPicture(const QString& path, BudgetShare& share)
{
    QFile file;
    const QString fullPath = OpenPictureFile(path, file);
    switch (PictureKindOf(fullPath)) {
    case PictureKind::Bitmap:
        return DecodeBmp(file, share);
    case PictureKind::Jpeg:
        return DecodeJpeg(file, share);
    case PictureKind::None:
        break;
    }
    NotAPicture(fullPath);
}

QImage LoadPicture(const QString& path)
{
    MemoryBudget budget(kProgramMemoryBudget);
    BudgetShare share(budget);
    return LoadPicture(path, share);
}

QImage LoadPictureStretched(const QString& path, QSize size, BudgetShare& share)
{
    QFile file;
    const QString fullPath = OpenPictureFile(path, file);
    switch (PictureKindOf(fullPath)) {
    case PictureKind::Bitmap:
        return Shrunk(DecodeBmp(file, share), share, [size](const QImage& full) {
            return StretchToRgb888(full, size);
        });
    case PictureKind::Jpeg:
        return DecodeJpegStretched(file, size, share);
    case PictureKind::None:
        break;
    }
    NotAPicture(fullPath);
}

QImage LoadPictureStretched(const QString& path, QSize size)
{
    MemoryBudget budget(kProgramMemoryBudget);
    BudgetShare share(budget);
    return LoadPictureStretched(path, size, share);
}

QImage LoadPicturePreview(const QString& path, QSize bound, BudgetShare& share)
{
    QFile file;
    const QString fullPath = OpenPictureFile(path, file);
    const auto fit = [bound](const QImage& picture) {
        if (picture.width() <= bound.width() && picture.height() <= bound.height())
            return picture;
        const QSize size = picture.size().scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        // Sampled down to twice the size first, which takes no memory to
        // speak of, then smoothed: Qt's smooth scaling of the whole picture
        // would take copies of it at 32 bits a pixel.
        const QSize twice = (size * 2).boundedTo(picture.size());
        return StretchToRgb888(picture, twice).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    switch (PictureKindOf(fullPath)) {
    case PictureKind::Bitmap:
        return Shrunk(DecodeBmp(file, share), share, fit);
    case PictureKind::Jpeg:
        return Shrunk(DecodeJpegReduced(file, bound, share), share, fit);
    case PictureKind::None:
        break;
    }
    NotAPicture(fullPath);
}
