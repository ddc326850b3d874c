#pragma once

#include "imagetheme/Quantiser.hpp"
#include "theming/BundleLayouts.hpp"
#include "theming/VisionSimulation.hpp"

#include <map>
#include <string>
#include <vector>

namespace imagetheme {

struct ThemeColour {
    Srgb colour;
    double alpha { 1 };
};

// A foreground drawn over a stack of backgrounds: layers[0] lies directly beneath it, the last
// layer over the backdrop.
struct LegibilityPair {
    std::string foreground;
    std::vector<std::string> layers;
    double minimumRatio { 0 };
};

// Where a theme's colours go: the colour rows of the layout files and the enabled modules,
// whose colours are stored under "<identifier>Enabled" and "<identifier>Disabled".
struct ThemeTargets {
    std::vector<theming::ColourRowGroup> groups;
    std::vector<std::string> moduleIdentifiers;
};

struct Theme {
    std::map<std::string, ThemeColour> colours;
    std::vector<LegibilityPair> pairs;
    Srgb backdrop;
};

inline constexpr double kGlyphContrast = 3.0;
inline constexpr double kTextContrast = 4.5;
// What a theme from an image keeps besides, measured as drawn. A toggle's or module's enabled
// colour lies at least this CIEDE2000 distance from its disabled colour: told apart at a glance,
// not only side by side.
inline constexpr double kStateSeparation = 25.0;
// … and stays at least this far from it as seen with each colour vision deficiency the preview
// simulates (where often only lightness tells two colours apart), so no one takes one state
// for the other.
inline constexpr double kStateSeparationSeen = 15.0;
// Every container stands out from the wallpaper as seen (its mean colour under the tint) by at
// least WCAG's contrast for the parts that make up a control (1.4.11).
inline constexpr double kContainerContrast = 3.0;
// The glyphs and text drawn straight over the wallpaper (the status bar, the status message, the
// chevron) reach kTextContrast and kGlyphContrast against it like any other.

// Containers take the first dominant colour, moved in lightness as far as standing out from the
// wallpaper needs; disabled states and other backgrounds take the dominant colours (each dominant
// colour but the first unchanged on at least one background where the image has more than one),
// a disabled state muted and moved in lightness where it would be too close to its enabled
// state; enabled states and fills take the most colourful one; every glyph and text gets a colour
// that stands out from everything it is drawn over.
Theme mapTheme(const SourceColours& source, const ThemeTargets& targets);

// The least CIEDE2000 distance between two colours as each vision the preview simulates sees
// them (typical vision left out).
double leastSeparationSeen(Srgb first, Srgb second);

// The contrast a pair reaches with its colours composited over the backdrop.
double pairContrast(const Theme& theme, const LegibilityPair& pair);

} // namespace imagetheme
