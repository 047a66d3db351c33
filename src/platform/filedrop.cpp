#include "filedrop.h"

#include <QMimeData>
#include <QUrl>

namespace platform {

DropFiles DropFiles::FromMimeData(const QMimeData* data)
{
    QStringList paths;
    if (data && data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile())
                paths.append(url.toLocalFile());
        }
    }
    return DropFiles(paths);
}

} // namespace platform
