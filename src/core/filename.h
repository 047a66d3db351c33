#pragma once
// File names as Linux has them: any bytes but '/' and NUL, most often UTF-8,
// sometimes not (a name made in Latin-1 or Shift_JIS long ago). Qt turns the
// bytes that are not UTF-8 into U+FFFD, after which the file can no longer be
// found. Here a name keeps the QString type the rest of the program uses, but
// is decoded losslessly: valid UTF-8 as usual, and each byte that is not part
// of valid UTF-8 as the lone low surrogate U+DC80..U+DCFF carrying it. Valid
// UTF-8 never decodes to a lone surrogate, so encoding gives back the very
// bytes. Such a name must be turned into bytes with FileNameBytes, never
// with QFile::encodeName, and shown with ShownFileName.

#include "core/error.h"

#include <QByteArray>
#include <QString>

namespace yotsumado {

// The name for the bytes of a file name (argv, a decoded file: URL, getcwd).
QString FileNameFromBytes(const QByteArray& bytes);

// The bytes of a name made by FileNameFromBytes (or any ordinary QString):
// UTF-8, with each carried byte put back. A lone surrogate that carries no
// byte becomes U+FFFD. A name holding U+0000 names no file (the system would
// end it at the NUL, and "a.bmp\0.jpg" would open one file as another kind):
// its bytes are empty, which every call of the system refuses.
QByteArray FileNameBytes(const QString& name);

// The name as messages show it: carried bytes as \xHH, control characters as
// \t, \n, \r or \xHH (C1 controls as \u0080..\u009F), and characters that
// are not seen but steer the text around them as \uHHHH or \UHHHHHHHH
// (bidirectional controls such as U+202E, line and paragraph separators,
// zero-width characters: Unicode's format and separator classes), so that
// nothing in a name can garble or disguise a message box or a terminal line.
QString ShownFileName(const QString& name);

// The error of a file that could not be created or written, naming it as
// messages show it: "ファイル <path> を作成できません".
EFCreateError CannotCreateError(const QString& path);

// The absolute, cleaned form of a path, relative ones taken from the current
// folder, losslessly (QFileInfo would decode the current folder lossily).
QString AbsoluteFileName(const QString& path);

// Whether `path` names an existing regular file (through links).
bool IsExistingFile(const QString& path);

// The running program's own file (symbolic links resolved), as the kernel
// reports it.
QString RunningProgramFile();

} // namespace yotsumado
