#pragma once

#include "foundation/Value.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qln {

// The presets page's copy of the persistent file, re-read every time the preset list is built.
// Absent while the persistent file is missing or unreadable: then every change is dropped.
extern std::optional<fw::Dictionary> persistentSettings;

// One listed preset with the marks its row shows.
struct PresetEntry {
    std::string name;
    bool active { false };
    bool unsaved { false };
    bool darkDefault { false };
    bool lightDefault { false };

    bool operator==(const PresetEntry&) const = default;
};

// The preset files and the preset state of the persistent file. The presets page calls these
// steps in the order of its own methods; none of them rebuilds the page.
class PresetStore {
public:
    enum class CopyResult {
        Copied,
        NameTaken, // Create: something already exists at the preset's path
        Missing, // Load: the preset file is gone; Save current: no current preset
        Failed, // the copy could not be made; nothing was replaced
    };

    // "%@%@.plist" with the presets directory and the name.
    static std::string presetFilePath(std::string_view name);
    // Why a name cannot be a preset file name ("/", NUL, too long), or nothing when it can.
    static std::optional<std::string> nameProblem(std::string_view name);

    // List, step 1: the presets directory, created with its parents when missing.
    static void createPresetDirectory();
    // List, steps 2 to 6: sorted names of the preset files with their marks; re-reads
    // persistentSettings on the way.
    static std::vector<PresetEntry> listPresets();

    static std::optional<std::string> currentPreset();
    static bool isUnsaved();

    // Activate: the name becomes current and the settings count as saved.
    static void activate(std::string_view name);
    // Create: copies the settings file to a new preset file; never overwrites.
    static CopyResult create(std::string_view name);
    // Save current: replaces the current preset's file by a copy of the settings file.
    static CopyResult saveCurrent();
    // Load: replaces the settings file by a copy of the preset file, then posts the update
    // notification.
    static CopyResult load(std::string_view name);

    // Delete, step 1: the preset file. True when no file is left at its path.
    static bool removePresetFile(std::string_view name);
    // Delete, steps 3 and 4: drops the keys that name the preset. True when it was current.
    static bool forgetPreset(std::string_view name);

    // setAsDefault:forMode: and removeDefaultForMode:. Any mode other than "dark" is light.
    static void setAsDefault(std::string_view name, std::string_view mode);
    static void removeDefaultForMode(std::string_view mode);

private:
    static void writePersistentSettings();
};

} // namespace qln
