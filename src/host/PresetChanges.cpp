#include "host/PresetChanges.hpp"

#include "foundation/Device.hpp"
#include "foundation/FileIO.hpp"
#include "foundation/PropertyList.hpp"
#include "store/Settings.hpp"
#include "theming/BundleLayouts.hpp"

#include <filesystem>
#include <map>

namespace host {

namespace {

struct RowPlace {
    std::string page;
    std::string title;
};

std::optional<fw::Dictionary> readDictionary(std::string_view devicePath)
{
    auto bytes = fw::readFileContents(fw::Device::resolve(devicePath), fw::kMaxPropertyListBytes);
    auto value = bytes ? fw::parsePropertyList(*bytes) : std::nullopt;
    if (!value || !value->asDictionary())
        return std::nullopt;
    return *value->asDictionary();
}

const std::string* stringIn(const fw::Dictionary& dictionary, std::string_view key)
{
    const fw::Value* value = fw::lookup(dictionary, key);
    return value ? value->asString() : nullptr;
}

std::string suffixState(const std::string& key)
{
    return key.ends_with("Disabled") ? "Disabled" : key.ends_with("Enabled") ? "Enabled" : "";
}

// A row belongs to a state only when the page has the same row for the other state too
// ("wifiEnabled" and "wifiDisabled"; not "connectivityModeEnabled").
template <class Places> std::string stateOf(const std::string& key, const Places& places)
{
    for (auto [state, other] : { std::pair { "Enabled", "Disabled" }, { "Disabled", "Enabled" } }) {
        std::string_view suffix = state;
        if (!key.ends_with(suffix) || key.size() == suffix.size())
            continue;
        auto counterpart = key.substr(0, key.size() - suffix.size()) + other;
        return places.contains(counterpart) ? state : std::string();
    }
    return {};
}

// Where each key's row is, from the bundle's page layouts: a title that several groups of a
// page share ("Background") is named with its group.
std::map<std::string, RowPlace> rowPlaces()
{
    std::map<std::string, RowPlace> places;
    for (const theming::PageLayout& layout : theming::readPageLayouts()) {
        // Rows of the two states share their titles: only a title repeated within one state
        // needs its group.
        std::map<std::string, int> labelCount;
        for (const theming::LayoutRow& row : layout.rows) {
            if (!row.key.empty() && !row.label.empty())
                ++labelCount[row.label + "|" + suffixState(row.key)];
        }
        for (const theming::LayoutRow& row : layout.rows) {
            if (row.key.empty() || row.label.empty() || places.contains(row.key))
                continue;
            bool shared
                = labelCount[row.label + "|" + suffixState(row.key)] > 1 && !row.group.empty();
            places[row.key] = { layout.title, shared ? row.group + " " + row.label : row.label };
        }
    }
    return places;
}

std::optional<std::string> shown(const fw::Value* value)
{
    if (!value)
        return std::nullopt;
    if (auto* text = value->asString())
        return *text;
    if (auto* flag = value->asBool())
        return *flag ? "On" : "Off";
    if (auto* number = value->asInteger())
        return std::to_string(*number);
    if (auto number = value->numberValue())
        return std::to_string(*number);
    return "(other value)";
}

} // namespace

std::optional<PresetChanges> unsavedPresetChanges()
{
    auto persistent = readDictionary(qln::persistentFile);
    if (!persistent)
        return std::nullopt;
    const fw::Value* unsaved = fw::lookup(*persistent, qln::unsavedKey);
    const std::string* preset = stringIn(*persistent, qln::currentPresetKey);
    if (!unsaved || !unsaved->boolValue() || !preset || preset->find('/') != std::string::npos)
        return std::nullopt;
    auto saved = readDictionary(std::string(qln::presetPath) + *preset + ".plist");
    auto now = readDictionary(qln::settingsFile);
    if (!saved || !now)
        return std::nullopt;
    PresetChanges changes { *preset, {} };
    auto places = rowPlaces();
    auto add = [&](const std::string& key) {
        ChangedRow row { key, {}, key, {}, shown(fw::lookup(*saved, key)),
            shown(fw::lookup(*now, key)) };
        if (auto place = places.find(key); place != places.end()) {
            row.page = place->second.page;
            row.title = place->second.title;
            row.state = stateOf(key, places);
        }
        changes.rows.push_back(std::move(row));
    };
    for (auto& [key, value] : *saved) {
        const fw::Value* current = fw::lookup(*now, key);
        if (!current || !(*current == value))
            add(key);
    }
    for (auto& [key, value] : *now) {
        if (!fw::lookup(*saved, key))
            add(key);
    }
    return changes;
}

std::optional<std::string> rowTitleOfKey(const std::string& key)
{
    auto places = rowPlaces();
    auto place = places.find(key);
    if (place == places.end())
        return std::nullopt;
    return place->second.title;
}

} // namespace host
