// Re-laying out four loaded pictures after a divider release, including the
// repaint that re-stretches them: the dividers go to new places (so that every
// panel changes size), the release handler runs, and the window repaints at
// once. Prints the median and the slowest of the runs.
// Usage: bench_relayout P1 P2 P3 P4 [RUNS]
// Output: "median_seconds=S max_seconds=M runs=N"

#include "controls/selshape/selshape.h"
#include "windowdriver.h"

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

using namespace yotsumado;

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    app.SetTitle(QStringLiteral("ヨツマド"));
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: bench_relayout P1 P2 P3 P4 [RUNS]\n");
        return 2;
    }
    const int runs = args.size() > 4 ? std::max(1, args[4].toInt()) : 40;
    platform::ScriptedPlatform scripted;
    app.SetPlatformServices(&scripted.services);
    TMainForm1 form(scripted.services);
    MainForm1 = &form;
    form.show();
    if (!DropIntoPanels(form, scripted.log, args.mid(0, 4)))
        return 1;
    form.repaint();

    const int places[][2] = {{100, 100}, {300, 250}, {416, 60}, {60, 296}, {238, 178}};
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        const auto& place = places[i % 5];
        // The drag: the divider moves, the panels stay.
        form.SelShape2->SetLeft(place[0]);
        form.SelShape1->SetTop(place[1]);
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        form.SelShape1MouseUp(form.SelShape2, TMouseButton::mbLeft, 0, 0, 0);
        form.repaint();
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("median_seconds=%.6f max_seconds=%.6f runs=%d\n", seconds[seconds.size() / 2], seconds.back(), runs);
    return 0;
}
