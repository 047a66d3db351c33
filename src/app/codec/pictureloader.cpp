#include "pictureloader.h"

#include "bmpdecoder.h"
#include "error.h"
#include "jpegdecoder.h"
#include "pictureformat.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

[[noreturn]] void CannotOpen(const QString& fullPath)
{
    throw EFOpenError(QStringLiteral("ファイル %1 は開けません").arg(fullPath));
}

} // namespace

QImage LoadPicture(const QString& path)
{
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    // Only regular files are opened: a FIFO or device would block or never end.
    if (!QFileInfo(fullPath).isFile())
        CannotOpen(fullPath);
    QFile file(fullPath);
    if (!file.open(QIODevice::ReadOnly))
        CannotOpen(fullPath);
    struct stat status {};
    if (fstat(file.handle(), &status) != 0 || !S_ISREG(status.st_mode))
        CannotOpen(fullPath);

    switch (PictureKindOf(fullPath)) {
    case PictureKind::Bitmap:
        return DecodeBmp(file);
    case PictureKind::Jpeg:
        return DecodeJpeg(file);
    case PictureKind::None:
        break;
    }
    throw EInvalidGraphic(QStringLiteral("ファイル %1 は画像ファイルではありません").arg(fullPath));
}
