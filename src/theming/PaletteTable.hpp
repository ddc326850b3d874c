#pragma once

#include "theming/Palette.hpp"

#include <string>

namespace theming {

// The palette as a plain-text table for a terminal: the parts of Control Center first (toggles
// in their order with their state, media controls, sliders, module tiles), then every colour of
// the settings pages by page and group. Each colour shows its value and where it came from.
std::string renderTable(const Palette& palette);

} // namespace theming
