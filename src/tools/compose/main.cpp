// yotsumado-compose: makes ヨツマド's composite picture from the command line,
// with the program's own window built off screen (see --help).

#include "app/application.h"
#include "core/filename.h"
#include "tools/compose/composeoptions.h"
#include "tools/compose/composer.h"

#include <QFile>

#include <cstdio>

using namespace yotsumado;

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
        args.append(FileNameFromBytes(QByteArray(argv[i])));  // file names are bytes
    // The version answers before anything else, like --help needing no display.
    if (args.contains(QLatin1String("--version"))) {
        std::fputs("yotsumado-compose " YOTSUMADO_VERSION "\n", stdout);
        return 0;
    }
    const ComposeArguments parsed = ParseComposeArguments(args);
    if (!parsed.ok()) {
        std::fprintf(stderr, "yotsumado-compose: %s\nTry 'yotsumado-compose --help' for more information.\n",
                     ShownFileName(parsed.error).toUtf8().constData());
        return 2;
    }
    const ComposeOptions& options = parsed.options;
    if (options.help) {
        std::fputs(ComposeUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }

    // No display is needed. The arguments were all ours: Qt sees none of them.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(KeepQtQuiet);
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    TApplication app(qtArgc, qtArgv);
    app.SetTitle(QStringLiteral("ヨツマド"));
    // The pictures decode while the window is being built; the loader needs
    // the finished application object.
    TPanelLoader loader(app, options.pictures, ForecastPanelSizes(options.splitV, options.splitH),
                        options.scale == QLatin1String("smooth"));
    return RunCompose(options, loader);
}
