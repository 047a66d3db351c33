// Peak memory with four pictures loaded: the window shown, a picture dropped
// into each panel and every panel painted. Measure it from outside
// (/usr/bin/time -v, "Maximum resident set size").
// Usage: bench_memory P1 P2 P3 P4

#include "windowdriver.h"

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    app.SetTitle(QStringLiteral("ヨツマド"));
    const QStringList files = QCoreApplication::arguments().mid(1);
    if (files.size() != 4) {
        std::fprintf(stderr, "usage: bench_memory P1 P2 P3 P4\n");
        return 2;
    }
    platform::ScriptedPlatform scripted;
    app.SetPlatformServices(&scripted.services);
    TMainForm1 form(scripted.services);
    MainForm1 = &form;
    form.show();
    if (!DropIntoPanels(form, scripted.log, files))
        return 1;
    form.repaint();
    return 0;
}
