// Start-up of the program to its first painted frame: what main.cpp does,
// ending as soon as the main window has painted once.

#include "app/application.h"
#include "app/mainform.h"
#include "firstpaint.h"
#include "platform/desktop/qtplatform.h"

using namespace yotsumado;

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    app.SetTitle(QStringLiteral("ヨツマド"));
    platform::Services services = platform::MakeDesktopServices();
    app.SetPlatformServices(&services);
    TFirstPaintExit exitAtFirstPaint;
    MainForm1 = new TMainForm1(services);
    MainForm1->installEventFilter(&exitAtFirstPaint);
    MainForm1->show();
    app.exec();
    delete MainForm1;
    app.SetPlatformServices(nullptr);
    return 0;
}
