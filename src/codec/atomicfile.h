#pragma once
// Replacing a file so that a failure never leaves it half written.

#include <QByteArray>
#include <QString>

#include <functional>

namespace yotsumado {

// Writes `data` to a new file in the folder of `path`, flushes it to the
// disk, then puts it in place of `path` in one step. The new file is made
// unnamed (O_TMPFILE) where the file system allows it, so that a save cut
// short, even by SIGKILL, leaves nothing behind; elsewhere it is a hidden
// temporary file that is renamed into place. A file that `path` names through
// a symbolic link is replaced where it really is. A replaced file keeps its
// read, write and execute bits (never set-user-id, set-group-id or sticky),
// and its owner and group as far as this process may give them; a new one
// gets 0666 less the umask. `path` may carry bytes that are not UTF-8 (see
// filename.h).
// On any failure (folder missing or not writable, invalid name, a NUL in
// `path`, `path` a folder, disk full, write error) the existing file is
// untouched, no temporary file remains, and
// EFCreateError("ファイル <path> を作成できません") is thrown with `path` as
// messages show it.
void WriteFileAtomically(const QString& path, const QByteArray& data);

// For tests only: what happens at the steps of WriteFileAtomically.
struct AtomicFileTestHooks {
    // Called when the new contents are written and flushed, before the file
    // gets any name.
    std::function<void()> beforeLink;
    // Never use an unnamed file: the hidden temporary file's way.
    bool namedTemporaryOnly = false;
};
AtomicFileTestHooks& AtomicFileHooksForTests();

} // namespace yotsumado
