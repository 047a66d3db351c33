#pragma once
// The file-drop notification: the full paths of the files dropped from the
// desktop's file manager, in the order the file manager gave them, and the
// release of the drop's data once it has been handled.

#include <QStringList>

class QMimeData;

namespace yotsumado {

namespace platform {

class DropFiles {
public:
    // Local files of a text/uri-list drop (Nautilus, Dolphin, Thunar) or
    // clipboard, or of the list GNOME's file managers and pcmanfm copy
    // (x-special/gnome-copied-files); other URLs are not files and are left
    // out.
    static DropFiles FromMimeData(const QMimeData* data);
    explicit DropFiles(QStringList paths) : paths_(std::move(paths)) {}

    // The action a file drop is taken with, out of those the source offers:
    // a copy, else a link; never a move, since a source that moves deletes
    // its file once the drop is over. Qt::IgnoreAction when neither is
    // offered: such a drop is refused.
    static Qt::DropAction AcceptedAction(Qt::DropActions possible);

    int Count() const { return static_cast<int>(paths_.size()); }
    // The full path of the file at index, or an empty text past the end.
    QString Name(int index) const { return paths_.value(index); }
    // Releases the drop's data; afterwards the drop holds no names.
    void Finish() { paths_.clear(); finished_ = true; }
    bool Finished() const { return finished_; }

private:
    QStringList paths_;
    bool finished_ = false;
};

} // namespace platform

} // namespace yotsumado
