#pragma once

#include "presets/BundleDevice.hpp"
#include "presets/QLNPresetsController.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Driving the presets page as the user does.
namespace bundletest {

using qln::QLNPresetsController;

inline std::shared_ptr<fw::PSSpecifier> presetRow(QLNPresetsController& page, std::string_view name)
{
    for (const auto& row : page.specifiers()) {
        const std::string* fileName = row->stringForKey("fileName");
        if (fileName && *fileName == name)
            return row;
    }
    return nullptr;
}

inline std::vector<std::string> presetNames(QLNPresetsController& page)
{
    std::vector<std::string> names;
    for (const auto& row : page.specifiers()) {
        if (const std::string* fileName = row->stringForKey("fileName"))
            names.push_back(*fileName);
    }
    return names;
}

// Taps a row of the layout file by its title ("New Preset", "Import Preset").
inline void tapButton(QLNPresetsController& page, std::string_view title)
{
    for (const auto& row : page.specifiers()) {
        if (row->name() == title) {
            page.tapSpecifier(row);
            return;
        }
    }
}

inline void createPreset(QLNPresetsController& page, const std::string& name)
{
    tapButton(page, "New Preset");
    choose(page, "Save", { name });
}

// Opens the preset's action sheet and chooses one of its actions.
inline bool choosePresetAction(
    QLNPresetsController& page, std::string_view name, std::string_view action)
{
    page.tapSpecifier(presetRow(page, name));
    return choose(page, action);
}

inline bool saveEnabled(QLNPresetsController& page)
{
    const auto& button = page.navigationItem().rightBarButtonItem;
    return button && button->enabled;
}

struct PresetState {
    std::optional<std::string> current;
    bool unsaved { false };
    bool operator==(const PresetState&) const = default;
};

inline PresetState presetState(const BundleDevice& device)
{
    auto persistent = device.persistent();
    PresetState state;
    if (const fw::Value* current = fw::lookup(persistent, "currentPreset"))
        state.current = *current->asString();
    if (const fw::Value* unsaved = fw::lookup(persistent, "unsaved"))
        state.unsaved = unsaved->boolValue();
    return state;
}

inline void writeSetting(const std::string& key, fw::Value value)
{
    auto settings = fw::dictionaryWithContentsOfFile(qln::settingsFile);
    (*settings)[key] = std::move(value);
    fw::writeToFile(*settings, qln::settingsFile);
}

} // namespace bundletest
