#include "codec/rasterdecoders.h"

#include "codec/rasterdecode.h"

namespace yotsumado {

// Not yet built: every file of this kind is refused.
QImage DecodeHeif(QIODevice&, PictureKind kind, BudgetShare&, const std::atomic<bool>*)
{
    ThrowInvalidPicture(kind);
}

} // namespace yotsumado
