#include "theming/Legibility.hpp"

#include "theming/Contrast.hpp"

#include <initializer_list>
#include <string_view>
#include <tuple>

namespace theming {

namespace {

constexpr double textMinimum = 4.5;
constexpr double glyphMinimum = 3.0;
// The system keeps its own glyphs and text readable: a stock one that would nearly vanish into
// what it is drawn on (white on a white tile) is drawn dimmed dark instead, as on the phone. The
// preview draws the same (preview-model.js).
constexpr double stockLegibleRatio = 1.6;
constexpr Rgba stockDimmed = rgb(0x000000, 0.55);
// The module Control Center draws two units wide, with its name under the glyph.
constexpr std::string_view titledModule = "com.apple.mediaremote.controlcenter.airplaymirroring";

bool userSet(const ResolvedColour& colour)
{
    return colour.source == ColourSource::Stored || colour.source == ColourSource::Pending;
}

// The row of `key` on the device's pages, shown there or not.
const ColourEntry* entryFor(const Palette& palette, std::string_view key)
{
    for (const ColourGroup& group : palette.groups) {
        for (const ColourEntry& entry : group.entries) {
            if (entry.colour.key == key)
                return &entry;
        }
    }
    return nullptr;
}

const ResolvedColour* entryColour(const Palette& palette, std::string_view key)
{
    const ColourEntry* entry = entryFor(palette, key);
    return entry ? &entry->colour : nullptr;
}

std::string_view stateName(bool enabled)
{
    return enabled ? "enabled" : "disabled";
}

// What is drawn for `foreground` over `ground`: the colour itself, or the system's dimmed one.
Rgba drawnForeground(const ResolvedColour& foreground, const Rgba& ground)
{
    Rgba drawn = over(foreground.colour, ground);
    if (userSet(foreground) || contrastRatio(drawn, ground) >= stockLegibleRatio)
        return drawn;
    return over(stockDimmed, ground);
}

struct Measured {
    std::string part;
    const ResolvedColour& foreground;
    std::initializer_list<const ResolvedColour*> layers; // from the container up
    double minimum;
    std::string_view state {};
};

LegibilityPair measure(const Palette& palette, const Measured& m)
{
    Rgba ground = palette.backdrop;
    const ResolvedColour* behind = nullptr;
    std::vector<std::string> keys;
    for (const ResolvedColour* layer : m.layers) {
        ground = over(layer->colour, ground);
        behind = layer;
        keys.push_back(layer->key);
    }
    double ratio = contrastRatio(drawnForeground(m.foreground, ground), ground);
    bool set = userSet(m.foreground) || (behind && userSet(*behind));
    return { m.part, m.foreground.key, behind ? behind->key : std::string(), std::move(keys), ratio,
        m.minimum, set && ratio < m.minimum, std::string(m.state) };
}

void measureToggles(const Palette& palette, std::vector<LegibilityPair>& pairs)
{
    for (bool enabled : { true, false }) {
        for (const ToggleSwatch& toggle : palette.connectivity) {
            const ToggleColours& colours = enabled ? toggle.enabledColours : toggle.disabledColours;
            pairs.push_back(measure(palette,
                { toggle.title + " glyph", colours.glyph,
                    { &palette.connectivityBackground, &colours.background }, glyphMinimum,
                    stateName(enabled) }));
        }
    }
}

// The status bar, the status message and the chevron are drawn straight over the wallpaper (and
// its tint), where a theme must keep them legible too.
void measureOverWallpaper(const Palette& palette, std::vector<LegibilityPair>& pairs)
{
    const ResolvedColour* tint = entryColour(palette, "backgroundTint");
    for (auto [key, part, minimum] : { std::tuple { "statusBarText", "Status bar", textMinimum },
             std::tuple { "statusText", "Status message", textMinimum },
             std::tuple { "chevronGlyph", "Chevron", glyphMinimum } }) {
        const ColourEntry* entry = entryFor(palette, key);
        if (!entry || !entry->shown || !tint)
            continue;
        pairs.push_back(measure(palette, { part, entry->colour, { tint }, minimum }));
    }
}

void measureModules(const Palette& palette, std::vector<LegibilityPair>& pairs)
{
    const ResolvedColour* glyph = entryColour(palette, "moduleGlyph");
    const ResolvedColour* text = entryColour(palette, "moduleText");
    for (bool enabled : { true, false }) {
        for (const ModuleTile& tile : palette.modules) {
            const ResolvedColour& colour = enabled ? tile.enabledColour : tile.disabledColour;
            if (glyph)
                pairs.push_back(measure(palette,
                    { tile.name + " glyph", *glyph, { &palette.moduleBackground, &colour },
                        glyphMinimum, stateName(enabled) }));
            if (text && tile.identifier == titledModule)
                pairs.push_back(measure(palette,
                    { tile.name + " title", *text, { &palette.moduleBackground, &colour },
                        textMinimum, stateName(enabled) }));
        }
    }
}

} // namespace

Rgba backdropColour(Appearance appearance)
{
    return appearance == Appearance::Dark ? Rgba { 0.08, 0.08, 0.1, 1 }
                                          : Rgba { 0.62, 0.64, 0.7, 1 };
}

std::vector<LegibilityPair> legibilityPairs(const Palette& palette)
{
    std::vector<LegibilityPair> pairs;
    measureToggles(palette, pairs);
    for (auto [name, slider] : { std::pair { "Brightness", &palette.brightness },
             std::pair { "Volume", &palette.volume } }) {
        pairs.push_back(measure(palette,
            { std::string(name) + " glyph on the fill", slider->glyph,
                { &slider->background, &slider->fill }, glyphMinimum }));
        pairs.push_back(measure(palette,
            { std::string(name) + " glyph on the track", slider->glyph, { &slider->background },
                glyphMinimum }));
    }
    measureModules(palette, pairs);
    measureOverWallpaper(palette, pairs);
    for (const ColourEntry& entry : palette.mediaControls) {
        const std::string& key = entry.colour.key;
        if (!key.ends_with("Text") || key.starts_with("prysm"))
            continue;
        pairs.push_back(measure(
            palette, { entry.label, entry.colour, { &palette.mediaBackground }, textMinimum }));
    }
    return pairs;
}

} // namespace theming
