#include "codec/pictureformat.h"

namespace yotsumado {

QString ExtensionOf(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash)
        return QString();
    return path.mid(dot);
}

PictureKind PictureKindOf(const QString& path)
{
    const QString extension = ExtensionOf(path);
    const auto is = [&extension](QLatin1String name) {
        return QString::compare(extension, name, Qt::CaseInsensitive) == 0;
    };
    if (is(QLatin1String(".bmp")) || is(QLatin1String(".dib")))
        return PictureKind::Bitmap;
    if (is(QLatin1String(".jpg")) || is(QLatin1String(".jpeg")) || is(QLatin1String(".jpe"))
        || is(QLatin1String(".jfif")))
        return PictureKind::Jpeg;
    return PictureKind::None;
}

bool PictureSizeAllowed(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0)
        return false;
    // width * height * 3 <= bound, written so that nothing can overflow.
    return width <= kMaxPictureBytes / 3 / height;
}

} // namespace yotsumado
