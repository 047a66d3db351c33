#include "app/application.h"
#include "app/mainform.h"
#include "app/programicon.h"
#include "app/startoptions.h"
#include "app/startpictures.h"
#include "core/error.h"
#include "core/filename.h"
#include "platform/desktop/qtplatform.h"
#include "platform/desktop/mail/sessionbus.h"

#include <cstdio>

using namespace yotsumado;

int main(int argc, char** argv)
{
    // The arguments are read before Qt starts, so that --help and --version
    // answer without a display and a missing display is one clear line
    // rather than Qt's abort.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(FileNameFromBytes(QByteArray(argv[i])));  // file names are bytes
    const StartOptions options = ParseStartOptions(args);
    switch (options.action) {
    case StartOptions::Action::Help:
        std::fputs(StartUsage().toLocal8Bit().constData(), stdout);
        return 0;
    case StartOptions::Action::Version:
        std::fputs(StartVersion().toLocal8Bit().constData(), stdout);
        return 0;
    case StartOptions::Action::Usage:
        std::fprintf(stderr, "yotsumado: %s\nTry 'yotsumado --help' for more information.\n",
                     options.error.toLocal8Bit().constData());
        return 2;
    case StartOptions::Action::Run:
        break;
    }
    const QString noDisplay = MissingDisplayReason();
    if (!noDisplay.isEmpty()) {
        std::fprintf(stderr, "yotsumado: %s\n", noDisplay.toLocal8Bit().constData());
        return 1;
    }
    // The arguments were all ours: Qt sees none of them, only the platform
    // chosen for it (an option rather than the environment, which the mail
    // program and the browser would inherit).
    QByteArray platform = QtPlatformToChoose();
    char platformOption[] = "-platform";
    int qtArgc = platform.isEmpty() ? 1 : 3;
    char* qtArgv[] = {argv[0], platformOption, platform.data(), nullptr};
    TApplication app(qtArgc, qtArgv);
    platform::KeepUnnamedSessionBusUnstarted();  // before Qt's own widgets ask for a bus
    app.SetTitle(QStringLiteral("ヨツマド"));
    app.setWindowIcon(ProgramIcon());
    // The desktop's own services, handed to the window and to the
    // application object for its error box; they outlive the window, and the
    // application lets go of them before they go.
    platform::Services services = platform::MakeDesktopServices();
    app.SetPlatformServices(&services);
    // Errors while the window runs are shown by the window's own guard; what
    // arrives here means the window could not be built.
    int status = 0;
    try {
        MainForm1 = new TMainForm1(services);
        OpenStartPictures(*MainForm1, options.pictures);
        MainForm1->show();
        status = app.exec();
    } catch (const Exception& error) {
        app.ShowException(error);
        status = 1;
    } catch (...) {
        app.ShowException(Exception(QString()));
        status = 1;
    }
    delete MainForm1;
    app.SetPlatformServices(nullptr);
    return status;
}
