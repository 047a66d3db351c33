#include "codec/colorprofile.h"

#include <lcms2.h>

#include <new>

namespace yotsumado {

namespace {

// A grey picture arrives as R G B with equal samples: the transform reads
// the first of the three as the grey value and skips the other two.
constexpr cmsUInt32Number kGreyInRgb = COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(2);

// Little CMS reports problems through a handler; the picture just loads
// without its profile, so there is nothing to say.
void Quiet(cmsContext, cmsUInt32Number, const char*) {}

bool Fits(cmsHPROFILE profile, ColorProfileTransform::Input input)
{
    const cmsColorSpaceSignature space = cmsGetColorSpace(profile);
    switch (input) {
    case ColorProfileTransform::Input::Rgb:
        return space == cmsSigRgbData;
    case ColorProfileTransform::Input::Grey:
        return space == cmsSigGrayData;
    case ColorProfileTransform::Input::Cmyk:
    case ColorProfileTransform::Input::InvertedCmyk:
        return space == cmsSigCmykData;
    }
    return false;
}

cmsUInt32Number FormatOf(ColorProfileTransform::Input input)
{
    switch (input) {
    case ColorProfileTransform::Input::Rgb:
        return TYPE_RGB_8;
    case ColorProfileTransform::Input::Grey:
        return kGreyInRgb;
    case ColorProfileTransform::Input::Cmyk:
        return TYPE_CMYK_8;
    case ColorProfileTransform::Input::InvertedCmyk:
        return TYPE_CMYK_8_REV;
    }
    return TYPE_RGB_8;
}

} // namespace

std::unique_ptr<ColorProfileTransform> ColorProfileTransform::ToSrgb(const unsigned char* icc, std::size_t size,
                                                                     Input input) noexcept
{
    if (!icc || size == 0 || size > 0xFFFFFFFFu)
        return nullptr;
    // A context of its own: pictures load on several threads at once.
    cmsContext context = cmsCreateContext(nullptr, nullptr);
    if (!context)
        return nullptr;
    cmsSetLogErrorHandlerTHR(context, Quiet);
    cmsHTRANSFORM transform = nullptr;
    cmsHPROFILE source = cmsOpenProfileFromMemTHR(context, icc, cmsUInt32Number(size));
    cmsHPROFILE srgb = source ? cmsCreate_sRGBProfileTHR(context) : nullptr;
    if (source && srgb && Fits(source, input)) {
        const cmsProfileClassSignature kind = cmsGetDeviceClass(source);
        if (kind != cmsSigLinkClass && kind != cmsSigAbstractClass && kind != cmsSigNamedColorClass)
            transform = cmsCreateTransformTHR(context, source, FormatOf(input), srgb, TYPE_RGB_8,
                                              INTENT_PERCEPTUAL, 0);
    }
    if (srgb)
        cmsCloseProfile(srgb);
    if (source)
        cmsCloseProfile(source);
    if (!transform) {
        cmsDeleteContext(context);
        return nullptr;
    }
    const int bytes = input == Input::Cmyk || input == Input::InvertedCmyk ? 4 : 3;
    ColorProfileTransform* result = new (std::nothrow) ColorProfileTransform(context, transform, bytes);
    if (!result) {
        cmsDeleteTransform(transform);
        cmsDeleteContext(context);
    }
    return std::unique_ptr<ColorProfileTransform>(result);
}

ColorProfileTransform::~ColorProfileTransform()
{
    cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform_));
    cmsDeleteContext(static_cast<cmsContext>(context_));
}

void ColorProfileTransform::Convert(const unsigned char* in, unsigned char* out, std::size_t count) const noexcept
{
    // Little CMS counts pixels in 32 bits.
    constexpr std::size_t kChunk = std::size_t(1) << 30;
    while (count > 0) {
        const std::size_t n = count < kChunk ? count : kChunk;
        cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_), in, out, cmsUInt32Number(n));
        in += n * std::size_t(inputBytes_);
        out += n * 3;
        count -= n;
    }
}

void ColorProfileTransform::ConvertImage(QImage& picture) const
{
    if (picture.isNull() || inputBytes_ != 3)
        return;
    const QImage::Format format = picture.format();
    QImage rgb = format == QImage::Format_RGB888 ? std::move(picture) : picture.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y) {
        uchar* row = rgb.scanLine(y);
        Convert(row, row, std::size_t(rgb.width()));
    }
    picture = format == QImage::Format_RGB888 ? std::move(rgb) : rgb.convertToFormat(format);
}

} // namespace yotsumado
