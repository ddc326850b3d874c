#pragma once

#include "theming/ColourValue.hpp"

#include <array>
#include <optional>
#include <span>
#include <string_view>

namespace theming {

// How a colour looks to someone who sees colours differently, for a picture that shows the
// theme as they would see it. Protanopia, deuteranopia and tritanopia follow Machado, Oliveira
// and Fernandes, "A Physiologically-based Model for Simulation of Color Vision Deficiency"
// (IEEE TVCG 15(6), 2009), at severity 1.0: one 3×3 matrix per deficiency, applied to linear
// RGB. Achromatopsia (no colour vision) keeps only the luminance, Y of ITU-R BT.709.
enum class Vision { Typical, Protanopia, Deuteranopia, Tritanopia, Achromatopsia };

inline constexpr std::array<Vision, 5> kVisions { Vision::Typical, Vision::Protanopia,
    Vision::Deuteranopia, Vision::Tritanopia, Vision::Achromatopsia };

// "typical", "protanopia", "deuteranopia", "tritanopia", "achromatopsia".
std::string_view visionName(Vision vision);
std::optional<Vision> visionNamed(std::string_view name);

// Row-major: linear (r, g, b) becomes (m0 r + m1 g + m2 b, m3 r + …).
using VisionMatrix = std::array<double, 9>;
const VisionMatrix& visionMatrix(Vision vision);

// The colour as seen with `vision`: decoded to linear light, the matrix applied, clipped to the
// display's gamut, encoded again. Alpha is left as it is.
Rgba seenWith(const Rgba& colour, Vision vision);

} // namespace theming
