#include "pictureloader.h"

#include "bmpdecoder.h"
#include "colorprofile.h"
#include "error.h"
#include "filename.h"
#include "jpegdecoder.h"
#include "lanczosresize.h"
#include "pictureformat.h"
#include "stretcheddecode.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
