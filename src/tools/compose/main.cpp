// yotsumado-compose: makes ヨツマド's composite picture from the command line,
// with the program's own window built off screen (see --help).

#include "app/application.h"
#include "core/filename.h"
#include "tools/compose/composeoptions.h"
#include "tools/compose/composer.h"

#include <QFile>

#include <cstdio>

#include <malloc.h>
#include <unistd.h>

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

    std::vector<ComposeSet> sets;
    if (options.batch.isEmpty()) {
        sets.push_back({options.pictures, options.output, options.raw, QString(), QString()});
    } else if (!ReadBatch(options.batch, sets)) {
        std::fprintf(stderr, "%s\n", ShownFileName(ErrorBoxText(QStringLiteral("ファイル %1 は開けません").arg(
                                          AbsoluteFileName(options.batch)))).toUtf8().constData());
        return 1;
    }
    qInstallMessageHandler(KeepQtQuiet);
    // A progressive photo's coefficients take megabytes that live for one
    // picture. Kept in the heap, the next picture reuses pages already
    // touched; given back to the system after each (glibc's default for
    // blocks that large), every picture pays the kernel again to fault
    // fresh zeroed pages in. The tool runs briefly, and the memory budget
    // still bounds what is held.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    // The pictures start decoding at once. Without markers nothing more is
    // needed: no application object, no platform, no fonts. The markers need
    // fonts, which need an application object, but no display. The
    // environment is set before the workers start (the decoders read it).
    const bool markers = options.markers != QLatin1String("none");
    if (markers && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TComposer composer(options, std::move(sets), !options.batch.isEmpty() && isatty(STDERR_FILENO));
    composer.Start(markers);
    if (!markers)
        return composer.Run();

    // The arguments were all ours: Qt sees none of them.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    TApplication app(qtArgc, qtArgv);
    app.SetTitle(QStringLiteral("ヨツマド"));
    composer.ApplicationBuilt();
    return composer.RunWithWindow();
}
