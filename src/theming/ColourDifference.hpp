#pragma once

#include "theming/ColourValue.hpp"

#include <compare>
#include <cstdint>

namespace theming {

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

Lab toLab(Srgb colour);
// Components 0–1 as they are, not rounded to bytes; alpha is not looked at, so composite first.
Lab toLab(const Rgba& colour);
// Out-of-gamut colours are clipped to the nearest byte values.
Srgb toSrgb(const Lab& colour);
double chroma(const Lab& colour);
// CIEDE2000 colour difference.
double deltaE2000(const Lab& first, const Lab& second);

} // namespace theming
