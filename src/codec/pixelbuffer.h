#pragma once
// Memory for decoded pictures.

#include <QImage>

namespace yotsumado {

// A new, uninitialised QImage::Format_RGB888 image of the given size, or a
// null image when the memory cannot be had. A large picture gets memory in
// 2 MiB pages where the system offers them: a 24-megapixel photo then costs
// a few dozen page faults instead of some eighteen thousand, which is most of
// what loading it takes beyond the decoding itself.
QImage NewRgb888Image(int width, int height);

} // namespace yotsumado
