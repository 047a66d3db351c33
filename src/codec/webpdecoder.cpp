#include "codec/rasterdecoders.h"

#include "codec/rasterdecode.h"

namespace yotsumado {

// Not yet built: every file of this kind is refused.
QImage DecodeWebP(QIODevice&, BudgetShare&, const std::atomic<bool>*)
{
    ThrowInvalidPicture(PictureKind::WebP);
}

} // namespace yotsumado
