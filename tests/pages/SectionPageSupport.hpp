#pragma once

#include "foundation/PropertyList.hpp"
#include "preferences/PSListController.hpp"
#include "store/Settings.hpp"
#include "support/TestDevice.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Small layout files and page openings for the section page tests.
namespace sectiontest {

inline void writePlist(
    const TestDevice& device, std::string_view devicePath, fw::Dictionary dictionary)
{
    device.write(devicePath, fw::xmlPropertyList(fw::Value(std::move(dictionary))));
}

// A page layout file of the bundle with these rows.
inline void writeLayout(
    const TestDevice& device, std::string_view name, const std::vector<fw::Dictionary>& items)
{
    fw::Array array(items.begin(), items.end());
    writePlist(device, std::string(qln::bundlePath) + "/" + std::string(name) + ".plist",
        { { "title", fw::Value(name) }, { "items", fw::Value(std::move(array)) } });
}

inline fw::Dictionary groupItem(std::string label)
{
    return { { "cell", fw::Value("PSGroupCell") }, { "label", fw::Value(std::move(label)) } };
}

inline fw::Dictionary keyedItem(std::string key, std::string label = "Row")
{
    return { { "cell", fw::Value("PSLinkCell") }, { "label", fw::Value(std::move(label)) },
        { "key", fw::Value(std::move(key)) } };
}

// A page as the navigation stack opens it: bundle set, view loaded (viewDidLoad ran).
template <class Page> std::shared_ptr<Page> openPage()
{
    auto page = std::make_shared<Page>();
    page->setBundlePath(std::string(qln::bundlePath));
    page->view();
    return page;
}

// Each row as its key, or "#" and its title for rows without a key.
inline std::vector<std::string> rowIds(const fw::SpecifierList& rows)
{
    std::vector<std::string> ids;
    for (const auto& row : rows) {
        const std::string* key = row->stringForKey("key");
        ids.push_back(key ? *key : "#" + row->name());
    }
    return ids;
}

} // namespace sectiontest
