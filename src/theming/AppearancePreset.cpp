#include "theming/AppearancePreset.hpp"

#include "foundation/NSFileManager.hpp"
#include "foundation/Notifications.hpp"
#include "foundation/PropertyList.hpp"
#include "theming/ThemingPaths.hpp"

namespace theming {

namespace {

using Outcome = PresetApplication::Outcome;

std::optional<std::string> assignedPreset(const fw::Dictionary* persistent, Appearance appearance)
{
    if (!persistent)
        return std::nullopt;
    const fw::Value* value = fw::lookup(
        *persistent, appearance == Appearance::Dark ? darkDefaultKey : lightDefaultKey);
    const std::string* name = value ? value->asString() : nullptr;
    if (!name)
        return std::nullopt;
    return *name;
}

// A preset name is a file name in the presets directory; anything that could climb out of it
// would let the persistent file pick an arbitrary device file as the new settings.
bool isUsableName(std::string_view name)
{
    return name.find('/') == std::string_view::npos && name != "." && name != "..";
}

// Same read-modify-write as every writer of the persistent file; a missing file stays missing.
void markActive(const std::string& preset)
{
    auto persistent = fw::dictionaryWithContentsOfFile(persistentFile);
    if (!persistent)
        return;
    (*persistent)[std::string(currentPresetKey)] = fw::Value(preset);
    (*persistent)[std::string(unsavedKey)] = fw::Value(false);
    fw::writeToFile(*persistent, persistentFile);
}

} // namespace

PresetApplication applyAppearancePreset(Appearance appearance)
{
    auto persistent = fw::dictionaryWithContentsOfFile(persistentFile);
    auto preset = assignedPreset(persistent ? &*persistent : nullptr, appearance);
    if (!preset)
        return { Outcome::NoneAssigned, {} };
    if (!isUsableName(*preset))
        return { Outcome::UnusableName, *preset };
    std::string presetFile = std::string(presetsDirectory) + *preset + std::string(plistSuffix);
    auto& files = fw::NSFileManager::defaultManager();
    if (!files.fileExistsAtPath(presetFile))
        return { Outcome::FileMissing, *preset };
    if (!files.replaceItemWithCopyOfItem(settingsFile, presetFile))
        return { Outcome::CopyFailed, *preset };
    markActive(*preset);
    fw::DarwinNotifyCenter::center().postNotification(updateNotification);
    fw::NSDistributedNotificationCenter::defaultCenter().postNotificationName(
        presetChangedNotification);
    return { Outcome::Applied, *preset };
}

std::string_view appearanceName(Appearance appearance)
{
    return appearance == Appearance::Dark ? "dark" : "light";
}

std::string describe(Appearance appearance, const PresetApplication& application)
{
    std::string line = std::string(appearanceName(appearance)) + ": ";
    std::string quoted = "preset \"" + application.preset + "\"";
    switch (application.outcome) {
    case Outcome::NoneAssigned:
        return line + "no preset assigned; settings unchanged";
    case Outcome::Applied:
        return line + quoted + " applied";
    case Outcome::FileMissing:
        return line + quoted + " has no preset file; settings unchanged";
    case Outcome::UnusableName:
        return line + quoted + " is not a preset file name; settings unchanged";
    case Outcome::CopyFailed:
        return line + quoted + " could not replace the settings; settings unchanged";
    }
    return line;
}

} // namespace theming
