#include "theming/ColourDifference.hpp"

#include <algorithm>
#include <cmath>
#include <lcms2.h>

namespace theming {

namespace {

// Transforms without a cache are safe to share between threads.
struct Transforms {
    cmsHTRANSFORM bytesToLab { nullptr };
    cmsHTRANSFORM componentsToLab { nullptr };
    cmsHTRANSFORM fromLab { nullptr };

    Transforms()
    {
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
        bytesToLab = cmsCreateTransform(
            srgb, TYPE_RGB_8, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE);
        componentsToLab = cmsCreateTransform(
            srgb, TYPE_RGB_DBL, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE);
        fromLab = cmsCreateTransform(
            lab, TYPE_Lab_DBL, srgb, TYPE_RGB_DBL, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE);
        cmsCloseProfile(srgb);
        cmsCloseProfile(lab);
    }
};

const Transforms& transforms()
{
    static const Transforms shared;
    return shared;
}

std::uint8_t toByte(double component)
{
    if (!(component > 0.0))
        return 0;
    if (component >= 1.0)
        return 255;
    return static_cast<std::uint8_t>(std::lround(component * 255.0));
}

} // namespace

Lab toLab(Srgb colour)
{
    std::uint8_t in[3] = { colour.red, colour.green, colour.blue };
    cmsCIELab out {};
    cmsDoTransform(transforms().bytesToLab, in, &out, 1);
    return { out.L, out.a, out.b };
}

Lab toLab(const Rgba& colour)
{
    double in[3] = { std::clamp(colour.red, 0.0, 1.0), std::clamp(colour.green, 0.0, 1.0),
        std::clamp(colour.blue, 0.0, 1.0) };
    cmsCIELab out {};
    cmsDoTransform(transforms().componentsToLab, in, &out, 1);
    return { out.L, out.a, out.b };
}

Srgb toSrgb(const Lab& colour)
{
    cmsCIELab in { colour.L, colour.a, colour.b };
    double out[3] = { 0, 0, 0 };
    cmsDoTransform(transforms().fromLab, &in, out, 1);
    return { toByte(out[0]), toByte(out[1]), toByte(out[2]) };
}

double chroma(const Lab& colour)
{
    return std::hypot(colour.a, colour.b);
}

double deltaE2000(const Lab& first, const Lab& second)
{
    cmsCIELab one { first.L, first.a, first.b };
    cmsCIELab two { second.L, second.a, second.b };
    return cmsCIE2000DeltaE(&one, &two, 1.0, 1.0, 1.0);
}

} // namespace theming
