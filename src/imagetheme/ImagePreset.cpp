#include "imagetheme/ImagePreset.hpp"

#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "theming/ColourValue.hpp"
#include "theming/EnabledModules.hpp"
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

void checkName(std::string_view name)
{
    if (name.empty())
        throw std::runtime_error("the preset name is empty");
    // A separator would put the file outside the presets folder.
    if (name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos)
        throw std::runtime_error("a preset name cannot contain \"/\"");
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
    std::string unique = uniquePresetName(name);
    if (!fw::writeToFile(preset, presetPath(unique)))
        throw std::runtime_error("the preset \"" + unique + "\" could not be written");
    return unique;
}

} // namespace

std::string createPresetFromImage(std::string_view imageBytes, std::string_view name)
{
    checkName(name);
    return createPresetFromInput(decodeForQuantiser(imageBytes), name);
}

std::string createPresetFromInput(const QuantiserInput& input, std::string_view name)
{
    checkName(name);
    return writeThemePreset(themeFromInput(input, readThemeTargets()), name);
}

std::string createPresetFromColour(const Rgba& seed, Harmony harmony, std::string_view name)
{
    checkName(name);
    return writeThemePreset(themeFromColour(seed, harmony, readThemeTargets()), name);
}

} // namespace imagetheme
