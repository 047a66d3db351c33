// Writes a wide-gamut RGB colour profile (Adobe RGB's primaries, D65,
// gamma 2.2), such as cameras embed, for the benchmark's profiled photo.
// Usage: bench_profile FILE

#include <lcms2.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_profile FILE\n");
        return 2;
    }
    cmsCIExyY white;
    cmsWhitePointFromTemp(&white, 6504);
    const cmsCIExyYTRIPLE primaries = {{0.6400, 0.3300, 1.0}, {0.2100, 0.7100, 1.0}, {0.1500, 0.0600, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(gamma);
    const bool ok = profile && cmsSaveProfileToFile(profile, argv[1]);
    if (profile)
        cmsCloseProfile(profile);
    return ok ? 0 : 1;
}
