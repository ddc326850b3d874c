#pragma once

#include "theming/ColourValue.hpp"

#include <string_view>

namespace theming {

// The colour a part of Control Center has when the settings hold none for its key: the look of
// a stock Control Center. Exact keys first, then patterns of the key's name (backgrounds dark and
// translucent, glyphs and text white, disabled toggles grey and translucent, enabled toggles and
// modules by their own colour), white otherwise.
Rgba stockColour(std::string_view key);

} // namespace theming
