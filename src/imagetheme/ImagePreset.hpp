#pragma once

#include "foundation/Value.hpp"
#include "imagetheme/ColourTheme.hpp"
#include "imagetheme/ThemeMapping.hpp"

#include <string>
#include <string_view>

namespace imagetheme {

// The keys a theme colours on the device: the layout files' colour rows and the enabled modules.
ThemeTargets readThemeTargets();

// From the quantiser's input to a theme: quantise, score, map. Throws ImageRefused.
Theme themeFromInput(const QuantiserInput& input, const ThemeTargets& targets);

// From image bytes to a theme: decode, quantise, score, map. Throws ImageRefused.
Theme themeFromImage(std::string_view imageBytes, const ThemeTargets& targets);

// A preset holds a whole settings file: the bundle's defaults (so switches and the connectivity
// order are the shipped ones, and the same image always gives the same file) with every colour
// of the theme in the stored colour value form.
fw::Dictionary presetFromTheme(const Theme& theme, fw::Dictionary defaults);

// The first of "NAME", "NAME 2", "NAME 3"… that no preset file uses yet.
std::string uniquePresetName(std::string_view name);

// Writes a new preset made from the image and returns its name; the settings, the current
// preset and the unsaved flag are left alone. Throws ImageRefused for the image, or
// std::runtime_error for a bad name or a failed write (then no file is left).
std::string createPresetFromImage(std::string_view imageBytes, std::string_view name);
// The same from an image already reduced to the quantiser's input (a stored wallpaper): the same
// image gives the same preset either way.
std::string createPresetFromInput(const QuantiserInput& input, std::string_view name);
// The same from one colour and a harmony (see ColourTheme.hpp): the same colour always gives
// the same preset.
std::string createPresetFromColour(const Rgba& seed, Harmony harmony, std::string_view name);

} // namespace imagetheme
