#include "host/PresetFiles.hpp"

#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "theming/PresetNames.hpp"
#include "theming/ThemingPaths.hpp"

#include <algorithm>

namespace host {

namespace {

std::string presetPath(std::string_view name, theming::PresetUse use)
{
    try {
        return theming::checkedPresetPath(name, use);
    } catch (const theming::PresetNameRefused& refusal) {
        throw PresetFileRefused(refusal.what());
    }
}

} // namespace

std::vector<std::string> presetNames()
{
    auto entries
        = fw::NSFileManager::defaultManager().contentsOfDirectoryAtPath(theming::presetsDirectory);
    std::vector<std::string> names;
    for (const std::string& entry : entries.value_or(std::vector<std::string> {})) {
        if (entry.size() > theming::plistSuffix.size() && entry.ends_with(theming::plistSuffix))
            names.push_back(entry.substr(0, entry.size() - theming::plistSuffix.size()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> exportPresetFile(std::string_view name)
{
    return fw::NSFileManager::defaultManager().contentsAtPath(
        presetPath(name, theming::PresetUse::Read));
}

std::optional<fw::Dictionary> presetDictionary(std::string_view name)
{
    auto bytes = exportPresetFile(name);
    if (!bytes)
        return std::nullopt;
    auto value = fw::parsePropertyList(*bytes);
    if (!value || !value->asDictionary())
        throw PresetFileRefused(
            "the preset \"" + std::string(name) + "\" is not a readable property-list dictionary");
    return *value->asDictionary();
}

void importPresetFile(std::string_view name, std::string_view bytes)
{
    std::string path = presetPath(name, theming::PresetUse::Write);
    auto value = fw::parsePropertyList(bytes);
    if (!value || !value->asDictionary())
        throw PresetFileRefused("the file is not a property-list dictionary");
    auto& files = fw::NSFileManager::defaultManager();
    if (files.fileExistsAtPath(path))
        throw PresetFileRefused("a preset named \"" + std::string(name) + "\" already exists");
    files.createDirectoryAtPath(theming::presetsDirectory);
    if (!fw::isRepresentableAsXml(*value))
        throw PresetFileRefused("the file holds text or dates that the XML form of a property "
                                "list cannot store");
    if (!fw::writeToFile(*value->asDictionary(), path))
        throw PresetFileRefused("the preset could not be stored on the device");
}

} // namespace host
