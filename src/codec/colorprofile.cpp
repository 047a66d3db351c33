#include "codec/colorprofile.h"

#include "codec/memorybudget.h"

#include <lcms2.h>
#include <lcms2_plugin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace yotsumado {

namespace {

// ---- What a profile may look like ---------------------------------------------
//
// Little CMS builds whatever a profile describes, and a profile can describe
// the same work many times over: a multiProcessElements tag lists elements by
// offset, so a few kilobytes can name one small element thousands of times,
// and the library reads each and walks the whole pipeline on every insert
// (minutes and gigabytes). The shape of the profile is looked at first, and
// what no real profile has is refused. The bounds are far above what camera,
// display and print profiles carry (sRGB, Adobe RGB, ProPhoto, Display P3 and
// the CMYK profiles of icc-profiles-free have at most 20 or so tags, one to a
// few elements per processing tag and tables of a few MB).

// Little CMS's own limit on tags.
constexpr std::uint32_t kMaxTags = 100;
// Processing elements in one multiProcessElements tag.
constexpr std::uint32_t kMaxElements = 64;
// Channels of a pipeline (Little CMS takes at most 15).
constexpr std::uint32_t kMaxChannels = 15;
constexpr std::size_t kHeaderBytes = 128;

std::uint32_t Read32(const unsigned char* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::uint32_t Read16(const unsigned char* p)
{
    return std::uint32_t(p[0]) << 8 | p[1];
}

bool Is(const unsigned char* p, const char (&signature)[5])
{
    return std::memcmp(p, signature, 4) == 0;
}

// Whether a table of `inputs` dimensions of `grid` points each (one count for
// all, or one per dimension) of `outputs` samples of `bytes` each fits in
// `room` bytes.
bool TableFits(const unsigned char* grid, bool gridPerDimension, std::uint32_t inputs, std::uint32_t outputs,
               std::uint32_t bytes, std::size_t room)
{
    if (inputs == 0 || outputs == 0 || inputs > kMaxChannels || outputs > kMaxChannels)
        return false;
    std::uint64_t size = std::uint64_t(outputs) * bytes;
    for (std::uint32_t i = 0; i < inputs && size <= room; ++i)
        size *= gridPerDimension ? grid[i] : grid[0];
    return size <= room;
}

// A multiProcessElements tag of `size` bytes: a few elements, each inside the
// tag, none sharing its bytes with another.
bool ElementsSane(const unsigned char* tag, std::size_t size)
{
    if (size < 16)
        return false;
    const std::uint32_t count = Read32(tag + 12);
    if (Read16(tag + 8) > kMaxChannels || Read16(tag + 10) > kMaxChannels || count == 0 || count > kMaxElements ||
        16 + std::size_t(count) * 8 > size)
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = Read32(tag + 16 + 8 * i);
        const std::size_t bytes = Read32(tag + 20 + 8 * i);
        if (at < 16 + std::size_t(count) * 8 || bytes < 12 || at > size || bytes > size - at)
            return false;
        for (std::uint32_t j = 0; j < i; ++j) {
            const std::size_t otherAt = Read32(tag + 16 + 8 * j);
            if (at < otherAt + Read32(tag + 20 + 8 * j) && otherAt < at + bytes)
                return false;
        }
        const unsigned char* e = tag + at;
        // A table element: its grid of 32-bit samples within the element.
        if (Is(e, "clut") && (bytes < 28 || !TableFits(e + 12, true, Read16(e + 8), Read16(e + 10), 4, bytes - 28)))
            return false;
    }
    return true;
}

// A lut tag (lut8, lut16, lutAtoB, lutBtoA) whose table fits in its bytes.
bool TableSane(const unsigned char* tag, std::size_t size)
{
    if (size < 12)
        return false;
    const std::uint32_t inputs = tag[8];
    const std::uint32_t outputs = tag[9];
    if (Is(tag, "mft1") || Is(tag, "mft2")) {
        const std::size_t header = Is(tag, "mft1") ? 48 : 52;
        return size >= header && TableFits(tag + 10, false, inputs, outputs, Is(tag, "mft1") ? 1 : 2, size - header);
    }
    if (size < 32)
        return false;
    const std::size_t clut = Read32(tag + 24);
    if (clut == 0)
        return true;
    return clut <= size && size - clut >= 20 &&
        TableFits(tag + clut, true, inputs, outputs, std::max<std::uint32_t>(1, tag[clut + 16]), size - clut - 20);
}

// The profile's header and tags: a tag table of at most kMaxTags entries,
// every tag inside the profile, tags either sharing the very same bytes (as
// the three tone curves of many RGB profiles do) or none of them, and the
// processing and table tags each sane in itself.
bool ShapeSane(const unsigned char* icc, std::size_t size)
{
    if (size < kHeaderBytes + 4 || !Is(icc + 36, "acsp"))
        return false;
    const std::size_t declared = Read32(icc);
    if (declared < kHeaderBytes + 4 || declared > size)
        return false;
    const std::uint32_t count = Read32(icc + kHeaderBytes);
    const std::size_t first = kHeaderBytes + 4 + std::size_t(count) * 12;
    if (count > kMaxTags || first > declared)
        return false;
    const unsigned char* table = icc + kHeaderBytes + 4;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = Read32(table + 12 * i + 4);
        const std::size_t bytes = Read32(table + 12 * i + 8);
        if (at < first || bytes < 8 || at > declared || bytes > declared - at)
            return false;
        for (std::uint32_t j = 0; j < i; ++j) {
            const std::size_t otherAt = Read32(table + 12 * j + 4);
            const std::size_t otherBytes = Read32(table + 12 * j + 8);
            const bool same = at == otherAt && bytes == otherBytes;
            if (!same && at < otherAt + otherBytes && otherAt < at + bytes)
                return false;
        }
        const unsigned char* tag = icc + at;
        if (Is(tag, "mpet") && !ElementsSane(tag, bytes))
            return false;
        if ((Is(tag, "mft1") || Is(tag, "mft2") || Is(tag, "mAB ") || Is(tag, "mBA ")) && !TableSane(tag, bytes))
            return false;
    }
    return true;
}

// ---- What building a transform may take ---------------------------------------
//
// Little CMS allocates through the context's memory handler, which holds it
// to a cap of its own and, while the transform is being built, to the load's
// budget. It also counts the allocations: past kMaxAllocations the handler
// fails, the library gives up and the picture is shown without its profile,
// so even a shape the checks above let through cannot keep it busy for long.
// Building the transform of a real profile takes a few hundred allocations
// and a few MB; what the transform keeps after (its tables, at most a few
// hundred KB) stays within the cap.

constexpr qint64 kProfileMemoryCap = qint64(32) << 20;
constexpr qint64 kMaxAllocations = 100000;

struct ProfileMemory {
    std::mutex lock;
    qint64 held = 0;
    qint64 allocations = 0;
    // The load's budget, while the transform is being built.
    BudgetShare building;
};

// Ahead of each block: who gave it and its size. 16 bytes keep the block
// aligned as malloc's.
struct alignas(16) BlockHeader {
    ProfileMemory* owner;
    std::size_t size;
};

void* Allocate(cmsContext context, cmsUInt32Number size)
{
    // The context itself is made and freed with a context that has no user
    // data yet: that one block is not counted.
    auto* memory = static_cast<ProfileMemory*>(cmsGetContextUserData(context));
    if (memory) {
        const std::lock_guard<std::mutex> guard(memory->lock);
        if (memory->allocations >= kMaxAllocations || size > kProfileMemoryCap - memory->held ||
            (memory->building.Budget() && !memory->building.Grow(size)))
            return nullptr;
        ++memory->allocations;
        memory->held += size;
    }
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!header) {
        if (memory) {
            const std::lock_guard<std::mutex> guard(memory->lock);
            memory->held -= size;
            memory->building.ShrinkTo(memory->building.Bytes() - size);
        }
        return nullptr;
    }
    *header = {memory, size};
    return header + 1;
}

void Free(cmsContext, void* block)
{
    if (!block)
        return;
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    if (ProfileMemory* memory = header->owner) {
        const std::lock_guard<std::mutex> guard(memory->lock);
        memory->held -= qint64(header->size);
        memory->building.ShrinkTo(memory->building.Bytes() - qint64(header->size));
    }
    std::free(header);
}

void* Reallocate(cmsContext context, void* block, cmsUInt32Number size)
{
    void* moved = Allocate(context, size);
    if (moved && block) {
        const std::size_t old = (static_cast<BlockHeader*>(block) - 1)->size;
        std::memcpy(moved, block, old < size ? old : size);
        Free(context, block);
    }
    return moved;
}

cmsPluginMemHandler kCountedMemory = {
    {cmsPluginMagicNumber, LCMS_VERSION, cmsPluginMemHandlerSig, nullptr},
    Allocate, Free, Reallocate, nullptr, nullptr, nullptr,
};

// A grey picture arrives as R G B with equal samples: the transform reads
// the first of the three as the grey value and skips the other two.
constexpr cmsUInt32Number kGreyInRgb = COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(2);

// Little CMS reports problems through a handler; the picture just loads
// without its profile, so there is nothing to say.
void Quiet(cmsContext, cmsUInt32Number, const char*) {}

bool Fits(cmsHPROFILE profile, ColorProfileTransform::Input input)
{
    // As a number: a profile may name a space the enumeration lacks.
    const cmsUInt32Number space = static_cast<cmsUInt32Number>(cmsGetColorSpace(profile));
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
                                                                     Input input, MemoryBudget* budget) noexcept
{
    if (!icc || size > 0xFFFFFFFFu || !ShapeSane(icc, size))
        return nullptr;
    // A context of its own: pictures load on several threads at once.
    std::unique_ptr<ProfileMemory> memory(new (std::nothrow) ProfileMemory);
    if (!memory)
        return nullptr;
    if (budget)
        memory->building = BudgetShare(*budget);
    cmsContext context = cmsCreateContext(&kCountedMemory, memory.get());
    if (!context)
        return nullptr;
    cmsSetLogErrorHandlerTHR(context, Quiet);
    cmsHTRANSFORM transform = nullptr;
    cmsHPROFILE source = cmsOpenProfileFromMemTHR(context, icc, cmsUInt32Number(size));
    cmsHPROFILE srgb = source ? cmsCreate_sRGBProfileTHR(context) : nullptr;
    if (source && srgb && Fits(source, input)) {
        const cmsUInt32Number kind = static_cast<cmsUInt32Number>(cmsGetDeviceClass(source));
        if (kind != cmsSigLinkClass && kind != cmsSigAbstractClass && kind != cmsSigNamedColorClass)
            transform = cmsCreateTransformTHR(context, source, FormatOf(input), srgb, TYPE_RGB_8,
                                              INTENT_PERCEPTUAL, 0);
    }
    if (srgb)
        cmsCloseProfile(srgb);
    if (source)
        cmsCloseProfile(source);
    {
        // Built: what the transform keeps is held to the cap alone.
        const std::lock_guard<std::mutex> guard(memory->lock);
        memory->building = BudgetShare();
    }
    if (!transform) {
        cmsDeleteContext(context);
        return nullptr;
    }
    const int bytes = input == Input::Cmyk || input == Input::InvertedCmyk ? 4 : 3;
    ColorProfileTransform* result = new (std::nothrow) ColorProfileTransform(context, transform, memory.get(), bytes);
    if (!result) {
        cmsDeleteTransform(transform);
        cmsDeleteContext(context);
        return nullptr;
    }
    memory.release();
    return std::unique_ptr<ColorProfileTransform>(result);
}

ColorProfileTransform::~ColorProfileTransform()
{
    cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform_));
    cmsDeleteContext(static_cast<cmsContext>(context_));
    delete static_cast<ProfileMemory*>(memory_);
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

std::unique_ptr<ColorProfileTransform> ColorProfileTransform::FromDescription(const Chromaticities& c,
                                                                              Transfer transfer, double gamma,
                                                                              Input input, MemoryBudget* budget) noexcept
{
    const double xy[] = {c.whiteX, c.whiteY, c.redX, c.redY, c.greenX, c.greenY, c.blueX, c.blueY};
    for (double v : xy)
        if (!(v > 0.0 && v < 1.0))
            return nullptr;
    if (transfer == Transfer::Gamma && !(gamma >= 0.1 && gamma <= 10.0))
        return nullptr;
    const Chromaticities& s = kSrgbChromaticities;
    const double srgb[] = {s.whiteX, s.whiteY, s.redX, s.redY, s.greenX, s.greenY, s.blueX, s.blueY};
    bool primariesAreSrgb = true;
    for (int i = 0; i < 8; ++i)
        primariesAreSrgb = primariesAreSrgb && std::abs(xy[i] - srgb[i]) < 0.0005;
    if (primariesAreSrgb && transfer == Transfer::Srgb)
        return nullptr;

    // The description made into a profile, then treated as any profile is:
    // one way of building, checking and budgeting transforms.
    cmsContext context = cmsCreateContext(nullptr, nullptr);
    if (!context)
        return nullptr;
    cmsSetLogErrorHandlerTHR(context, Quiet);
    cmsToneCurve* curve = nullptr;
    switch (transfer) {
    case Transfer::Srgb: {
        const cmsFloat64Number p[] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
        curve = cmsBuildParametricToneCurve(context, 4, p);
        break;
    }
    case Transfer::Bt709: {
        const cmsFloat64Number p[] = {1.0 / 0.45, 1.0 / 1.099, 0.099 / 1.099, 1.0 / 4.5, 0.081};
        curve = cmsBuildParametricToneCurve(context, 4, p);
        break;
    }
    case Transfer::Linear: curve = cmsBuildGamma(context, 1.0); break;
    case Transfer::Gamma: curve = cmsBuildGamma(context, gamma); break;
    }
    std::unique_ptr<ColorProfileTransform> result;
    if (curve) {
        const cmsCIExyY white{c.whiteX, c.whiteY, 1.0};
        const cmsCIExyYTRIPLE primaries{{c.redX, c.redY, 1.0}, {c.greenX, c.greenY, 1.0}, {c.blueX, c.blueY, 1.0}};
        cmsToneCurve* curves[3] = {curve, curve, curve};
        cmsHPROFILE profile = cmsCreateRGBProfileTHR(context, &white, &primaries, curves);
        cmsUInt32Number size = 0;
        if (profile && cmsSaveProfileToMem(profile, nullptr, &size) && size > 0 && size < (1u << 20)) {
            std::vector<unsigned char> icc(size);
            if (cmsSaveProfileToMem(profile, icc.data(), &size))
                result = ToSrgb(icc.data(), size, input, budget);
        }
        if (profile)
            cmsCloseProfile(profile);
        cmsFreeToneCurve(curve);
    }
    cmsDeleteContext(context);
    return result;
}

void ColorProfileTransform::ConvertImage(QImage& picture) const
{
    if (picture.isNull() || inputBytes_ != 3)
        return;
    const QImage::Format format = picture.format();
    if (format == QImage::Format_ARGB32) {
        // Each row through a buffer of R G B, the alpha left where it is.
        std::vector<unsigned char> rgb(std::size_t(picture.width()) * 3);
        for (int y = 0; y < picture.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x) {
                rgb[3 * x] = uchar(qRed(row[x]));
                rgb[3 * x + 1] = uchar(qGreen(row[x]));
                rgb[3 * x + 2] = uchar(qBlue(row[x]));
            }
            Convert(rgb.data(), rgb.data(), rgb.size() / 3);
            for (int x = 0; x < picture.width(); ++x)
                row[x] = qRgba(rgb[3 * x], rgb[3 * x + 1], rgb[3 * x + 2], qAlpha(row[x]));
        }
        return;
    }
    QImage rgb = format == QImage::Format_RGB888 ? std::move(picture) : picture.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y) {
        uchar* row = rgb.scanLine(y);
        Convert(row, row, std::size_t(rgb.width()));
    }
    picture = format == QImage::Format_RGB888 ? std::move(rgb) : rgb.convertToFormat(format);
}

} // namespace yotsumado
