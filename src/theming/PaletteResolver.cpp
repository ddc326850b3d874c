#include "theming/PaletteResolver.hpp"

#include "theming/ConnectivityToggles.hpp"
#include "theming/Legibility.hpp"
#include "theming/StateConfusion.hpp"
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

// Resolves keys against the settings, with the open picker's colour over the stored one.
struct Resolver {
    const PaletteInput& input;
    bool useStored;

    ResolvedColour operator()(std::string_view key) const
    {
        ResolvedColour resolved = resolveColour(input.snapshot.settings, key, useStored);
        const PendingColour* pending = input.pending;
        if (useStored && pending
            && std::find(pending->keys.begin(), pending->keys.end(), key) != pending->keys.end()) {
            resolved.colour = pending->colour;
            resolved.source = ColourSource::Pending;
        }
        return resolved;
    }
};

std::vector<ToggleSwatch> resolveToggles(const PaletteInput& input, const Resolver& resolve)
{
    std::vector<ToggleSwatch> swatches;
    for (const std::string& name : input.order) {
        const ConnectivityToggle* toggle = toggleNamed(name);
        if (!toggle)
            continue;
        bool on = isOn(input.toggleStates, toggle->name, toggle->initiallyEnabled);
        std::string glyphStem = std::string(toggle->name) + "Glyph";
        auto coloursIn = [&](bool enabled) {
            return ToggleColours { resolve(stateKey(toggle->name, enabled)),
                resolve(stateKey(glyphStem, enabled)) };
        };
        ToggleColours enabled = coloursIn(true);
        ToggleColours disabled = coloursIn(false);
        const ToggleColours& shown = on ? enabled : disabled;
        swatches.push_back({ std::string(toggle->name), std::string(toggle->title), on,
            shown.background, shown.glyph, std::move(enabled), std::move(disabled) });
    }
    return swatches;
}

std::vector<ModuleTile> resolveModules(const PaletteInput& input, const Resolver& resolve)
{
    std::vector<ModuleTile> tiles;
    for (const EnabledModule& module : input.snapshot.modules) {
        bool on = isOn(input.moduleStates, module.identifier, false);
        ResolvedColour enabledColour = resolve(stateKey(module.identifier, true));
        ResolvedColour disabledColour = resolve(stateKey(module.identifier, false));
        ResolvedColour shown = on ? enabledColour : disabledColour;
        tiles.push_back(
            { module.identifier, module.name, on, std::move(shown), std::move(enabledColour),
                std::move(disabledColour), module.hasRow && input.snapshot.moduleServices });
    }
    return tiles;
}

std::vector<ColourGroup> resolveGroups(const PaletteInput& input, const Resolver& resolve)
{
    std::vector<ColourGroup> groups;
    for (const ColourRowGroup& rows : input.snapshot.layout) {
        ColourGroup group { rows.layout, rows.page, rows.area, {} };
        for (const ColourRow& row : rows.rows)
            group.entries.push_back({ row.label, resolve(row.key),
                rowShown(rows.layout, row.feature, input.snapshot.tweaks) });
        groups.push_back(std::move(group));
    }
    return groups;
}

// The toggles page builds its rows in code, one per listed module in the state it edits.
void appendToggleGroups(const std::vector<ModuleTile>& modules, std::vector<ColourGroup>& groups)
{
    for (bool enabled : { true, false }) {
        ColourGroup group { "Toggles", "Toggles", enabled ? "Enabled" : "Disabled", {} };
        for (const ModuleTile& tile : modules) {
            if (tile.coloured)
                group.entries.push_back(
                    { tile.name, enabled ? tile.enabledColour : tile.disabledColour });
        }
        if (!group.entries.empty())
            groups.push_back(std::move(group));
    }
}

SliderColours resolveSlider(const Resolver& resolve, std::string_view stem)
{
    std::string prefix(stem);
    return { resolve(prefix + "ContainerBackground"), resolve(prefix + "Fill"),
        resolve(prefix + "Glyph") };
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

bool rowShown(std::string_view layout, std::string_view feature, const DeviceTweaks& tweaks)
{
    // The root page lists Prysm's pages only when Prysm is there.
    if (layout.starts_with("Prysm") && !tweaks.prysm)
        return false;
    if (feature == "prysm")
        return tweaks.prysm;
    if (feature == "notPrysm")
        return !tweaks.prysm;
    if (feature == "ccRinger")
        return tweaks.ccRinger;
    if (feature == "powerModule")
        return tweaks.powerModule;
    // Prysm draws its own weather, so its pages drop BetterCCXI's weather rows.
    if (feature == "bcxiWeather")
        return tweaks.bcxiWeather && !tweaks.prysm;
    if (feature == "thirdparty")
        return tweaks.powerModule || tweaks.bcxiWeather;
    return true;
}

Palette resolvePalette(const PaletteInput& input)
{
    const fw::Dictionary& settings = input.snapshot.settings;
    Palette palette;
    palette.appearance = input.appearance;
    palette.tweakEnabled = settingIsOn(settings, tweakEnabledKey);
    palette.customToggleColours = settingIsOn(settings, customToggleColoursKey);
    palette.tweaks = input.snapshot.tweaks;
    Resolver resolve { input, palette.tweakEnabled };

    palette.moduleBackground = resolve("moduleContainerBackground");
    palette.connectivityBackground = resolve("connectivityContainerBackground");
    palette.connectivity = resolveToggles(
        input, Resolver { input, palette.tweakEnabled && palette.customToggleColours });
    palette.mediaBackground = resolve("mediaContainerBackground");
    palette.brightness = resolveSlider(resolve, "brightness");
    palette.volume = resolveSlider(resolve, "volume");
    palette.modules = resolveModules(input, resolve);
    palette.groups = resolveGroups(input, resolve);
    appendToggleGroups(palette.modules, palette.groups);
    palette.mediaControls = mediaEntries(palette.groups);
    palette.backdrop = input.wallpaper ? *input.wallpaper : backdropColour(palette.appearance);
    palette.legibility = legibilityPairs(palette);
    palette.states = stateDifferences(palette);
    return palette;
}

} // namespace theming
