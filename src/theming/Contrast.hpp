#pragma once

#include "theming/ColourValue.hpp"

namespace theming {

// `top` painted over `bottom`, both with straight alpha.
Rgba over(const Rgba& top, const Rgba& bottom);

// WCAG 2.x relative luminance of the colour's components (alpha is not looked at).
double relativeLuminance(const Rgba& colour);

// WCAG 2.x contrast ratio, 1 to 21, of two opaque colours.
double contrastRatio(const Rgba& a, const Rgba& b);

} // namespace theming
