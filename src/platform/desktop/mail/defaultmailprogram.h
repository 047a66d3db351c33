#pragma once
// The desktop's default mail program, as GIO finds it: the default handler of
// mailto: URLs by the freedesktop rules (mimeapps.list, desktop files), an
// entry that is hidden or whose program is missing not counting. GIO reads
// the XDG folders' variables once per process and watches the files it read,
// so a mail program made the default while we run is used at the next send.

#include <QStringList>

#include <optional>

namespace yotsumado {

namespace platform {

// The default mail program's command: its desktop entry's Exec line split by
// the quoting rules, without the arguments that carry field codes (the caller
// adds the message its own way). Nothing when there is no default or its Exec
// line cannot be read.
std::optional<QStringList> DefaultMailCommand();

// An Exec line split as above; nothing when its quoting is broken.
std::optional<QStringList> SplitExec(const QString& exec);

} // namespace platform

} // namespace yotsumado
