#include "theming/PaletteTable.hpp"

#include "theming/AppearancePreset.hpp"

#include <sstream>

namespace theming {

namespace {

std::string padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text + ' ';
}

std::string sourceText(ColourSource source)
{
    switch (source) {
    case ColourSource::Stored:
        return "stored";
    case ColourSource::Stock:
        return "stock";
    case ColourSource::Malformed:
        return "stock (stored value unreadable)";
    case ColourSource::Pending:
        return "pending";
    }
    return {};
}

std::string colourText(const ResolvedColour& colour)
{
    return displayColour(colour.colour) + " " + sourceText(colour.source);
}

void writeHeader(std::ostringstream& out, const Palette& palette)
{
    out << "Control Center palette, " << appearanceName(palette.appearance) << " appearance\n";
    if (palette.appearanceNote)
        out << "  " << *palette.appearanceNote << "\n";
    if (!palette.tweakEnabled)
        out << "  Quillane is turned off: stock colours\n";
    else if (!palette.customToggleColours)
        out << "  Custom toggle colours are off: stock toggles\n";
}

void writeParts(std::ostringstream& out, const Palette& palette)
{
    out << padded("Module background", 24) << colourText(palette.moduleBackground) << "\n";
    out << padded("Connectivity", 24) << colourText(palette.connectivityBackground) << "\n";
    int position = 1;
    for (const ToggleSwatch& toggle : palette.connectivity) {
        out << "  " << position++ << " " << padded(toggle.title, 18)
            << padded(toggle.enabled ? "on" : "off", 3) << "background "
            << padded(colourText(toggle.background), 20) << "glyph " << colourText(toggle.glyph)
            << "\n";
    }
    out << padded("Media controls", 24) << colourText(palette.mediaBackground) << "\n";
    for (const ColourEntry& entry : palette.mediaControls)
        out << "  " << padded(entry.label, 26) << colourText(entry.colour) << "\n";
    for (auto [name, slider] : { std::pair { "Brightness", &palette.brightness },
             std::pair { "Volume", &palette.volume } }) {
        out << padded(name, 24) << "background " << padded(colourText(slider->background), 20)
            << "fill " << padded(colourText(slider->fill), 20) << "glyph "
            << colourText(slider->glyph) << "\n";
    }
    out << "Modules\n";
    for (const ModuleTile& tile : palette.modules)
        out << "  " << padded(tile.name, 22) << padded(tile.enabled ? "on" : "off", 3)
            << colourText(tile.colour) << "\n";
}

void writeGroups(std::ostringstream& out, const Palette& palette)
{
    out << "Colours by page\n";
    for (const ColourGroup& group : palette.groups) {
        out << "  " << group.page;
        if (!group.area.empty())
            out << " / " << group.area;
        out << "\n";
        for (const ColourEntry& entry : group.entries)
            out << "    " << padded(entry.label, 26) << padded(entry.colour.key, 40)
                << colourText(entry.colour) << "\n";
    }
}

} // namespace

std::string renderTable(const Palette& palette)
{
    std::ostringstream out;
    writeHeader(out, palette);
    writeParts(out, palette);
    writeGroups(out, palette);
    return out.str();
}

} // namespace theming
