#include "theming/Legibility.hpp"

#include "theming/Contrast.hpp"

#include <initializer_list>
#include <string_view>

namespace theming {

namespace {

constexpr double textMinimum = 4.5;
constexpr double glyphMinimum = 3.0;

bool userSet(const ResolvedColour& colour)
{
    return colour.source == ColourSource::Stored || colour.source == ColourSource::Pending;
}

const ResolvedColour* entryColour(const Palette& palette, std::string_view key)
{
    for (const ColourGroup& group : palette.groups) {
        for (const ColourEntry& entry : group.entries) {
            if (entry.colour.key == key)
                return &entry.colour;
        }
    }
    return nullptr;
}

// `layers` from the bottom (the container) up to the colour right behind the foreground.
LegibilityPair measure(const Palette& palette, std::string part, const ResolvedColour& foreground,
    std::initializer_list<const ResolvedColour*> layers, double minimum)
{
    Rgba ground = palette.backdrop;
    const ResolvedColour* behind = nullptr;
    std::vector<std::string> keys;
    for (const ResolvedColour* layer : layers) {
        ground = over(layer->colour, ground);
        behind = layer;
        keys.push_back(layer->key);
    }
    double ratio = contrastRatio(over(foreground.colour, ground), ground);
    bool set = userSet(foreground) || (behind && userSet(*behind));
    return { std::move(part), foreground.key, behind ? behind->key : std::string(), std::move(keys),
        ratio, minimum, set && ratio < minimum };
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
    for (const ToggleSwatch& toggle : palette.connectivity)
        pairs.push_back(measure(palette, toggle.title + " glyph", toggle.glyph,
            { &palette.connectivityBackground, &toggle.background }, glyphMinimum));
    for (auto [name, slider] : { std::pair { "Brightness", &palette.brightness },
             std::pair { "Volume", &palette.volume } }) {
        pairs.push_back(measure(palette, std::string(name) + " glyph on the fill", slider->glyph,
            { &slider->background, &slider->fill }, glyphMinimum));
        pairs.push_back(measure(palette, std::string(name) + " glyph on the track", slider->glyph,
            { &slider->background }, glyphMinimum));
    }
    if (const ResolvedColour* glyph = entryColour(palette, "moduleGlyph")) {
        for (const ModuleTile& tile : palette.modules)
            pairs.push_back(measure(palette, tile.name + " glyph", *glyph,
                { &palette.moduleBackground, &tile.colour }, glyphMinimum));
    }
    for (const ColourEntry& entry : palette.mediaControls) {
        const std::string& key = entry.colour.key;
        if (!key.ends_with("Text") || key.starts_with("prysm"))
            continue;
        pairs.push_back(
            measure(palette, entry.label, entry.colour, { &palette.mediaBackground }, textMinimum));
    }
    return pairs;
}

} // namespace theming
