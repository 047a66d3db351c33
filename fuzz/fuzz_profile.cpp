// A colour profile alone, as a JPEG's APP2 markers hand it over: the
// transform to sRGB is built (or refused) within the program's budget and,
// when built, converts a row of pixels.

#include "codec/colorprofile.h"
#include "codec/memorybudget.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

using yotsumado::ColorProfileTransform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The kind of pixels the decoder would have for the profile's colour
    // space; a CMYK picture may come inverted or not.
    using Input = ColorProfileTransform::Input;
    Input input = Input::Rgb;
    if (size >= 20 && std::memcmp(data + 16, "GRAY", 4) == 0)
        input = Input::Grey;
    else if (size >= 20 && std::memcmp(data + 16, "CMYK", 4) == 0)
        input = size % 2 ? Input::InvertedCmyk : Input::Cmyk;
    yotsumado::MemoryBudget budget(yotsumado::kProgramMemoryBudget);
    const auto transform = ColorProfileTransform::ToSrgb(data, size, input, &budget);
    if (budget.InUse() != 0)
        __builtin_trap();  // the build's share must be given back
    if (!transform)
        return 0;
    constexpr std::size_t kPixels = 256;
    std::uint8_t in[kPixels * 4];
    std::uint8_t out[kPixels * 3];
    for (std::size_t i = 0; i < sizeof in; ++i)
        in[i] = std::uint8_t(i * 37);
    transform->Convert(in, out, kPixels);
    return 0;
}
