#include "theming/BundleLayouts.hpp"

#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "theming/ThemingPaths.hpp"

#include <algorithm>

namespace theming {

namespace {

std::string stringFor(const fw::Dictionary& item, std::string_view key)
{
    const fw::Value* value = fw::lookup(item, key);
    const std::string* text = value ? value->asString() : nullptr;
    return text ? *text : std::string();
}

std::vector<LayoutRow> rowsOf(const fw::Dictionary& layout)
{
    std::vector<LayoutRow> rows;
    const fw::Value* items = fw::lookup(layout, "items");
    if (!items || !items->asArray())
        return rows;
    std::string group;
    int section = 0;
    for (const fw::Value& value : *items->asArray()) {
        const fw::Dictionary* item = value.asDictionary();
        if (!item)
            continue;
        if (stringFor(*item, "cell") == "PSGroupCell") {
            group = stringFor(*item, "label");
            ++section;
            continue;
        }
        const fw::Value* global = fw::lookup(*item, "global");
        rows.push_back({ section, group, stringFor(*item, "cell"), stringFor(*item, "cellClass"),
            stringFor(*item, "label"), stringFor(*item, "key"), stringFor(*item, "feature"),
            global && global->boolValue() });
    }
    return rows;
}

// A global row ("Change All") sets other rows: it is no colour of a part.
bool isColourRow(const LayoutRow& row)
{
    return row.cellClass == colourPickerCellClass && !row.key.empty() && !row.global;
}

} // namespace

std::vector<PageLayout> readPageLayouts()
{
    auto names = fw::NSFileManager::defaultManager().contentsOfDirectoryAtPath(bundleDirectory);
    if (!names)
        return {};
    std::sort(names->begin(), names->end());
    std::vector<PageLayout> layouts;
    for (const std::string& name : *names) {
        if (!name.ends_with(plistSuffix) || name == defaultsFileName)
            continue;
        auto layout = fw::propertyListWithContentsOfFile(std::string(bundleDirectory) + name);
        if (!layout || !layout->asDictionary())
            continue;
        layouts.push_back({ name.substr(0, name.size() - plistSuffix.size()),
            stringFor(*layout->asDictionary(), "title"), rowsOf(*layout->asDictionary()) });
    }
    return layouts;
}

std::vector<ColourRowGroup> readLayoutColourRows()
{
    std::vector<ColourRowGroup> groups;
    for (const PageLayout& layout : readPageLayouts()) {
        const std::string& page = layout.title.empty() ? layout.name : layout.title;
        int listedSection = -1;
        for (const LayoutRow& row : layout.rows) {
            if (!isColourRow(row))
                continue;
            if (row.section != listedSection)
                groups.push_back({ layout.name, page, row.group, {} });
            listedSection = row.section;
            groups.back().rows.push_back({ row.label, row.key, row.feature });
        }
    }
    return groups;
}

} // namespace theming
