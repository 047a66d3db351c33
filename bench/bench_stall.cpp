// The longest time the window's event loop is kept from answering while a
// dropped picture loads: a 1 ms timer runs beside the drop, and the longest
// gap between its ticks, from the drop until the panel has painted the new
// picture, is what a user would feel as a freeze. Also the drop's whole time.
// Usage: bench_stall FILE [RUNS]
// Output: "max_stall_seconds=S load_seconds=L runs=N" (the worst stall and
// the shortest load over the runs).

#include "controls/base/image.h"
#include "windowdriver.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

using namespace yotsumado;

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    app.SetTitle(QStringLiteral("ヨツマド"));
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_stall FILE [RUNS]\n");
        return 2;
    }
    const int runs = args.size() > 1 ? std::max(1, args[1].toInt()) : 5;
    platform::ScriptedPlatform scripted;
    app.SetPlatformServices(&scripted.services);
    TMainForm1 form(scripted.services);
    MainForm1 = &form;
    form.show();
    QCoreApplication::processEvents();

    double worstStall = 0, bestLoad = 1e9;
    for (int i = 0; i < runs; ++i) {
        form.Image1MouseMove(nullptr, 0, 10, 10);
        QElapsedTimer sinceTick, load;
        double stall = 0;
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            stall = std::max(stall, double(sinceTick.nsecsElapsed()) / 1e9);
            sinceTick.restart();
        });
        ticker.start();
        sinceTick.start();
        load.start();
        platform::DropFiles drop({args[0]});
        RunGuarded([&] { form.WMDropFiles(drop); });
        form.WaitForLoads();
        form.repaint();
        const double loaded = double(load.nsecsElapsed()) / 1e9;
        // The paint itself counts as a stall of the loop too.
        stall = std::max(stall, double(sinceTick.nsecsElapsed()) / 1e9);
        ticker.stop();
        if (!scripted.log.boxes.isEmpty()) {
            std::fprintf(stderr, "%s\n", scripted.log.boxes.first().text.toLocal8Bit().constData());
            return 1;
        }
        worstStall = std::max(worstStall, stall);
        bestLoad = std::min(bestLoad, loaded);
        form.Image1DblClick(form.Image1);
    }
    std::printf("max_stall_seconds=%.6f load_seconds=%.6f runs=%d\n", worstStall, bestLoad, runs);
    return 0;
}
