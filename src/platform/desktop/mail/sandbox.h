#pragma once
// Whether this program itself runs inside an application sandbox. Only there
// does mail go through the desktop portal (see desktopmail.h): outside one
// every mail program can be started directly, in the way it takes an
// attachment, while the portal's GTK back end hands the attachment over as a
// mailto: field that Thunderbird and Claws Mail ignore, and still reports
// success.
//
// What each sandbox guarantees:
// - Flatpak bind-mounts /.flatpak-info into every sandbox it makes; on the
//   host that file does not exist. FLATPAK_ID alone proves nothing: a
//   variable is inherited by whatever a sandboxed program starts on the host
//   (flatpak-spawn --host), and anyone can set one.
// - snapd sets SNAP (the snap's mounted folder) and SNAP_NAME for each
//   program of a snap, and the programs a snap starts (a terminal in a
//   snapped editor, say) inherit them. So a snap counts only when our own
//   executable lies inside $SNAP, and not when the snap's meta/snap.yaml
//   declares classic confinement (a classic snap runs unconfined).

#include <QProcessEnvironment>
#include <QString>

namespace yotsumado {

namespace platform {

struct SandboxSigns {
    QString flatpakInfo = QStringLiteral("/.flatpak-info");
    QProcessEnvironment variables;
    QString programPath;  // this program's executable

    // The signs of the running process.
    static SandboxSigns OfThisProcess();
};

bool RunsInsideSandbox(const SandboxSigns& signs);

} // namespace platform

} // namespace yotsumado
