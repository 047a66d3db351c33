// GIO before Qt: GLib's headers use names that Qt defines as macros.
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "platform/desktop/mail/defaultmailprogram.h"

#include <memory>

namespace yotsumado {

namespace platform {

namespace {

// Whether an argument holds a field code other than "%%".
bool HasFieldCode(const QString& argument)
{
    for (qsizetype i = 0; i + 1 < argument.size(); ++i) {
        if (argument.at(i) == QLatin1Char('%')) {
            if (argument.at(i + 1) != QLatin1Char('%'))
                return true;
            ++i;
        }
    }
    return false;
}

} // namespace

std::optional<QStringList> SplitExec(const QString& exec)
{
    // GIO splits Exec lines with the shell's quoting rules when it launches
    // an entry itself; the desktop entry quoting is a subset of them.
    gchar** argv = nullptr;
    if (!g_shell_parse_argv(exec.toUtf8().constData(), nullptr, &argv, nullptr))
        return std::nullopt;
    const std::unique_ptr<gchar*, decltype(&g_strfreev)> owned(argv, &g_strfreev);
    QStringList command;
    for (gchar** a = argv; *a; ++a) {
        const QString argument = QString::fromUtf8(*a);
        if (!HasFieldCode(argument))
            command << QString(argument).replace(QStringLiteral("%%"), QStringLiteral("%"));
    }
    if (command.isEmpty())
        return std::nullopt;
    return command;
}

std::optional<QStringList> DefaultMailCommand()
{
    GAppInfo* info = g_app_info_get_default_for_uri_scheme("mailto");
    if (!info)
        return std::nullopt;
    const std::unique_ptr<GAppInfo, decltype(&g_object_unref)> owned(info, &g_object_unref);
    const char* exec = g_app_info_get_commandline(info);
    return exec ? SplitExec(QString::fromUtf8(exec)) : std::nullopt;
}

} // namespace platform

} // namespace yotsumado
