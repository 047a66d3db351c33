#include "codec/rasterdecoders.h"

#include "codec/rasterdecode.h"

namespace yotsumado {

// Not yet built: every file of this kind is refused.
QImage DecodeTiff(QIODevice&, BudgetShare&, const std::atomic<bool>*)
{
    ThrowInvalidPicture(PictureKind::Tiff);
}

} // namespace yotsumado
