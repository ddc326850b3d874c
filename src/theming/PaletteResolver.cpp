#include "theming/PaletteResolver.hpp"

#include "theming/ConnectivityToggles.hpp"
#include "theming/StockColours.hpp"
#include "theming/ThemingPaths.hpp"

#include <algorithm>

namespace theming {

namespace {

// A switch of the settings; on when absent, as the settings pages show it.
bool settingIsOn(const fw::Dictionary& settings, std::string_view key)
{
    const fw::Value* value = fw::lookup(settings, key);
    return !value || value->boolValue();
}

std::string stateKey(std::string_view stem, bool enabled)
{
    return std::string(stem) + std::string(enabled ? enabledSuffix : disabledSuffix);
}

bool isOn(const OnStates& states, std::string_view name, bool initially)
{
    auto found = states.find(name);
    return found == states.end() ? initially : found->second;
}

const ConnectivityToggle* toggleNamed(std::string_view name)
{
    auto found = std::find_if(connectivityToggles.begin(), connectivityToggles.end(),
        [&](const ConnectivityToggle& t) { return t.name == name; });
    return found == connectivityToggles.end() ? nullptr : &*found;
}

std::vector<ToggleSwatch> resolveToggles(const PaletteInput& input, bool useStored)
{
    std::vector<ToggleSwatch> swatches;
    for (const std::string& name : input.order) {
        const ConnectivityToggle* toggle = toggleNamed(name);
        if (!toggle)
            continue;
        bool on = isOn(input.toggleStates, toggle->name, toggle->initiallyEnabled);
        const auto& settings = input.snapshot.settings;
        std::string glyphStem = std::string(toggle->name) + "Glyph";
        swatches.push_back({ std::string(toggle->name), std::string(toggle->title), on,
            resolveColour(settings, stateKey(toggle->name, on), useStored),
            resolveColour(settings, stateKey(glyphStem, on), useStored) });
    }
    return swatches;
}

std::vector<ModuleTile> resolveModules(const PaletteInput& input, bool useStored)
{
    std::vector<ModuleTile> tiles;
    for (const EnabledModule& module : input.snapshot.modules) {
        bool on = isOn(input.moduleStates, module.identifier, false);
        tiles.push_back({ module.identifier, module.name, on,
            resolveColour(input.snapshot.settings, stateKey(module.identifier, on), useStored) });
    }
    return tiles;
}

std::vector<ColourGroup> resolveGroups(const PaletteInput& input, bool useStored)
{
    std::vector<ColourGroup> groups;
    for (const ColourRowGroup& rows : input.snapshot.layout) {
        ColourGroup group { rows.layout, rows.page, rows.area, {} };
        for (const ColourRow& row : rows.rows)
            group.entries.push_back(
                { row.label, resolveColour(input.snapshot.settings, row.key, useStored) });
        groups.push_back(std::move(group));
    }
    return groups;
}

SliderColours resolveSlider(const fw::Dictionary& settings, std::string_view stem, bool useStored)
{
    std::string prefix(stem);
    return { resolveColour(settings, prefix + "ContainerBackground", useStored),
        resolveColour(settings, prefix + "Fill", useStored),
        resolveColour(settings, prefix + "Glyph", useStored) };
}

std::vector<ColourEntry> mediaEntries(const std::vector<ColourGroup>& groups)
{
    std::vector<ColourEntry> entries;
    for (const ColourGroup& group : groups) {
        if (group.layout != "MediaControls")
            continue;
        entries.insert(entries.end(), group.entries.begin(), group.entries.end());
    }
    return entries;
}

} // namespace

ResolvedColour resolveColour(const fw::Dictionary& settings, std::string_view key, bool useStored)
{
    ResolvedColour resolved { std::string(key), stockColour(key), ColourSource::Stock };
    const fw::Value* value = useStored ? fw::lookup(settings, key) : nullptr;
    if (!value)
        return resolved;
    const std::string* text = value->asString();
    auto colour = text ? parseColourValue(*text) : std::nullopt;
    if (!colour) {
        resolved.source = ColourSource::Malformed;
        return resolved;
    }
    resolved.colour = *colour;
    resolved.source = ColourSource::Stored;
    return resolved;
}

std::vector<std::string> connectivityOrder(const fw::Dictionary& settings)
{
    std::vector<std::string> order;
    auto place = [&](std::string_view name) {
        if (std::find(order.begin(), order.end(), name) == order.end())
            order.emplace_back(name);
    };
    for (int position = 0; position < connectivityPositionCount; ++position) {
        const fw::Value* value = fw::lookup(
            settings, std::string(connectivityPositionPrefix) + std::to_string(position));
        const std::string* className = value ? value->asString() : nullptr;
        if (!className)
            continue;
        for (const ConnectivityToggle& toggle : connectivityToggles) {
            if (toggle.className == *className)
                place(toggle.name);
        }
    }
    for (const ConnectivityToggle& toggle : connectivityToggles)
        place(toggle.name);
    return order;
}

Palette resolvePalette(const PaletteInput& input)
{
    const fw::Dictionary& settings = input.snapshot.settings;
    Palette palette;
    palette.appearance = input.appearance;
    palette.tweakEnabled = settingIsOn(settings, tweakEnabledKey);
    palette.customToggleColours = settingIsOn(settings, customToggleColoursKey);
    bool useStored = palette.tweakEnabled;

    palette.moduleBackground = resolveColour(settings, "moduleContainerBackground", useStored);
    palette.connectivityBackground
        = resolveColour(settings, "connectivityContainerBackground", useStored);
    palette.connectivity = resolveToggles(input, useStored && palette.customToggleColours);
    palette.mediaBackground = resolveColour(settings, "mediaContainerBackground", useStored);
    palette.brightness = resolveSlider(settings, "brightness", useStored);
    palette.volume = resolveSlider(settings, "volume", useStored);
    palette.modules = resolveModules(input, useStored);
    palette.groups = resolveGroups(input, useStored);
    palette.mediaControls = mediaEntries(palette.groups);
    return palette;
}

} // namespace theming
