#pragma once

#include "foundation/Value.hpp"
#include "theming/BundleLayouts.hpp"
#include "theming/EnabledModules.hpp"
#include "theming/Palette.hpp"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace theming {

// What the component read from the device's files at its last re-read.
struct DeviceSnapshot {
    fw::Dictionary settings; // empty when the settings file is missing or unreadable
    std::vector<ColourRowGroup> layout;
    std::vector<EnabledModule> modules;
    DeviceTweaks tweaks;
    bool moduleServices { true }; // the toggles page can list the modules
};

// The colour the open picker shows for the keys it would write, before anything is stored.
struct PendingColour {
    std::vector<std::string> keys;
    Rgba colour;

    bool operator==(const PendingColour&) const = default;
};

// Which toggles and modules are on, by toggle name and module identifier; absent means the
// toggle's initial state, and off for modules.
using OnStates = std::map<std::string, bool, std::less<>>;

struct PaletteInput {
    const DeviceSnapshot& snapshot;
    const std::vector<std::string>& order; // toggle names, as applied at the last restart
    const OnStates& toggleStates;
    const OnStates& moduleStates;
    Appearance appearance { Appearance::Light };
    const PendingColour* pending { nullptr };
    const Rgba* wallpaper { nullptr }; // the wallpaper's mean colour, when one is set
};

Palette resolvePalette(const PaletteInput& input);

// The stored colour under `key`, or the stock colour when there is none or it is malformed.
// With `useStored` false the stock colour, whatever is stored.
ResolvedColour resolveColour(
    const fw::Dictionary& settings, std::string_view key, bool useStored = true);

// The toggle names in the order of "connectivityPosition0" to "connectivityPosition5": class
// names the component does not know, repeats and gaps are skipped, and toggles the settings do
// not place follow in stock order, so the module always shows all six.
std::vector<std::string> connectivityOrder(const fw::Dictionary& settings);

// Whether the settings pages show a row of `layout` with this "feature" on a device with these
// tweaks: the pages' own rules, so the preview draws what the user can set.
bool rowShown(std::string_view layout, std::string_view feature, const DeviceTweaks& tweaks);

} // namespace theming
