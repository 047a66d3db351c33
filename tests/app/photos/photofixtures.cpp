#include "photofixtures.h"

#include "codec/codectools.h"

#include <QFile>

#include <lcms2.h>

#include <cstdlib>

namespace photos {

namespace {

void Put16(QByteArray& b, unsigned v, bool big)
{
    if (big) {
        b.append(char(v >> 8));
        b.append(char(v & 0xff));
    } else {
        b.append(char(v & 0xff));
        b.append(char(v >> 8));
    }
}

void Put32(QByteArray& b, quint32 v, bool big)
{
    Put16(b, big ? v >> 16 : v & 0xffff, big);
    Put16(b, big ? v & 0xffff : v >> 16, big);
}

QByteArray Marker(int code, const QByteArray& payload)
{
    QByteArray m;
    m.append(char(0xff));
    m.append(char(code));
    Put16(m, unsigned(payload.size() + 2), true);
    return m + payload;
}

QByteArray SaveProfile(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    QByteArray bytes;
    if (profile && cmsSaveProfileToMem(profile, nullptr, &size)) {
        bytes.resize(qsizetype(size));
        cmsSaveProfileToMem(profile, bytes.data(), &size);
    }
    if (profile)
        cmsCloseProfile(profile);
    return bytes;
}

} // namespace

QByteArray QuarterJpeg()
{
    codectest::JpegRecipe r;
    r.width = kWidth;
    r.height = kHeight;
    r.pixel = [](int x, int y, unsigned char* s) {
        const QRgb c = kQuarter[size_t((y >= kHeight / 2 ? 2 : 0) + (x >= kWidth / 2 ? 1 : 0))];
        s[0] = uchar(qRed(c));
        s[1] = uchar(qGreen(c));
        s[2] = uchar(qBlue(c));
    };
    return codectest::MakeJpeg(r);
}

QByteArray DetailedJpeg(int width, int height)
{
    codectest::JpegRecipe r;
    r.width = width;
    r.height = height;
    r.pixel = [](int x, int y, unsigned char* s) {
        const unsigned h = unsigned(x) * 2654435761u ^ unsigned(y) * 2246822519u;
        s[0] = uchar(x * 7 ^ (h >> 27));
        s[1] = uchar(y * 5 ^ (h >> 24 & 0x1f));
        s[2] = uchar(h >> 16);
    };
    return codectest::MakeJpeg(r);
}

QByteArray ExifPayload(int value, bool bigEndian)
{
    QByteArray b("Exif\0\0", 6);
    b.append(bigEndian ? "MM" : "II");
    Put16(b, 42, bigEndian);
    Put32(b, 8, bigEndian);        // first directory right after the header
    Put16(b, 2, bigEndian);        // two entries
    Put16(b, 0x010f, bigEndian);   // Make, ASCII, 4 bytes inline: "Cam"
    Put16(b, 2, bigEndian);
    Put32(b, 4, bigEndian);
    b.append("Cam\0", 4);
    Put16(b, 0x0112, bigEndian);   // Orientation, SHORT, one value
    Put16(b, 3, bigEndian);
    Put32(b, 1, bigEndian);
    Put16(b, unsigned(value), bigEndian);
    Put16(b, 0, bigEndian);
    Put32(b, 0, bigEndian);        // no next directory
    return b;
}

QByteArray WithApp1(const QByteArray& jpeg, const QByteArray& payload)
{
    return jpeg.left(2) + Marker(0xe1, payload) + jpeg.mid(2);
}

QByteArray WithIccProfile(const QByteArray& jpeg, const QByteArray& icc)
{
    constexpr qsizetype kChunk = 60000;
    const int count = int((icc.size() + kChunk - 1) / kChunk);
    QByteArray markers;
    for (int i = 0; i < count; ++i) {
        QByteArray payload("ICC_PROFILE\0", 12);
        payload.append(char(i + 1));
        payload.append(char(count));
        payload.append(icc.mid(i * kChunk, kChunk));
        markers.append(Marker(0xe2, payload));
    }
    return jpeg.left(2) + markers + jpeg.mid(2);
}

QByteArray WideGamutProfile()
{
    cmsCIExyY white;
    cmsWhitePointFromTemp(&white, 6504);
    const cmsCIExyYTRIPLE primaries = {{0.6400, 0.3300, 1.0}, {0.2100, 0.7100, 1.0}, {0.1500, 0.0600, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(gamma);
    return SaveProfile(profile);
}

namespace {

// CMYK (0..1 each, as 16-bit samples) to Lab encoded for the profile's
// connection space.
int InkToLab(const cmsUInt16Number in[], cmsUInt16Number out[], void*)
{
    const double c = in[0] / 65535.0, m = in[1] / 65535.0, y = in[2] / 65535.0, k = in[3] / 65535.0;
    cmsCIELab lab;
    lab.L = 100.0 * (1 - k) * (1 - 0.25 * (c + m + y));
    lab.a = 60.0 * (m - c) * (1 - k);
    lab.b = 60.0 * (y - 0.5 * (c + m)) * (1 - k);
    cmsFloat2LabEncoded(out, &lab);
    return 1;
}

} // namespace

QByteArray CmykProfile()
{
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigInputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage* table = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
    cmsStageSampleCLut16bit(table, InkToLab, nullptr, 0);
    // A table alone cannot be stored: the tag's layout wants curves on both sides.
    cmsPipelineInsertStage(pipeline, cmsAT_BEGIN, table);
    cmsPipelineInsertStage(pipeline, cmsAT_BEGIN, cmsStageAllocToneCurves(nullptr, 4, nullptr));
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(profile, cmsSigAToB0Tag, pipeline);
    cmsPipelineFree(pipeline);
    cmsMLU* text = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(text, "en", "US", "test CMYK");
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
    cmsMLUfree(text);
    return SaveProfile(profile);
}

QByteArray LinearGreyProfile()
{
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), linear);
    cmsFreeToneCurve(linear);
    return SaveProfile(profile);
}

int QuarterOf(QRgb c, int tolerance)
{
    for (size_t i = 0; i < kQuarter.size(); ++i) {
        const QRgb q = kQuarter[i];
        if (std::abs(qRed(c) - qRed(q)) <= tolerance && std::abs(qGreen(c) - qGreen(q)) <= tolerance
            && std::abs(qBlue(c) - qBlue(q)) <= tolerance)
            return int(i);
    }
    return -1;
}

std::array<int, 4> CornerQuarters(const QImage& picture)
{
    const int r = picture.width() - 1, b = picture.height() - 1;
    return {QuarterOf(picture.pixel(0, 0)), QuarterOf(picture.pixel(r, 0)), QuarterOf(picture.pixel(0, b)),
            QuarterOf(picture.pixel(r, b))};
}

} // namespace photos
