#include "imagetheme/ImagePreset.hpp"

#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "theming/ColourValue.hpp"
#include "theming/EnabledModules.hpp"
#include "theming/PresetNames.hpp"
#include "theming/ThemingPaths.hpp"

#include <stdexcept>

namespace imagetheme {

namespace {

std::string presetPath(std::string_view name)
{
    return std::string(theming::presetsDirectory) + std::string(name)
        + std::string(theming::plistSuffix);
}

std::string colourValue(const ThemeColour& colour)
{
    return theming::storedColourValue(
        colour.colour.red, colour.colour.green, colour.colour.blue, colour.alpha);
}

} // namespace

ThemeTargets readThemeTargets()
{
    ThemeTargets targets;
    targets.groups = theming::readLayoutColourRows();
    for (const theming::EnabledModule& module : theming::readEnabledModules())
        targets.moduleIdentifiers.push_back(module.identifier);
    return targets;
}

Theme themeFromInput(const QuantiserInput& input, const ThemeTargets& targets)
{
    return mapTheme(scoreColours(quantise(input)), targets);
}

Theme themeFromImage(std::string_view imageBytes, const ThemeTargets& targets)
{
    return themeFromInput(decodeForQuantiser(imageBytes), targets);
}

fw::Dictionary presetFromTheme(const Theme& theme, fw::Dictionary defaults)
{
    for (const auto& [key, colour] : theme.colours)
        defaults[key] = fw::Value(colourValue(colour));
    return defaults;
}

std::string uniquePresetName(std::string_view name)
{
    auto& files = fw::NSFileManager::defaultManager();
    std::string candidate(name);
    for (int number = 2; files.fileExistsAtPath(presetPath(candidate)); ++number)
        candidate = std::string(name) + " " + std::to_string(number);
    return candidate;
}

namespace {

// Writes the theme as a new preset under the first free name from `name`; answers that name.
std::string writeThemePreset(const Theme& theme, std::string_view name)
{
    auto defaults = fw::dictionaryWithContentsOfFile(
        std::string(theming::bundleDirectory) + std::string(theming::defaultsFileName));
    fw::Dictionary preset = presetFromTheme(theme, defaults.value_or(fw::Dictionary {}));

    auto& files = fw::NSFileManager::defaultManager();
    files.createDirectoryAtPath(theming::presetsDirectory);
    // The number that makes the name unique must fit as well.
    std::string unique = uniquePresetName(name);
    std::string path = theming::checkedPresetPath(unique, theming::PresetUse::Write);
    if (!fw::writeToFile(preset, path))
        throw std::runtime_error("the preset \"" + unique + "\" could not be written");
    return unique;
}

} // namespace

std::string createPresetFromImage(std::string_view imageBytes, std::string_view name)
{
    theming::checkedPresetPath(name, theming::PresetUse::Write);
    return createPresetFromInput(decodeForQuantiser(imageBytes), name);
}

std::string createPresetFromInput(const QuantiserInput& input, std::string_view name)
{
    theming::checkedPresetPath(name, theming::PresetUse::Write);
    return writeThemePreset(themeFromInput(input, readThemeTargets()), name);
}

std::string createPresetFromColour(const Rgba& seed, Harmony harmony, std::string_view name)
{
    theming::checkedPresetPath(name, theming::PresetUse::Write);
    return writeThemePreset(themeFromColour(seed, harmony, readThemeTargets()), name);
}

} // namespace imagetheme
