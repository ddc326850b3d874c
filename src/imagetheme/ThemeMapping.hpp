#pragma once

#include "imagetheme/Quantiser.hpp"
#include "theming/BundleLayouts.hpp"

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

// Containers, disabled states and other backgrounds take the dominant colours (each dominant
// colour unchanged on at least one background); enabled states and fills take the most colourful
// one; every glyph and text gets a colour that stands out from everything it is drawn over.
Theme mapTheme(const SourceColours& source, const ThemeTargets& targets);

// The contrast a pair reaches with its colours composited over the backdrop.
double pairContrast(const Theme& theme, const LegibilityPair& pair);

} // namespace imagetheme
