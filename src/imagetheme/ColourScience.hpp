#pragma once

#include "theming/Contrast.hpp"

#include <compare>
#include <cstdint>

namespace imagetheme {

// An sRGB colour in bytes, as the settings store it.
struct Srgb {
    std::uint8_t red { 0 };
    std::uint8_t green { 0 };
    std::uint8_t blue { 0 };

    bool operator==(const Srgb&) const = default;
    auto operator<=>(const Srgb&) const = default;
};

// CIELAB (D50, as Little CMS works in it).
struct Lab {
    double L { 0 };
    double a { 0 };
    double b { 0 };
};

// A colour with straight (not premultiplied) alpha, components 0–1: the theming component's,
// so that a generated theme is judged by the same contrast model the preview warns with.
using Rgba = theming::Rgba;
using theming::contrastRatio;
using theming::relativeLuminance;

Lab toLab(Srgb colour);
// Out-of-gamut colours are clipped to the nearest byte values.
Srgb toSrgb(const Lab& colour);
double chroma(const Lab& colour);
// CIEDE2000 colour difference.
double deltaE2000(const Lab& first, const Lab& second);

// `top` drawn over `bottom` (source-over in sRGB, as browsers composite).
inline Rgba composite(const Rgba& top, const Rgba& bottom)
{
    return theming::over(top, bottom);
}

Rgba toRgba(Srgb colour, double alpha = 1.0);

} // namespace imagetheme
