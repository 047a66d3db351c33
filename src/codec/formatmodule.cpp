#include "codec/formatmodule.h"

#include "core/error.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace yotsumado {

namespace {

// The module's folder from the program's own, as installed (set by the build
// from the install layout).
#ifndef YOTSUMADO_FORMAT_MODULE_DIR
#define YOTSUMADO_FORMAT_MODULE_DIR "../lib/yotsumado"
#endif
#ifndef YOTSUMADO_FORMAT_MODULE_VERSION
#define YOTSUMADO_FORMAT_MODULE_VERSION ""
#endif

const FormatDecoders* LoadOnce()
{
    // The installed module beside the program first: a program run from the
    // installation never picks up another build's module by name.
    const QFileInfo program(QStringLiteral("/proc/self/exe"));
    const QString installed = program.symLinkTarget().isEmpty()
        ? QString()
        : QFileInfo(program.symLinkTarget()).absolutePath()
            + QStringLiteral("/" YOTSUMADO_FORMAT_MODULE_DIR "/") + QLatin1String(kFormatModuleName);
    if (!installed.isEmpty() && QFileInfo::exists(installed))
        return OpenFormatModule(QFile::encodeName(installed).constData());
    return OpenFormatModule(kFormatModuleName);
}

} // namespace

const FormatDecoders* OpenFormatModule(const char* file)
{
    // The module's symbols (and its libraries') stay its own; it is never
    // closed, its decoders being called from any thread at any time.
    void* handle = dlopen(file, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        qWarning("%s", dlerror());
        return nullptr;
    }
    auto entry = reinterpret_cast<FormatModuleEntry>(dlsym(handle, kFormatModuleEntry));
    const FormatDecoders* decoders = entry ? entry(YOTSUMADO_FORMAT_MODULE_VERSION) : nullptr;
    if (!decoders)
        qWarning("%s: not the format module of this build", file);
    return decoders;
}

const FormatDecoders& FormatModule(PictureKind kind)
{
    static const FormatDecoders* const decoders = LoadOnce();  // once, whatever the threads
    if (!decoders)
        throw EInvalidGraphic(MissingFormatModuleMessage(kind));
    return *decoders;
}

QString MissingFormatModuleMessage(PictureKind kind)
{
    return QStringLiteral("%1 イメージを読むためのモジュール (%2) がインストールされていません")
        .arg(QLatin1String(PictureKindName(kind)), QLatin1String(kFormatModuleName));
}

} // namespace yotsumado
