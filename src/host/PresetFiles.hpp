#pragma once

#include "foundation/Value.hpp"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// Presets as files, beside the exchange string: a preset's file as it is for download, and a
// property-list dictionary (XML or binary) from a file stored as a new preset in the XML form.
class PresetFileRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The names of the presets, sorted.
std::vector<std::string> presetNames();

// The preset file's bytes; nullopt when there is no such preset. Throws PresetFileRefused for a
// name that would leave the presets folder.
std::optional<std::string> exportPresetFile(std::string_view name);

// The preset's dictionary, to show it without loading it; nullopt when there is no such preset.
// Throws PresetFileRefused for a name that would leave the presets folder, or for a file that is
// no property-list dictionary.
std::optional<fw::Dictionary> presetDictionary(std::string_view name);

// Stores `bytes` as the new preset `name`. Throws PresetFileRefused when the bytes are no
// property-list dictionary, the name is empty, holds "/" or is taken, or the write fails.
void importPresetFile(std::string_view name, std::string_view bytes);

} // namespace host
