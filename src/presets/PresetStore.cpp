#include "presets/PresetStore.hpp"

#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "foundation/StringCompare.hpp"
#include "store/Settings.hpp"
#include "store/SettingsStore.hpp"

#include <algorithm>

namespace qln {

std::optional<fw::Dictionary> persistentSettings;

namespace {

constexpr std::string_view kPresetSuffix = ".plist";

const std::string* stringSetting(std::string_view key)
{
    if (!persistentSettings)
        return nullptr;
    const fw::Value* value = fw::lookup(*persistentSettings, key);
    return value ? value->asString() : nullptr;
}

bool settingNames(std::string_view key, std::string_view name)
{
    const std::string* value = stringSetting(key);
    return value && *value == name;
}

void removeSettingNaming(std::string_view key, std::string_view name)
{
    if (!settingNames(key, name))
        return;
    persistentSettings->erase(persistentSettings->find(key));
}

void removeSetting(std::string_view key)
{
    auto it = persistentSettings->find(key);
    if (it != persistentSettings->end())
        persistentSettings->erase(it);
}

std::vector<std::string> sortedDirectoryEntries()
{
    auto names = fw::NSFileManager::defaultManager().contentsOfDirectoryAtPath(presetPath);
    if (!names)
        return {};
    std::stable_sort(names->begin(), names->end(), [](const std::string& a, const std::string& b) {
        return fw::localizedCaseInsensitiveCompare(a, b) < 0;
    });
    return std::move(*names);
}

PresetEntry entryFor(std::string name)
{
    PresetEntry entry;
    entry.active = settingNames(currentPresetKey, name);
    entry.unsaved = entry.active && PresetStore::isUnsaved();
    entry.darkDefault = settingNames(darkDefaultKey, name);
    entry.lightDefault = !entry.darkDefault && settingNames(lightDefaultKey, name);
    entry.name = std::move(name);
    return entry;
}

} // namespace

std::string PresetStore::presetFilePath(std::string_view name)
{
    std::string path(presetPath);
    path += name;
    path += kPresetSuffix;
    return path;
}

std::optional<std::string> PresetStore::nameProblem(std::string_view name)
{
    // Such names would address a file outside the presets directory, be cut short at the NUL,
    // never be written at all, or make the persistent file one that XML readers refuse.
    auto problem = fw::fileNameProblem(name, kPresetSuffix);
    if (!problem)
        return std::nullopt;
    switch (*problem) {
    case fw::NameProblem::Separator:
        return "A preset name cannot contain \"/\". Please choose another name.";
    case fw::NameProblem::NullCharacter:
        return "A preset name cannot contain a null character. Please choose another name.";
    case fw::NameProblem::TooLong:
        return "This name is too long for a preset. Please choose a shorter name.";
    case fw::NameProblem::NotXmlText:
        break;
    }
    return "A preset name cannot contain control characters or characters that a property list "
           "cannot store. Please choose another name.";
}

void PresetStore::createPresetDirectory()
{
    auto& manager = fw::NSFileManager::defaultManager();
    if (!manager.fileExistsAtPath(presetPath))
        manager.createDirectoryAtPath(presetPath, true);
}

std::vector<PresetEntry> PresetStore::listPresets()
{
    std::vector<std::string> names = sortedDirectoryEntries();
    persistentSettings = fw::dictionaryWithContentsOfFile(persistentFile);

    std::vector<PresetEntry> presets;
    for (const std::string& name : names) {
        if (!name.ends_with(kPresetSuffix))
            continue;
        presets.push_back(entryFor(name.substr(0, name.size() - kPresetSuffix.size())));
    }
    return presets;
}

std::optional<std::string> PresetStore::currentPreset()
{
    const std::string* name = stringSetting(currentPresetKey);
    if (!name)
        return std::nullopt;
    return *name;
}

bool PresetStore::isUnsaved()
{
    if (!persistentSettings)
        return false;
    const fw::Value* value = fw::lookup(*persistentSettings, unsavedKey);
    return value && value->boolValue();
}

void PresetStore::activate(std::string_view name)
{
    if (!persistentSettings)
        return;
    (*persistentSettings)[std::string(currentPresetKey)] = fw::Value(name);
    (*persistentSettings)[std::string(unsavedKey)] = fw::Value(false);
    writePersistentSettings();
}

PresetStore::CopyResult PresetStore::create(std::string_view name)
{
    std::string path = presetFilePath(name);
    auto& manager = fw::NSFileManager::defaultManager();
    if (manager.fileExistsAtPath(path))
        return CopyResult::NameTaken;
    if (!manager.copyItemAtPath(settingsFile, path))
        return CopyResult::Failed;
    return CopyResult::Copied;
}

PresetStore::CopyResult PresetStore::saveCurrent()
{
    std::optional<std::string> name = currentPreset();
    if (!name)
        return CopyResult::Missing;
    // A name recorded by another writer could point outside the presets directory.
    if (nameProblem(*name))
        return CopyResult::Failed;
    // Replaced in one step: removing the old file first would lose it when the copy fails.
    if (!fw::NSFileManager::defaultManager().replaceItemWithCopyOfItem(
            presetFilePath(*name), settingsFile))
        return CopyResult::Failed;
    return CopyResult::Copied;
}

PresetStore::CopyResult PresetStore::load(std::string_view name)
{
    std::string path = presetFilePath(name);
    auto& manager = fw::NSFileManager::defaultManager();
    // A preset that vanished since the list was built must not cost the live settings.
    if (!manager.fileExistsAtPath(path))
        return CopyResult::Missing;
    if (!manager.replaceItemWithCopyOfItem(settingsFile, path))
        return CopyResult::Failed;
    postUpdateNotification();
    return CopyResult::Copied;
}

bool PresetStore::removePresetFile(std::string_view name)
{
    auto& manager = fw::NSFileManager::defaultManager();
    std::string path = presetFilePath(name);
    // A file that is already gone counts as removed.
    return manager.removeItemAtPath(path) || !manager.fileExistsAtPath(path);
}

bool PresetStore::forgetPreset(std::string_view name)
{
    if (!persistentSettings)
        return false;
    bool wasCurrent = settingNames(currentPresetKey, name);
    removeSettingNaming(currentPresetKey, name);
    removeSettingNaming(lightDefaultKey, name);
    removeSettingNaming(darkDefaultKey, name);
    writePersistentSettings();
    return wasCurrent;
}

void PresetStore::setAsDefault(std::string_view name, std::string_view mode)
{
    if (!persistentSettings)
        return;
    bool dark = mode == "dark";
    std::string_view key = dark ? darkDefaultKey : lightDefaultKey;
    std::string_view otherKey = dark ? lightDefaultKey : darkDefaultKey;
    (*persistentSettings)[std::string(key)] = fw::Value(name);
    removeSettingNaming(otherKey, name);
    writePersistentSettings();
}

void PresetStore::removeDefaultForMode(std::string_view mode)
{
    if (!persistentSettings)
        return;
    removeSetting(mode == "dark" ? darkDefaultKey : lightDefaultKey);
    writePersistentSettings();
}

void PresetStore::writePersistentSettings()
{
    if (persistentSettings)
        fw::writeToFile(*persistentSettings, persistentFile);
}

} // namespace qln
