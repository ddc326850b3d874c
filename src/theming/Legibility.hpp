#pragma once

#include "theming/Palette.hpp"

#include <vector>

namespace theming {

// The blurred wallpaper behind Control Center in the preview's picture.
Rgba backdropColour(Appearance appearance);

// Every glyph and text of the picture with what it is drawn on: each connectivity toggle in both
// its states, the sliders' glyphs on their fill and on their track, the modules' glyphs (and the
// wide tile's title) on their tiles in both states, the media texts on the media background, the
// status bar, status message and chevron on the wallpaper.
// Colours are composited as drawn (glyph over its background over its container over the
// backdrop), a stock glyph as the system draws it. Stock pairs never warn: several of Apple's own
// are below the minimum.
std::vector<LegibilityPair> legibilityPairs(const Palette& palette);

} // namespace theming
