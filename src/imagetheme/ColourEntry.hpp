#pragma once

#include "theming/ColourValue.hpp"

#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace imagetheme {

// A colour as a person types or pastes it, read as the picker's text field in the browser reads
// it (resources/web/colour-entry.js), so the command line and the browser take the same text:
// #RGB, #RGBA, #RRGGBB, #RRGGBBAA (alpha last), six or eight hex digits without "#", the stored
// form "#RRGGBB:alpha", rgb()/rgba() and hsl()/hsla() with commas or spaces and an optional
// "/ alpha", and the CSS colour names. Anything else is refused, with what is wrong as a
// sentence.
struct ColourEntryProblem {
    std::string message;
};
std::variant<theming::Rgba, ColourEntryProblem> readColourEntry(std::string_view text);

// The CSS colour names (CSS Color Module Level 4) with their values as 0xRRGGBB; the same table
// as the browser's colour-names.js.
struct NamedColour {
    std::string_view name;
    unsigned value;
};
std::span<const NamedColour> cssColourNames();

} // namespace imagetheme
