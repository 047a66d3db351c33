#pragma once
// Converting a picture's colours from the ICC profile it carries to sRGB, the
// colours the screen and the composite are taken to be in.
//
// Phones write Display P3 and many cameras Adobe RGB; shown as if they were
// sRGB such pictures look dull or garish. Little CMS does the conversion,
// with perceptual intent.

#include <QImage>

#include <cstddef>
#include <memory>

namespace yotsumado {

class MemoryBudget;

class ColorProfileTransform {
public:
    // What the decoder hands over, 8 bits a sample.
    enum class Input {
        Rgb,           // R G B
        Grey,          // R G B with R = G = B (a grey picture in colour)
        Cmyk,          // C M Y K, ink amounts
        InvertedCmyk,  // C M Y K as Adobe writes it: 255 means no ink
    };

    // A transform from the profile `icc` to sRGB for pixels of kind `input`,
    // or null when the profile is absent, unreadable, made for another colour
    // space, shaped as no real profile is, or no transform can be made from
    // it within a few tens of MB (taken from `budget`, when given, while it
    // is built): the picture is then taken as it is, as if it carried no
    // profile.
    static std::unique_ptr<ColorProfileTransform> ToSrgb(const unsigned char* icc, std::size_t size, Input input,
                                                         MemoryBudget* budget = nullptr) noexcept;

    // A colour description without a profile, as PNG (cHRM, gAMA) and HEIF
    // (nclx) carry one: the chromaticities (CIE x, y) of the white point and
    // the three primaries, and the transfer curve that turns stored values
    // into linear light.
    struct Chromaticities {
        double whiteX, whiteY, redX, redY, greenX, greenY, blueX, blueY;
    };
    static constexpr Chromaticities kSrgbChromaticities{0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
    enum class Transfer {
        Srgb,    // IEC 61966-2-1
        Bt709,   // ITU-R BT.709, also BT.601 and BT.2020's 10 and 12 bits
        Linear,  // stored values are linear light
        Gamma,   // linear = stored ^ gamma (PNG's gAMA of 45455 is gamma 2.2)
    };
    // A transform from R G B (or grey, `input`) in that description to sRGB;
    // null when it is sRGB itself within a rounding (nothing to convert), or
    // not usable (a chromaticity outside (0, 1), a gamma outside [0.1, 10],
    // primaries that span no colour space).
    static std::unique_ptr<ColorProfileTransform> FromDescription(const Chromaticities& chromaticities, Transfer transfer,
                                                                  double gamma, Input input,
                                                                  MemoryBudget* budget = nullptr) noexcept;

    ~ColorProfileTransform();
    ColorProfileTransform(const ColorProfileTransform&) = delete;
    ColorProfileTransform& operator=(const ColorProfileTransform&) = delete;

    // Bytes of one input pixel: 3, or 4 for CMYK.
    int InputBytes() const { return inputBytes_; }

    // Converts `count` pixels at `in` to R G B at `out`. For 3-byte input
    // `out` may be `in` (converted in place).
    void Convert(const unsigned char* in, unsigned char* out, std::size_t count) const noexcept;

    // Converts the pixels of an R G B picture (Format_RGB888, Format_RGB32 or
    // Format_ARGB32, whose alpha stays as it is) in place, keeping its format.
    // Only for R G B or grey input; a CMYK transform leaves the picture as it
    // is.
    void ConvertImage(QImage& picture) const;

private:
    ColorProfileTransform(void* context, void* transform, void* memory, int inputBytes)
        : context_(context), transform_(transform), memory_(memory), inputBytes_(inputBytes) {}

    void* context_;
    void* transform_;
    void* memory_;  // what the context's allocations are counted in
    int inputBytes_;
};

} // namespace yotsumado
