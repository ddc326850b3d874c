#pragma once

#include "foundation/Value.hpp"
#include "theming/Palette.hpp"

namespace theming {

// The palette as one property-list value, for a front end to serialise (to JSON, for the
// browser's preview). A colour is {"rgba": [r, g, b, a], "value": "#RRGGBB:a", "key": …,
// "source": "stored" | "stock" | "malformed"}; lists keep their order. Top-level keys:
// "appearance" ("light"/"dark"), "appearanceNote" (when there is one), "tweakEnabled",
// "customToggleColours", "moduleBackground", "connectivityBackground", "connectivity" (toggles:
// "name", "title", "enabled", "background", "glyph"), "mediaBackground", "mediaControls"
// ("label", "colour"), "brightness" and "volume" ("background", "fill", "glyph"), "modules"
// ("identifier", "name", "enabled", "colour") and "groups" ("layout", "page", "area",
// "entries").
fw::Value paletteValue(const Palette& palette);

} // namespace theming
