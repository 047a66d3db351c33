#pragma once
// Where the Mail command keeps the picture it attaches. Mail programs read an
// attachment when the message is sent, which may be long after the hand-over,
// so the file must outlive the command; and it must never land on a file of
// the user's. Each command gets a fresh private folder of its own under
// $XDG_CACHE_HOME/yotsumado/mail/ (~/.cache when unset), named after the
// time it was made in UTC plus a random part ("20261206T053000Z-k3Jd9a").
// Folders older than a day are removed by a later command. Only folders
// with such a name are ever removed, and of their contents only plain files
// (and links, not what they point to).

#include <QDateTime>
#include <QString>

#include <chrono>

namespace platform {

class MailAttachmentStore {
public:
    // The store under the user's cache directory.
    MailAttachmentStore();
    // The store in a folder of the caller's choice (the folder that holds the
    // per-command folders).
    explicit MailAttachmentStore(const QString& root);

    const QString& Root() const { return root_; }

    // Makes a new folder, mode 0700, creating the missing folders above it
    // with mode 0700 too. Its full path, or empty when it cannot be made.
    QString CreateFolder(const QDateTime& now);

    // Removes a folder made by CreateFolder with the files in it. Anything
    // else, or a folder holding sub-folders, is left alone; false then.
    bool RemoveFolder(const QString& folder);

    // Removes this program's folders made more than `age` before now.
    // The number removed.
    int PruneOlderThan(const QDateTime& now, std::chrono::hours age);

    // The attachment's name: the 12-digit local time stamp (year, month,
    // day, hour, minute) plus ".jpg".
    static QString AttachmentName(const QDateTime& now);
    // The attachment's full path inside a folder.
    static QString AttachmentPath(const QString& folder, const QDateTime& now);

    // The time encoded in a folder's name, or an invalid time when the name
    // is not one of ours.
    static QDateTime FolderTime(const QString& folderName);

private:
    QString root_;
};

} // namespace platform
