// The format module's one exported symbol (formatmodule.h); everything else
// in the module is hidden.

#include "codec/formatmodule.h"
#include "codec/rasterdecoders.h"

#include <cstring>

namespace {

constexpr yotsumado::FormatDecoders kDecoders{&yotsumado::DecodeHeif, &yotsumado::DecodeJxl};

} // namespace

extern "C" __attribute__((visibility("default"))) const yotsumado::FormatDecoders*
yotsumado_format_decoders(const char* version)
{
    // The decoders share the program's classes (the budget, QImage) by
    // layout: a module from another build might not agree on them.
    return std::strcmp(version, YOTSUMADO_FORMAT_MODULE_VERSION) == 0 ? &kDecoders : nullptr;
}
