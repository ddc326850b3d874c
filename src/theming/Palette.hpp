#pragma once

#include "theming/ColourValue.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace theming {

enum class Appearance { Light, Dark };

// Where a resolved colour came from.
enum class ColourSource {
    Stored, // the settings file's value under the key
    Stock, // no value stored (or the tweak is off): the component's own colour
    Malformed, // a value is stored but cannot be read: the stock colour is used
    Pending, // the open picker shows this colour for the key; nothing is stored yet
};

struct ResolvedColour {
    std::string key;
    Rgba colour;
    ColourSource source { ColourSource::Stock };
};

// One colour row of a settings page: its label in the layout file and its colour.
struct ColourEntry {
    std::string label;
    ResolvedColour colour;
    bool shown { true }; // the settings pages show the row on this device
};

// The colour rows of one titled group of a page ("Connectivity" / "Wi-Fi").
struct ColourGroup {
    std::string layout; // the layout file's name without ".plist"
    std::string page;
    std::string area;
    std::vector<ColourEntry> entries;
};

// A connectivity toggle's colours in one of its states.
struct ToggleColours {
    ResolvedColour background;
    ResolvedColour glyph;
};

// A connectivity toggle as drawn: its colours are those of its present state; both states'
// colours are kept for whoever checks a state the toggle is not in.
struct ToggleSwatch {
    std::string name; // "wifi": what toggle() takes
    std::string title; // "Wi-Fi"
    bool enabled { false };
    ResolvedColour background;
    ResolvedColour glyph;
    ToggleColours enabledColours;
    ToggleColours disabledColours;
};

// One enabled Control Center module; its colour is that of its present state.
struct ModuleTile {
    std::string identifier; // the bundle's CFBundleIdentifier, the stem of its colour keys
    std::string name; // its display name, for drawing and for toggle()
    bool enabled { false };
    ResolvedColour colour;
    ResolvedColour enabledColour;
    ResolvedColour disabledColour;
    // The toggles page gives the module a row; a module without one stays stock.
    bool coloured { true };
};

// The tweaks the device has, found the way the settings pages find them.
struct DeviceTweaks {
    bool prysm { false };
    bool powerModule { false };
    bool bcxiWeather { false };
    bool ccRinger { false };

    bool operator==(const DeviceTweaks&) const = default;
};

struct SliderColours {
    ResolvedColour background;
    ResolvedColour fill;
    ResolvedColour glyph;
};

// A glyph or text and what it is drawn on, with the WCAG contrast of the two as composited.
struct LegibilityPair {
    std::string part; // "Wi-Fi glyph"
    std::string foreground; // the key of the glyph or text
    std::string background; // the key of the colour right behind it
    std::vector<std::string> layers; // the keys it is drawn over, the container first
    double ratio { 1 };
    double minimum { 3 }; // 4.5 for text, 3 for glyphs
    bool warn { false }; // below the minimum, and the user set one of the two colours
    // "enabled" or "disabled" for a part of a toggle or module in that state, else empty: every
    // state is measured, not only the one the toggle is in.
    std::string state;
};

// A toggle's or module's enabled state beside its disabled state, as each vision sees the two.
struct StateDifference {
    std::string part; // "Wi-Fi"
    std::string enabled; // the key of the enabled state's colour
    std::string disabled;
    // CIEDE2000 between the two as drawn, per vision in the order of kVisions.
    std::vector<double> difference;
    bool set { false }; // the user set one of the two colours
};

// Everything the preview draws, resolved from the device's files at the last re-read.
struct Palette {
    Appearance appearance { Appearance::Light };
    // What the last appearance switch did, for display ("dark: preset "Night" applied"), while
    // the settings are as the switch left them.
    std::optional<std::string> appearanceNote;
    // Changes whenever the wallpaper behind the picture does; 0 while there is none.
    std::uint64_t wallpaperRevision { 0 };
    // Changes whenever the device's tweaks, modules or version are replaced.
    std::uint64_t deviceRevision { 0 };
    bool tweakEnabled { true }; // "enabled": off leaves Control Center stock
    bool customToggleColours { true }; // "connectivityModeEnabled": off keeps stock toggles
    DeviceTweaks tweaks;

    ResolvedColour moduleBackground;
    ResolvedColour connectivityBackground;
    std::vector<ToggleSwatch> connectivity; // in the order applied at the last restart
    ResolvedColour mediaBackground;
    std::vector<ColourEntry> mediaControls;
    SliderColours brightness;
    SliderColours volume;
    std::vector<ModuleTile> modules; // in Control Center order

    // Every colour row of the bundle's pages (global rows left out), page by page, then the
    // toggles page's rows of both states.
    std::vector<ColourGroup> groups;

    // What the modules sit on in the picture (the wallpaper's mean colour, else the appearance's
    // gradient), and every glyph and text measured against it.
    Rgba backdrop;
    std::vector<LegibilityPair> legibility;
    // Every pair of states, to warn of those a person could confuse.
    std::vector<StateDifference> states;
};

} // namespace theming
