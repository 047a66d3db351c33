// yotsumado-compose: makes ヨツマド's composite picture from the command line,
// with the program's own window built off screen (see --help).

#include "application.h"
#include "composeoptions.h"
#include "composer.h"

#include <QFile>
#include <QThread>

#include <cstdio>

namespace {

// Standard error carries the tool's own messages only: Qt's notes about the
// off-screen platform (no raise(), no runtime folder) are no concern here.
void KeepQtQuiet(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QFile::decodeName(argv[i]));
    const ComposeArguments parsed = ParseComposeArguments(args);
    if (!parsed.ok()) {
        std::fprintf(stderr, "yotsumado-compose: %s\nTry 'yotsumado-compose --help' for more information.\n",
                     parsed.error.toLocal8Bit().constData());
        return 2;
    }
    const ComposeOptions& options = parsed.options;
    if (options.help) {
        std::fputs(ComposeUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }

    // This thread is Qt's main thread: make it known as such before any
    // worker touches a Qt object (a QFile is one).
    (void)QThread::currentThread();
    // The pictures decode while the window is being built.
    TPanelLoader loader(options.pictures, ForecastPanelSizes(options.splitV, options.splitH),
                        options.scale == QLatin1String("smooth"));

    // No display is needed. The arguments were all ours: Qt sees none of them.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(KeepQtQuiet);
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    TApplication app(qtArgc, qtArgv);
    app.SetTitle(QStringLiteral("ヨツマド"));
    return RunCompose(options, loader);
}
