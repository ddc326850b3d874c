#pragma once

#include <optional>
#include <string>
#include <vector>

namespace host {

// One stored value that differs between the current preset as saved and the settings now.
struct ChangedRow {
    std::string key;
    std::string page; // the page that shows the row, or empty
    std::string title; // the row's title ("Wi-Fi Background"), or the key
    std::string state; // "Enabled", "Disabled" or empty
    std::optional<std::string> saved;
    std::optional<std::string> now;
};

struct PresetChanges {
    std::string preset;
    std::vector<ChangedRow> rows;
};

// What changed since the current preset was saved; nullopt when no preset is current or it has
// no unsaved changes.
std::optional<PresetChanges> unsavedPresetChanges();

// How the row that stores `key` is called where the user sees it ("Wi-Fi Background"), from
// the bundle's page layouts; nullopt for a key no layout shows.
std::optional<std::string> rowTitleOfKey(const std::string& key);

} // namespace host
