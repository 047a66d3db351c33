#include "app/startoptions.h"

#include "core/filename.h"

#include <QUrl>

namespace yotsumado {

#ifndef YOTSUMADO_VERSION
#define YOTSUMADO_VERSION "unknown"
#endif

namespace {

constexpr qsizetype kPanels = 4;

QString PicturePath(const QString& arg)
{
    // A file manager may pass file: addresses; their escapes keep the name's
    // real bytes, as in a drop.
    if (arg.startsWith(QLatin1String("file:"))) {
        const QUrl url(arg);
        if (url.isLocalFile() && url.host().isEmpty())
            return FileNameFromBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
    }
    return AbsoluteFileName(arg);
}

} // namespace

StartOptions ParseStartOptions(const QStringList& args)
{
    StartOptions o;
    QStringList files;
    bool optionsEnded = false;
    for (const QString& arg : args) {
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == QLatin1String("--help") || arg == QLatin1String("-h"))) {
            o.action = StartOptions::Action::Help;
            return o;
        } else if (!optionsEnded && arg == QLatin1String("--version")) {
            o.action = StartOptions::Action::Version;
            return o;
        } else if (!optionsEnded && arg.size() > 1 && arg.startsWith(QLatin1Char('-'))) {
            o.action = StartOptions::Action::Usage;
            o.error = QStringLiteral("unknown option '%1'").arg(ShownFileName(arg));
            return o;
        } else {
            files.append(arg);
        }
    }
    // More than four are kept too: the window says that it left them out
    // (a launcher passes every file the user chose, and shows no usage line).
    if (files.size() > kPanels)
        o.pictures.resize(files.size());
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString& f = files.at(i);
        if (!f.isEmpty() && f != QLatin1String("-"))
            o.pictures[i] = PicturePath(f);
    }
    return o;
}

QString StartUsage()
{
    return QStringLiteral(
        "Usage: yotsumado [P1 [P2 [P3 [P4]]]]\n"
        "Shows four pictures side by side in a 2 x 2 grid and turns the grid into one\n"
        "480 x 360 JPEG picture, saved or handed to the mail program.\n"
        "\n"
        "P1 to P4 are picture files (BMP, JPEG, PNG, WebP, HEIC/HEIF, AVIF, TIFF,\n"
        "GIF, JPEG XL) for the panels upper left, upper right, lower left and\n"
        "lower right; '-' leaves a panel empty. Without pictures the window\n"
        "starts empty. Pictures past the fourth, and files whose names are of\n"
        "no kind read, are not loaded; the window says so.\n"
        "\n"
        "  -h, --help     show this text\n"
        "      --version  show the version\n"
        "\n"
        "Exit status: 0 when the window was closed, 1 when no window could be\n"
        "opened (no display), 2 wrong arguments.\n");
}

QString StartVersion()
{
    return QStringLiteral("yotsumado " YOTSUMADO_VERSION "\n");
}

QString MissingDisplayReason()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return {};
    return QStringLiteral("no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)");
}

QByteArray QtPlatformToChoose()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return {};
    return qEnvironmentVariableIsEmpty("DISPLAY") ? QByteArray("wayland") : QByteArray("xcb");
}

} // namespace yotsumado
