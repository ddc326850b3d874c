#include "host/PresetFiles.hpp"

#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "theming/ThemingPaths.hpp"

#include <algorithm>

namespace host {

namespace {

std::string presetPath(std::string_view name)
{
    if (name.empty())
        throw PresetFileRefused("the preset name is empty");
    // A separator would reach outside the presets folder.
    if (name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos)
        throw PresetFileRefused("a preset name cannot contain \"/\"");
    return std::string(theming::presetsDirectory) + std::string(name)
        + std::string(theming::plistSuffix);
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
    return fw::NSFileManager::defaultManager().contentsAtPath(presetPath(name));
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
    std::string path = presetPath(name);
    auto value = fw::parsePropertyList(bytes);
    if (!value || !value->asDictionary())
        throw PresetFileRefused("the file is not a property-list dictionary");
    auto& files = fw::NSFileManager::defaultManager();
    if (files.fileExistsAtPath(path))
        throw PresetFileRefused("a preset named \"" + std::string(name) + "\" already exists");
    files.createDirectoryAtPath(theming::presetsDirectory);
    if (!fw::writeToFile(*value->asDictionary(), path))
        throw PresetFileRefused("the preset could not be stored");
}

} // namespace host
