#include "preferences/SpecifierLoader.hpp"

#include "foundation/PropertyList.hpp"

#include <array>
#include <utility>

namespace fw {

namespace {

constexpr std::array<std::pair<std::string_view, int>, 11> kCellTypes { {
    { "PSGroupCell", PSGroupCell },
    { "PSLinkCell", PSLinkCell },
    { "PSLinkListCell", PSLinkListCell },
    { "PSListItemCell", PSListItemCell },
    { "PSTitleValueCell", PSTitleValueCell },
    { "PSSliderCell", PSSliderCell },
    { "PSSwitchCell", PSSwitchCell },
    { "PSStaticTextCell", PSStaticTextCell },
    { "PSEditTextCell", PSEditTextCell },
    { "PSSegmentCell", PSSegmentCell },
    { "PSButtonCell", PSButtonCell },
} };

// Keys the loader turns into the specifier's own fields; everything else becomes a property.
constexpr std::array<std::string_view, 10> kConsumedKeys { "cell", "label", "cellClass",
    "headerCellClass", "detail", "action", "set", "get", "validValues", "validTitles" };

const std::string* stringIn(const Dictionary& item, std::string_view key)
{
    auto* value = lookup(item, key);
    return value ? value->asString() : nullptr;
}

bool isConsumed(std::string_view key)
{
    for (auto consumed : kConsumedKeys) {
        if (consumed == key)
            return true;
    }
    return false;
}

// A class named by the item, stored under the same key; unknown names leave the key absent.
void setClassProperty(PSSpecifier& specifier, const Dictionary& item, std::string_view key)
{
    auto* name = stringIn(item, key);
    if (!name)
        return;
    if (auto* cls = NSClassFromString(*name))
        specifier.setProperty(cls, key);
}

void readValidValues(PSSpecifier& specifier, const Dictionary& item)
{
    if (auto* values = lookup(item, "validValues"); values && values->asArray())
        specifier.values = *values->asArray();
    auto* titles = lookup(item, "validTitles");
    if (!titles || !titles->asArray())
        return;
    for (const auto& title : *titles->asArray()) {
        // Keep the titles aligned with the values: a title of another type shows as empty.
        auto* text = title.asString();
        specifier.titles.push_back(text ? *text : std::string());
    }
}

bool isValueRow(const PSSpecifier& specifier)
{
    int type = specifier.cellType();
    if (type == PSSwitchCell || type == PSSegmentCell)
        return true;
    return type != PSGroupCell && specifier.stringForKey("key") != nullptr;
}

void readSelectors(PSSpecifier& specifier, const Dictionary& item)
{
    if (auto* action = stringIn(item, "action"))
        specifier.setButtonAction(*action);
    if (auto* setter = stringIn(item, "set"))
        specifier.setSetter(*setter);
    if (auto* getter = stringIn(item, "get"))
        specifier.setGetter(*getter);
    if (!isValueRow(specifier))
        return;
    if (specifier.setter().empty())
        specifier.setSetter(kDefaultSetter);
    if (specifier.getter().empty())
        specifier.setGetter(kDefaultGetter);
}

} // namespace

int SpecifierLoader::cellTypeNamed(std::string_view name)
{
    for (const auto& [typeName, type] : kCellTypes) {
        if (typeName == name)
            return type;
    }
    return PSStaticTextCell;
}

std::shared_ptr<PSSpecifier> SpecifierLoader::specifierFromItem(
    const Dictionary& item, const Id& target)
{
    auto specifier = std::make_shared<PSSpecifier>();
    specifier->setTarget(target);
    auto* cell = stringIn(item, "cell");
    specifier->setCellType(cell ? cellTypeNamed(*cell) : PSStaticTextCell);
    if (auto* label = stringIn(item, "label")) {
        specifier->setName(*label);
        specifier->setProperty(Value(*label), "label");
    }
    for (const auto& [key, value] : item) {
        if (!isConsumed(key))
            specifier->setProperty(value, key);
    }
    setClassProperty(*specifier, item, "cellClass");
    setClassProperty(*specifier, item, "headerCellClass");
    if (auto* detail = stringIn(item, "detail"))
        specifier->setDetailControllerClass(NSClassFromString(*detail));
    readValidValues(*specifier, item);
    readSelectors(*specifier, item);
    return specifier;
}

SpecifierLoader::Page SpecifierLoader::loadDictionary(const Dictionary& root, const Id& target)
{
    Page page;
    if (auto* title = stringIn(root, "title"))
        page.title = *title;
    auto* items = lookup(root, "items");
    if (!items || !items->asArray())
        return page;
    for (const auto& item : *items->asArray()) {
        if (auto* dictionary = item.asDictionary())
            page.specifiers.push_back(specifierFromItem(*dictionary, target));
    }
    return page;
}

SpecifierLoader::Page SpecifierLoader::loadFile(std::string_view devicePath, const Id& target)
{
    auto root = dictionaryWithContentsOfFile(devicePath);
    if (!root)
        return {};
    return loadDictionary(*root, target);
}

} // namespace fw
