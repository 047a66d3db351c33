#include "codec/rasterdecoders.h"

#include "codec/rasterdecode.h"

namespace yotsumado {

// Not yet built: every file of this kind is refused.
QImage DecodeGif(QIODevice&, BudgetShare&, const std::atomic<bool>*)
{
    ThrowInvalidPicture(PictureKind::Gif);
}

} // namespace yotsumado
