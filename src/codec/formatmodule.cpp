#include "codec/formatmodule.h"

#include "core/error.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace yotsumado {

namespace {

// The module's folder from the program's own folder, as installed (set by the
// build from the install layout).
#ifndef YOTSUMADO_FORMAT_MODULE_DIR
#define YOTSUMADO_FORMAT_MODULE_DIR "../lib/yotsumado"
#endif
#ifndef YOTSUMADO_FORMAT_MODULE_VERSION
#define YOTSUMADO_FORMAT_MODULE_VERSION ""
#endif

const FormatDecoders* LoadOnce()
{
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (!program.isEmpty()) {
        QString folder = QFileInfo(program).absolutePath();
        for (int up = 0; up < 3; ++up, folder += QStringLiteral("/..")) {
            const QString candidate = folder + QStringLiteral("/" YOTSUMADO_FORMAT_MODULE_DIR "/")
                + QLatin1String(kFormatModuleName);
            if (QFileInfo::exists(candidate))
                return OpenFormatModule(QFile::encodeName(candidate).constData());
        }
    }
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
