#pragma once

#include "imagetheme/ThemeMapping.hpp"

#include <optional>
#include <string_view>

namespace imagetheme {

// A theme grown from one colour: tonal steps of its hue in OKLCH (Björn Ottosson's perceptual
// space, in which equal steps of lightness look equal whatever the hue), laid out by a harmony,
// then mapped as a theme from an image is (every glyph and text at its contrast, every enabled
// state apart from its disabled one, also as each simulated vision sees them).
enum class Harmony {
    Monochrome, // every part in the seed's hue
    Analogous, // the neighbours 30° either side of it for the containers and backgrounds
    Complementary, // the opposite hue for the containers and backgrounds, the seed for the states
};

std::string_view harmonyName(Harmony harmony);
std::optional<Harmony> harmonyNamed(std::string_view name);

// OKLCH: lightness 0–1, chroma (0 to about 0.37 in sRGB), hue in degrees.
struct Oklch {
    double L { 0 };
    double C { 0 };
    double h { 0 };
};
Oklch toOklch(const Rgba& colour);
// The nearest colour sRGB can show: chroma reduced, at the same lightness and hue, until it fits.
Srgb fromOklch(const Oklch& colour);

// The colours a theme is built from, for `seed` (its alpha is not looked at).
SourceColours coloursFromSeed(const Rgba& seed, Harmony harmony);
Theme themeFromColour(const Rgba& seed, Harmony harmony, const ThemeTargets& targets);

} // namespace imagetheme
