#include "theming/StateConfusion.hpp"

#include "theming/ColourDifference.hpp"
#include "theming/Contrast.hpp"

namespace theming {

namespace {

bool userSet(const ResolvedColour& colour)
{
    return colour.source == ColourSource::Stored || colour.source == ColourSource::Pending;
}

StateDifference compare(const std::string& part, const ResolvedColour& enabled,
    const ResolvedColour& disabled, const Rgba& ground)
{
    StateDifference pair { part, enabled.key, disabled.key, {},
        userSet(enabled) || userSet(disabled) };
    Rgba on = over(enabled.colour, ground);
    Rgba off = over(disabled.colour, ground);
    for (Vision vision : kVisions)
        pair.difference.push_back(
            deltaE2000(toLab(seenWith(on, vision)), toLab(seenWith(off, vision))));
    return pair;
}

} // namespace

std::vector<StateDifference> stateDifferences(const Palette& palette)
{
    std::vector<StateDifference> pairs;
    Rgba toggles = over(palette.connectivityBackground.colour, palette.backdrop);
    for (const ToggleSwatch& toggle : palette.connectivity)
        pairs.push_back(compare(toggle.title, toggle.enabledColours.background,
            toggle.disabledColours.background, toggles));
    Rgba tiles = over(palette.moduleBackground.colour, palette.backdrop);
    for (const ModuleTile& tile : palette.modules) {
        if (tile.coloured)
            pairs.push_back(compare(tile.name, tile.enabledColour, tile.disabledColour, tiles));
    }
    return pairs;
}

} // namespace theming
