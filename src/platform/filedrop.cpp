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

Qt::DropAction DropFiles::AcceptedAction(Qt::DropActions possible)
{
    if (possible.testFlag(Qt::CopyAction))
        return Qt::CopyAction;
    if (possible.testFlag(Qt::LinkAction))
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}

} // namespace platform
