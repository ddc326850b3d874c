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

bool isColourRow(const fw::Dictionary& item)
{
    const fw::Value* global = fw::lookup(item, "global");
    return stringFor(item, "cellClass") == colourPickerCellClass && !stringFor(item, "key").empty()
        && !(global && global->boolValue());
}

void collectRows(const fw::Dictionary& layout, const std::string& stem, const std::string& page,
    std::vector<ColourRowGroup>& groups)
{
    const fw::Value* items = fw::lookup(layout, "items");
    if (!items || !items->asArray())
        return;
    std::string area;
    bool areaListed = false;
    for (const fw::Value& value : *items->asArray()) {
        const fw::Dictionary* item = value.asDictionary();
        if (!item)
            continue;
        if (stringFor(*item, "cell") == "PSGroupCell") {
            area = stringFor(*item, "label");
            areaListed = false;
            continue;
        }
        if (!isColourRow(*item))
            continue;
        if (!areaListed) {
            groups.push_back({ stem, page, area, {} });
            areaListed = true;
        }
        groups.back().rows.push_back(
            { stringFor(*item, "label"), stringFor(*item, "key"), stringFor(*item, "feature") });
    }
}

} // namespace

std::vector<ColourRowGroup> readLayoutColourRows()
{
    auto names = fw::NSFileManager::defaultManager().contentsOfDirectoryAtPath(bundleDirectory);
    if (!names)
        return {};
    std::sort(names->begin(), names->end());
    std::vector<ColourRowGroup> groups;
    for (const std::string& name : *names) {
        if (!name.ends_with(plistSuffix) || name == defaultsFileName)
            continue;
        auto layout = fw::propertyListWithContentsOfFile(std::string(bundleDirectory) + name);
        if (!layout || !layout->asDictionary())
            continue;
        std::string stem = name.substr(0, name.size() - plistSuffix.size());
        std::string page = stringFor(*layout->asDictionary(), "title");
        collectRows(*layout->asDictionary(), stem, page.empty() ? stem : page, groups);
    }
    return groups;
}

} // namespace theming
