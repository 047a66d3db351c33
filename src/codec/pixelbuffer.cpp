#include "codec/pixelbuffer.h"

#include <cstdlib>

#include <sys/mman.h>

namespace yotsumado {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// Below this the ordinary allocation is as fast.
constexpr std::size_t kLargePicture = std::size_t(8) << 20;

void FreeBuffer(void* buffer)
{
    std::free(buffer);
}

} // namespace

QImage NewRgb888Image(int width, int height)
{
    if (width <= 0 || height <= 0)
        return QImage();
    // Rows padded to 32 bits, as QImage lays them out itself.
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    const std::size_t bytes = stride * std::size_t(height);
    if (bytes < kLargePicture)
        return QImage(width, height, QImage::Format_RGB888);

    void* buffer = nullptr;
    if (posix_memalign(&buffer, kHugePage, bytes) != 0)
        return QImage();
    // Only advice: without huge pages the memory works all the same.
    madvise(buffer, bytes & ~(kHugePage - 1), MADV_HUGEPAGE);
    QImage image(static_cast<uchar*>(buffer), width, height, qsizetype(stride), QImage::Format_RGB888, FreeBuffer,
                 buffer);
    if (image.isNull())
        std::free(buffer);
    return image;
}

} // namespace yotsumado
