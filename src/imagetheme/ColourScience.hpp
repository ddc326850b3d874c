#pragma once

#include "theming/ColourDifference.hpp"
#include "theming/Contrast.hpp"

namespace imagetheme {

// The colour science is the theming component's, which measures the preview's states with it;
// a theme from an image is judged with the same.
using theming::chroma;
using theming::deltaE2000;
using theming::Lab;
using theming::Srgb;
using theming::toLab;
using theming::toSrgb;

// A colour with straight (not premultiplied) alpha, components 0–1: the theming component's,
// so that a generated theme is judged by the same contrast model the preview warns with.
using Rgba = theming::Rgba;
using theming::contrastRatio;
using theming::relativeLuminance;

// `top` drawn over `bottom` (source-over in sRGB, as browsers composite).
inline Rgba composite(const Rgba& top, const Rgba& bottom)
{
    return theming::over(top, bottom);
}

Rgba toRgba(Srgb colour, double alpha = 1.0);

} // namespace imagetheme
