#pragma once

#include "theming/Palette.hpp"

#include <string>

namespace theming {

// What switching to an appearance did with the preset assigned to it.
struct PresetApplication {
    enum class Outcome {
        NoneAssigned, // the persistent file names no preset for the appearance
        Applied, // the preset replaced the settings; both notifications were posted
        FileMissing, // the named preset has no file: nothing changed
        UnusableName, // the name would address a file outside the presets directory
        CopyFailed, // the settings file could not be replaced: nothing else changed
    };
    Outcome outcome { Outcome::NoneAssigned };
    std::string preset;
};

// Applies the preset assigned to `appearance` ("darkDefault" or "lightDefault" of the
// persistent file): its file replaces the settings file atomically, it becomes the current,
// saved preset, the update notification is posted, then the preset-changed notification on the
// distributed centre, so that an open presets page shows it.
PresetApplication applyAppearancePreset(Appearance appearance);

// One line for the palette table: `dark: preset "Night" applied`.
std::string describe(Appearance appearance, const PresetApplication& application);

std::string_view appearanceName(Appearance appearance);

} // namespace theming
