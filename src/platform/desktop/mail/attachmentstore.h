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
//
// The store's own folders ("yotsumado" and "mail" under the cache home, or
// the folder given) are trusted only when they are real folders, not links,
// owned by this user and writable by nobody else; otherwise nothing is made,
// written or removed there. Every step below them goes through open folder
// descriptors without following links, so a name swapped for a link halfway
// never leads outside. The folders above belong to the user and are taken as
// they are (a cache home that is a link to another disk is fine).

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

namespace yotsumado {

namespace platform {

// Where an attachment was kept, or would have been.
struct KeptAttachment {
    QString path;
    bool kept = false;
};

class MailAttachmentStore {
public:
    // The store under the user's cache directory.
    MailAttachmentStore();
    // The store in a folder of the caller's choice (the folder that holds the
    // per-command folders).
    explicit MailAttachmentStore(const QString& root);
    // The same kind of store in another folder beside "mail" under the cache
    // directory's "yotsumado" (the drag's files, in "drag").
    static MailAttachmentStore InCache(const QString& name);

    const QString& Root() const { return root_; }

    // Makes a new folder, mode 0700, creating the missing folders above it
    // with mode 0700 too. Its full path, or empty when it cannot be made or
    // the store's folders are not to be trusted.
    QString CreateFolder(const QDateTime& now);

    // Writes a new file `name` (mode 0600) into a folder made by
    // CreateFolder. Never replaces or follows anything already there: false
    // when the name is taken, the folder is not ours, or writing fails (a
    // partly written file is removed).
    bool WriteAttachment(const QString& folder, const QString& name, const QByteArray& data);

    // Removes a folder made by CreateFolder with the files in it. Anything
    // else, or a folder holding sub-folders, is left alone; false then.
    bool RemoveFolder(const QString& folder);

    // Removes this program's folders made more than `age` before now.
    // The number removed.
    int PruneOlderThan(const QDateTime& now, std::chrono::hours age);

    // What a hand-over does: removes the folders older than a day, makes a
    // fresh folder and writes the attachment `name` into it. When that
    // fails, nothing new is left and the path says where the file would
    // have been (the store's root when no folder could be made).
    KeptAttachment Keep(const QString& name, const QByteArray& data, const QDateTime& now);
    // Removes the folder of a kept attachment the mail program never took.
    void Discard(const KeptAttachment& attachment);

    // The time encoded in a folder's name, or an invalid time when the name
    // is not one of ours.
    static QDateTime FolderTime(const QString& folderName);

    // For tests: called with the folder's path once RemoveFolder or
    // PruneOlderThan has opened and listed a folder, before anything in it
    // is removed.
    void SetRemovalHook(std::function<void(const QString& folder)> hook) { removalHook_ = std::move(hook); }

private:
    // The open root, made when missing and `make`; -1 when it cannot be
    // opened or is not to be trusted.
    int OpenRoot(bool make) const;
    bool RemoveIn(int rootFd, const QByteArray& name);

    QString base_;               // the user's folder that holds the store's own
    QStringList levels_;         // the store's own folders below base_
    QString root_;
    std::function<void(const QString&)> removalHook_;
};

} // namespace platform

} // namespace yotsumado
