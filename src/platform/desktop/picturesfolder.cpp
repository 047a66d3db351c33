#include "platform/desktop/picturesfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace yotsumado {

namespace platform {

QString PicturesFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    return QDir::homePath();
}

} // namespace platform

} // namespace yotsumado
