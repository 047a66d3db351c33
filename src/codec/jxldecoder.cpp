#include "codec/rasterdecoders.h"

#include "codec/rasterdecode.h"

namespace yotsumado {

// Not yet built: every file of this kind is refused.
QImage DecodeJxl(QIODevice&, BudgetShare&, const std::atomic<bool>*)
{
    ThrowInvalidPicture(PictureKind::JpegXl);
}

} // namespace yotsumado
