#pragma once
// The format module: the HEIF/AVIF and JPEG XL decoders, built with their
// libraries (libheif with its HEVC and AV1 codecs, libjxl with Highway) into
// a shared module of their own that is loaded the first time such a file is
// read. Linked into the programs, those libraries would be mapped, relocated
// and initialised at every start, which costs more than a small compose
// (Highway alone measures its timer on loading).
//
// The module is looked for in the private library folder the installation
// has beside the program's own folder (../lib/yotsumado, where `cmake
// --install` and the .deb put it), then one and two folders further up
// (where the build tree has it for the programs built deeper down), then by
// name through the dynamic loader's search (a program's run path). The
// first one found is taken; one from another build refuses to serve.

#include "codec/pictureformat.h"

#include <QImage>
#include <QString>

#include <atomic>

class QIODevice;

namespace yotsumado {

class BudgetShare;

// What the module hands over: its decoders, as rasterdecoders.h describes
// DecodeHeif and DecodeJxl.
struct FormatDecoders {
    QImage (*heif)(QIODevice& in, PictureKind kind, BudgetShare& share, const std::atomic<bool>* cancel);
    QImage (*jxl)(QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel);
};

// The module's file name, and the one entry point it exports: given the
// version the program was built as, it answers its decoders, or null when it
// comes from another build.
inline constexpr char kFormatModuleName[] = "libyotsumado_formats.so";
inline constexpr char kFormatModuleEntry[] = "yotsumado_format_decoders";
using FormatModuleEntry = const FormatDecoders* (*)(const char* version);

// One attempt to load the module from `file` (a path, or a bare name for the
// dynamic loader's search): its decoders, or null (the reason on the log).
// A module once loaded stays loaded.
const FormatDecoders* OpenFormatModule(const char* file);

// The module's decoders, loaded on the first call (once, whatever the
// threads); when it cannot be loaded, every call throws EInvalidGraphic
// saying that reading `kind` is not installed.
const FormatDecoders& FormatModule(PictureKind kind);

// The message of a kind whose module cannot be loaded.
QString MissingFormatModuleMessage(PictureKind kind);

} // namespace yotsumado
