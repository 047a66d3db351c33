#pragma once
// Replacing a file so that a failure never leaves it half written.

#include <QByteArray>
#include <QString>

// Writes `data` to a new temporary file in the folder of `path`, flushes it to
// the disk, then renames it over `path` in one step. A file that `path` names
// through a symbolic link is replaced where it really is, and a replaced file
// keeps its permissions; a new one gets 0666 less the umask.
// On any failure (folder missing or not writable, invalid name, `path` a
// folder, disk full, write error) the existing file is untouched, no temporary
// file remains, and EFCreateError("ファイル <path> を作成できません") is thrown
// with `path` as given.
void WriteFileAtomically(const QString& path, const QByteArray& data);
