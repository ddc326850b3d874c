#include "theming/PaletteValue.hpp"

#include "theming/AppearancePreset.hpp"
#include "theming/StateConfusion.hpp"

namespace theming {

namespace {

std::string_view sourceName(ColourSource source)
{
    switch (source) {
    case ColourSource::Stored:
        return "stored";
    case ColourSource::Stock:
        return "stock";
    case ColourSource::Malformed:
        return "malformed";
    case ColourSource::Pending:
        return "pending";
    }
    return {};
}

fw::Value colourValue(const ResolvedColour& colour)
{
    const Rgba& c = colour.colour;
    return fw::Dictionary {
        { "rgba", fw::Array { c.red, c.green, c.blue, c.alpha } },
        { "value", displayColour(c) },
        { "key", colour.key },
        { "source", sourceName(colour.source) },
    };
}

fw::Value entryValue(const ColourEntry& entry)
{
    return fw::Dictionary { { "label", entry.label }, { "colour", colourValue(entry.colour) },
        { "shown", entry.shown } };
}

fw::Value entriesValue(const std::vector<ColourEntry>& entries)
{
    fw::Array list;
    for (const ColourEntry& entry : entries)
        list.push_back(entryValue(entry));
    return list;
}

fw::Value sliderValue(const SliderColours& slider)
{
    return fw::Dictionary { { "background", colourValue(slider.background) },
        { "fill", colourValue(slider.fill) }, { "glyph", colourValue(slider.glyph) } };
}

fw::Value togglesValue(const std::vector<ToggleSwatch>& toggles)
{
    fw::Array list;
    for (const ToggleSwatch& toggle : toggles) {
        // Filled in place: GCC 12 takes a moved-in dictionary for partly uninitialised.
        fw::Dictionary& entry = *list.emplace_back(fw::Dictionary {}).asDictionary();
        entry["name"] = toggle.name;
        entry["title"] = toggle.title;
        entry["enabled"] = toggle.enabled;
        entry["background"] = colourValue(toggle.background);
        entry["glyph"] = colourValue(toggle.glyph);
    }
    return list;
}

fw::Value modulesValue(const std::vector<ModuleTile>& modules)
{
    fw::Array list;
    for (const ModuleTile& tile : modules) {
        fw::Dictionary& entry = *list.emplace_back(fw::Dictionary {}).asDictionary();
        entry["identifier"] = tile.identifier;
        entry["name"] = tile.name;
        entry["enabled"] = tile.enabled;
        entry["colour"] = colourValue(tile.colour);
        entry["coloured"] = tile.coloured;
        entry["states"] = fw::Dictionary { { "enabled", colourValue(tile.enabledColour) },
            { "disabled", colourValue(tile.disabledColour) } };
    }
    return list;
}

fw::Value legibilityValue(const std::vector<LegibilityPair>& pairs)
{
    fw::Array list;
    for (const LegibilityPair& pair : pairs) {
        fw::Dictionary& entry = *list.emplace_back(fw::Dictionary {}).asDictionary();
        entry["part"] = pair.part;
        entry["foreground"] = pair.foreground;
        entry["background"] = pair.background;
        entry["layers"] = fw::Array(pair.layers.begin(), pair.layers.end());
        entry["ratio"] = pair.ratio;
        entry["minimum"] = pair.minimum;
        entry["warn"] = pair.warn;
        if (!pair.state.empty())
            entry["state"] = pair.state;
    }
    return list;
}

// Each pair of states with its difference per vision, and the visions that could confuse them
// (none while the user has set neither colour: the stock states are Apple's).
fw::Value statesValue(const std::vector<StateDifference>& pairs)
{
    fw::Array list;
    for (const StateDifference& pair : pairs) {
        fw::Dictionary& entry = *list.emplace_back(fw::Dictionary {}).asDictionary();
        entry["part"] = pair.part;
        entry["enabled"] = pair.enabled;
        entry["disabled"] = pair.disabled;
        entry["minimum"] = kConfusableDifference;
        fw::Dictionary difference;
        fw::Array confusable;
        for (std::size_t i = 0; i < pair.difference.size() && i < kVisions.size(); ++i) {
            std::string name(visionName(kVisions[i]));
            difference[name] = pair.difference[i];
            if (pair.set && pair.difference[i] < kConfusableDifference)
                confusable.push_back(fw::Value(name));
        }
        entry["difference"] = std::move(difference);
        entry["confusable"] = std::move(confusable);
    }
    return list;
}

fw::Value tweaksValue(const DeviceTweaks& tweaks)
{
    return fw::Dictionary { { "prysm", tweaks.prysm }, { "powerModule", tweaks.powerModule },
        { "bcxiWeather", tweaks.bcxiWeather }, { "ccRinger", tweaks.ccRinger } };
}

fw::Value groupsValue(const std::vector<ColourGroup>& groups)
{
    fw::Array list;
    for (const ColourGroup& group : groups) {
        fw::Dictionary& entry = *list.emplace_back(fw::Dictionary {}).asDictionary();
        entry["layout"] = group.layout;
        entry["page"] = group.page;
        entry["area"] = group.area;
        entry["entries"] = entriesValue(group.entries);
    }
    return list;
}

} // namespace

fw::Value paletteValue(const Palette& palette)
{
    fw::Dictionary value {
        { "appearance", appearanceName(palette.appearance) },
        { "tweakEnabled", palette.tweakEnabled },
        { "customToggleColours", palette.customToggleColours },
        { "tweaks", tweaksValue(palette.tweaks) },
        { "moduleBackground", colourValue(palette.moduleBackground) },
        { "connectivityBackground", colourValue(palette.connectivityBackground) },
        { "connectivity", togglesValue(palette.connectivity) },
        { "mediaBackground", colourValue(palette.mediaBackground) },
        { "mediaControls", entriesValue(palette.mediaControls) },
        { "brightness", sliderValue(palette.brightness) },
        { "volume", sliderValue(palette.volume) },
        { "modules", modulesValue(palette.modules) },
        { "groups", groupsValue(palette.groups) },
        { "backdrop",
            fw::Array { palette.backdrop.red, palette.backdrop.green, palette.backdrop.blue,
                palette.backdrop.alpha } },
        { "legibility", legibilityValue(palette.legibility) },
        { "states", statesValue(palette.states) },
        { "wallpaperRevision", static_cast<std::int64_t>(palette.wallpaperRevision) },
        { "deviceRevision", static_cast<std::int64_t>(palette.deviceRevision) },
    };
    if (palette.appearanceNote)
        value["appearanceNote"] = *palette.appearanceNote;
    return value;
}

} // namespace theming
