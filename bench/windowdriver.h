#pragma once
// The main window with pictures dropped into its four panels, the way the
// user fills it: the pointer over a panel's picture, then a file drop.

#include "app/application.h"
#include "app/mainform.h"
#include "platform/filedrop.h"
#include "support/scriptedplatform.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace yotsumado;

// Drops files[i] onto panel i + 1. Returns false (and says why on standard
// error) when a drop ended in the error box.
inline bool DropIntoPanels(TMainForm1& form, const platform::ScriptedLog& log, const QStringList& files)
{
    using Move = void (TMainForm1::*)(QObject*, TShiftState, int, int);
    const Move moves[4] = {&TMainForm1::Image1MouseMove, &TMainForm1::Image2MouseMove, &TMainForm1::Image3MouseMove,
                           &TMainForm1::Image4MouseMove};
    for (int i = 0; i < files.size() && i < 4; ++i) {
        (form.*moves[i])(nullptr, 0, 10, 10);
        platform::DropFiles drop({files[i]});
        RunGuarded([&] { form.WMDropFiles(drop); });
    }
    form.WaitForLoads();
    for (const auto& box : log.boxes) {
        std::fprintf(stderr, "%s\n", box.text.toLocal8Bit().constData());
        return false;
    }
    return true;
}
