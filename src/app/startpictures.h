#pragma once
// The pictures named on the command line (by a launcher, say), loaded into
// their panels the way a drop loads them.

#include <QStringList>

namespace yotsumado {

class TMainForm1;

// Loads pictures[i] into panel i + 1 (empty entries are skipped), all on
// worker threads while the window comes up. A picture that fails leaves its
// panel as it was and the others still load; once all have ended (in the
// event loop, that is once the window is up) each failure shows its error
// box, one box per failing picture in panel order. Nothing is left out
// silently: then one information box names the files that are no picture by
// their names and counts the pictures past the fourth.
void OpenStartPictures(TMainForm1& form, const QStringList& pictures);

} // namespace yotsumado
