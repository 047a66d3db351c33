#include "platform/filedrop.h"

#include "core/filename.h"

#include <QMimeData>
#include <QUrl>

namespace yotsumado {

namespace platform {

DropFiles DropFiles::FromMimeData(const QMimeData* data)
{
    QList<QUrl> urls;
    if (data && data->hasUrls()) {
        urls = data->urls();
    } else if (data) {
        // "copy" or "cut", then one address a line.
        const QList<QByteArray> lines = data->data(QStringLiteral("x-special/gnome-copied-files")).split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i)
            urls.append(QUrl::fromEncoded(lines[i].trimmed()));
    }
    QStringList paths;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        // toLocalFile() turns escaped bytes that are not UTF-8 into
        // U+FFFD; the escapes themselves keep the name's real bytes.
        if (url.host().isEmpty())
            paths.append(FileNameFromBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1())));
        else
            paths.append(url.toLocalFile());
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

} // namespace yotsumado
