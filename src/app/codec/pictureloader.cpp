#include "pictureloader.h"

#include "bmpdecoder.h"
#include "colorprofile.h"
#include "error.h"
#include "jpegdecoder.h"
#include "lanczosresize.h"
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

} // namespace

QImage LoadPicture(const QString& path)
{
    QFile file;
    const QString fullPath = OpenPictureFile(path, file);
    switch (PictureKindOf(fullPath)) {
    case PictureKind::Bitmap:
        return DecodeBmp(file);
    case PictureKind::Jpeg:
        return DecodeJpeg(file);
    case PictureKind::None:
        break;
    }
    NotAPicture(fullPath);
}

QImage LoadPictureStretched(const QString& path, QSize size)
{
    QFile file;
    const QString fullPath = OpenPictureFile(path, file);
    switch (PictureKindOf(fullPath)) {
    case PictureKind::Bitmap:
        return StretchToRgb888(DecodeBmp(file), size);
    case PictureKind::Jpeg:
        return DecodeJpegStretched(file, size);
    case PictureKind::None:
        break;
    }
    NotAPicture(fullPath);
}

QImage LoadPictureSmooth(const QString& path, QSize size)
{
    if (size.isEmpty())
        return LoadPicture(path);
    QFile file;
    const QString fullPath = OpenPictureFile(path, file);
    switch (PictureKindOf(fullPath)) {
    case PictureKind::Bitmap:
        return ResizeLanczos(DecodeBmp(file), size);
    case PictureKind::Jpeg:
        return ResizeLanczos(DecodeJpegReduced(file, size), size);
    case PictureKind::None:
        break;
    }
    NotAPicture(fullPath);
}

TDisplayPicture LoadPictureForDisplay(const QString& path)
{
    QFile file;
    const QString fullPath = OpenPictureFile(path, file);
    switch (PictureKindOf(fullPath)) {
    case PictureKind::Bitmap:
        return {DecodeBmp(file), nullptr};
    case PictureKind::Jpeg: {
        std::unique_ptr<ColorProfileTransform> colour;
        QImage pixels = DecodeJpeg(file, &colour);
        return {std::move(pixels), std::move(colour)};
    }
    case PictureKind::None:
        break;
    }
    NotAPicture(fullPath);
}
