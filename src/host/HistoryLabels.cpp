#include "host/HistoryLabels.hpp"

#include "foundation/Device.hpp"
#include "foundation/FileIO.hpp"
#include "foundation/PropertyList.hpp"
#include "host/PresetChanges.hpp"
#include "host/SessionState.hpp"
#include "sparkpicker/SparkColourPickerCell.hpp"
#include "store/Settings.hpp"
#include "uikit/UIAlertController.hpp"

#include <nlohmann/json.hpp>

namespace host {

using nlohmann::json;

namespace {

std::optional<RowAddress> addressOf(const json& row)
{
    RowAddress address;
    if (row.is_number_integer()) {
        address.index = row.get<int>();
        return address;
    }
    if (!row.is_object())
        return std::nullopt;
    auto text = [&](const char* name) -> std::optional<std::string> {
        auto it = row.find(name);
        return it != row.end() && it->is_string() ? std::optional(it->get<std::string>())
                                                  : std::nullopt;
    };
    address.title = text("title");
    address.key = text("key");
    address.fileName = text("fileName");
    auto section = row.find("section");
    auto inSection = row.find("row");
    if (section != row.end() && section->is_number_integer() && inSection != row.end()
        && inSection->is_number_integer()) {
        address.section = section->get<int>();
        address.row = inSection->get<int>();
    }
    return address;
}

// A title that several groups share ("Background") is named with its group ("Wi-Fi
// Background").
std::map<std::string, std::string> rowNamesOf(const std::vector<TableRow>& rows)
{
    // Only rows count: a group titled like its one row ("Background Style") needs no prefix.
    std::map<std::string, int> titleCount;
    for (auto& row : rows) {
        if (row.specifier->cellType() != fw::PSGroupCell)
            ++titleCount[row.specifier->name()];
    }
    std::map<std::string, std::string> names;
    std::string group;
    for (auto& row : rows) {
        auto& specifier = *row.specifier;
        if (specifier.cellType() == fw::PSGroupCell) {
            group = specifier.name();
            continue;
        }
        auto* key = specifier.stringForKey("key");
        if (!key)
            continue;
        auto title = specifier.name();
        bool shared = titleCount[title] > 1 && !group.empty();
        names.emplace(*key, shared ? group + " " + title : title);
    }
    return names;
}

std::string nameOfRow(const std::map<std::string, std::string>& names, const TableRow& row)
{
    if (auto* key = row.specifier->stringForKey("key")) {
        if (auto found = names.find(*key); found != names.end())
            return found->second;
    }
    return row.specifier->name();
}

std::string curlyQuoted(const std::string& text)
{
    return "\u201c" + text + "\u201d";
}

std::string presetName(const std::string& path)
{
    std::string name = path.substr(qln::presetPath.size());
    if (name.ends_with(".plist"))
        name.resize(name.size() - 6);
    return name;
}

std::optional<fw::Dictionary> dictionaryIn(const history::FileSet& files, std::string_view path)
{
    auto found = files.find(std::string(path));
    if (found == files.end())
        return std::nullopt;
    auto value = fw::parsePropertyList(found->second);
    if (!value || !value->asDictionary())
        return std::nullopt;
    return *value->asDictionary();
}

std::vector<std::string> changedKeys(const history::ChangeSet& changes)
{
    auto before = dictionaryIn(changes.before, qln::settingsFile).value_or(fw::Dictionary {});
    auto after = dictionaryIn(changes.after, qln::settingsFile).value_or(fw::Dictionary {});
    std::vector<std::string> keys;
    for (auto& [key, value] : before) {
        const fw::Value* now = fw::lookup(after, key);
        if (!now || !(*now == value))
            keys.push_back(key);
    }
    for (auto& [key, value] : after) {
        if (!fw::lookup(before, key))
            keys.push_back(key);
    }
    return keys;
}

// The preset a change loaded: the persistent file names it as current and saved, and the
// settings are now its bytes.
std::optional<std::string> loadedPreset(const history::ChangeSet& changes)
{
    auto settings = changes.after.find(std::string(qln::settingsFile));
    auto persistent = dictionaryIn(changes.after, qln::persistentFile);
    if (settings == changes.after.end() || !persistent)
        return std::nullopt;
    const fw::Value* current = fw::lookup(*persistent, qln::currentPresetKey);
    const fw::Value* unsaved = fw::lookup(*persistent, qln::unsavedKey);
    if (!current || !current->asString() || (unsaved && unsaved->boolValue()))
        return std::nullopt;
    auto presetFile = std::string(qln::presetPath) + *current->asString() + ".plist";
    auto bytes = fw::readFileContents(fw::Device::resolve(presetFile), fw::kMaxPropertyListBytes);
    if (!bytes || *bytes != settings->second)
        return std::nullopt;
    return *current->asString();
}

// Loading the preset that was current, over its unsaved edits, is going back to it.
bool discardedEdits(const history::ChangeSet& changes, const std::string& preset)
{
    auto before = dictionaryIn(changes.before, qln::persistentFile);
    if (!before)
        return false;
    const fw::Value* current = fw::lookup(*before, qln::currentPresetKey);
    const fw::Value* unsaved = fw::lookup(*before, qln::unsavedKey);
    return current && current->asString() && *current->asString() == preset && unsaved
        && unsaved->boolValue();
}

std::string loadLabel(const history::ChangeSet& changes, const std::string& preset)
{
    return (discardedEdits(changes, preset) ? "Discard Changes to " : "Load ")
        + curlyQuoted(preset);
}

std::optional<std::string> presetLabel(
    const EventContext& context, const history::ChangeSet& changes)
{
    std::vector<std::string> created, removed, modified;
    for (auto& path : changes.paths) {
        if (!path.starts_with(qln::presetPath))
            continue;
        bool before = changes.before.contains(path);
        bool after = changes.after.contains(path);
        (before && after ? modified : before ? removed : created).push_back(presetName(path));
    }
    if (!removed.empty())
        return (created.empty() ? "Delete " : "Rename ") + curlyQuoted(removed.front());
    if (!created.empty())
        return (context.alertTitle == "Import Preset" ? "Import " : "Save ")
            + curlyQuoted(created.front());
    if (!modified.empty() && !changes.after.contains(std::string(qln::settingsFile)))
        return "Save " + curlyQuoted(modified.front());
    return std::nullopt;
}

std::string settingsLabel(const EventContext& context, const history::ChangeSet& changes,
    const std::vector<std::string>& keys)
{
    if (auto preset = loadedPreset(changes))
        return loadLabel(changes, *preset);
    if (context.event == "move" && !context.pageTitle.empty())
        return context.pageTitle;
    if (keys.size() == 1) {
        if (auto found = context.rowNames.find(keys.front()); found != context.rowNames.end())
            return found->second;
    }
    if (context.rowTitle) {
        if (context.rootPage || context.pageTitle.empty())
            return *context.rowTitle;
        return *context.rowTitle + " \u2014 " + context.pageTitle;
    }
    if (keys.size() == 1)
        return keys.front();
    return "Change Settings";
}

} // namespace

EventContext captureContext(
    SessionState& state, std::string_view eventJson, const EventContext& previous)
{
    EventContext context;
    auto event = json::parse(eventJson, nullptr, false);
    if (event.is_object() && event.contains("event") && event["event"].is_string())
        context.event = event["event"].get<std::string>();
    auto page = state.topPage();
    if (!page)
        return context;
    context.pageTitle = page->navigationItem().title;
    context.rootPage = &page->isa() == fw::principalClass();
    auto rows = tableRows(*page);
    context.rowNames = rowNamesOf(rows);
    auto modal = state.modal();
    if (auto picker = std::dynamic_pointer_cast<fw::SparkColourPickerViewController>(modal)) {
        if (auto row = rowContainingView(*page, rows, picker->cell().get()))
            context.rowTitle = nameOfRow(context.rowNames, *row);
        return context;
    }
    if (auto alert = std::dynamic_pointer_cast<fw::UIAlertController>(modal)) {
        context.rowTitle = previous.rowTitle;
        context.alertTitle = alert->title;
        if (event.contains("button") && event["button"].is_string())
            context.alertButton = event["button"].get<std::string>();
        return context;
    }
    if (!event.contains("row"))
        return context;
    auto address = addressOf(event["row"]);
    auto row = address ? findRow(rows, *address) : std::nullopt;
    if (row)
        context.rowTitle = nameOfRow(context.rowNames, *row);
    return context;
}

int changedColourCount(const history::ChangeSet& changes)
{
    auto before = dictionaryIn(changes.before, qln::settingsFile).value_or(fw::Dictionary {});
    auto after = dictionaryIn(changes.after, qln::settingsFile).value_or(fw::Dictionary {});
    auto isColour = [](const fw::Value* value) {
        return value && value->asString() && value->asString()->starts_with("#");
    };
    int count = 0;
    for (auto& key : changedKeys(changes)) {
        if (isColour(fw::lookup(before, key)) || isColour(fw::lookup(after, key)))
            ++count;
    }
    return count;
}

history::StepName nameStep(const EventContext& context, const history::ChangeSet& changes)
{
    if (auto label = presetLabel(context, changes))
        return { *label, {} };
    bool settingsChanged = false;
    for (auto& path : changes.paths)
        settingsChanged = settingsChanged || path == qln::settingsFile;
    if (!settingsChanged) {
        if (!context.alertButton.empty() && !context.alertTitle.empty())
            return { context.alertButton + " " + curlyQuoted(context.alertTitle), {} };
        return { context.rowTitle.value_or("Change Presets"), {} };
    }
    auto keys = changedKeys(changes);
    history::StepName name { settingsLabel(context, changes, keys), {} };
    int colours = changedColourCount(changes);
    // Replacing the whole settings is worth a word even when few colours differed.
    bool replacedAll = name.label.starts_with("Load ") || name.label.starts_with("Discard ")
        || name.label == "Reset All Settings";
    if (colours > 1 || replacedAll)
        name.notice = name.label + ": " + std::to_string(colours)
            + (colours == 1 ? " colour changed." : " colours changed.");
    return name;
}

history::StepName nameForeignStep(const history::ChangeSet& changes)
{
    auto label = presetLabel(EventContext {}, changes);
    bool settingsChanged = changes.after.contains(std::string(qln::settingsFile))
        || changes.before.contains(std::string(qln::settingsFile));
    if (!label && settingsChanged) {
        if (auto preset = loadedPreset(changes)) {
            label = loadLabel(changes, *preset);
        } else if (auto keys = changedKeys(changes); keys.size() == 1) {
            label = rowTitleOfKey(keys.front());
        }
    }
    if (!label)
        return history::foreignChange(changes);
    return { *label, "Another program changed the settings: " + *label + "." };
}

history::History& labelledHistory()
{
    auto& shared = history::History::shared();
    static const bool named = (shared.nameForeignChangesWith(nameForeignStep), true);
    (void)named;
    return shared;
}

} // namespace host
