#pragma once

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

// A colour with straight (not premultiplied) alpha, components 0–1.
struct Rgba {
    double red { 0 };
    double green { 0 };
    double blue { 0 };
    double alpha { 1 };
};

Lab toLab(Srgb colour);
// Out-of-gamut colours are clipped to the nearest byte values.
Srgb toSrgb(const Lab& colour);
double chroma(const Lab& colour);
// CIEDE2000 colour difference.
double deltaE2000(const Lab& first, const Lab& second);

// WCAG 2 relative luminance and contrast ratio (1 to 21) of opaque colours.
double relativeLuminance(const Rgba& colour);
double contrastRatio(const Rgba& first, const Rgba& second);
// `top` drawn over `bottom` (source-over in sRGB, as browsers composite).
Rgba composite(const Rgba& top, const Rgba& bottom);

Rgba toRgba(Srgb colour, double alpha = 1.0);

} // namespace imagetheme
