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

    ~ColorProfileTransform();
    ColorProfileTransform(const ColorProfileTransform&) = delete;
    ColorProfileTransform& operator=(const ColorProfileTransform&) = delete;

    // Bytes of one input pixel: 3, or 4 for CMYK.
    int InputBytes() const { return inputBytes_; }

    // Converts `count` pixels at `in` to R G B at `out`. For 3-byte input
    // `out` may be `in` (converted in place).
    void Convert(const unsigned char* in, unsigned char* out, std::size_t count) const noexcept;

    // Converts the pixels of an R G B picture (Format_RGB888 or
    // Format_RGB32) in place, keeping its format. Only for R G B or grey
    // input; a CMYK transform leaves the picture as it is.
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
