#pragma once

#include "preferences/PSSpecifier.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace fw {

// Reads page layout files: a dictionary with an optional "title" and an "items" array, one
// dictionary per row. Damaged files, missing keys and values of the wrong type never fail the
// load: a missing file gives no rows, an item that is not a dictionary is skipped, and a key
// with a value of the wrong type is ignored.
class SpecifierLoader {
public:
    struct Page {
        std::optional<std::string> title;
        SpecifierList specifiers;
    };

    // The rows of the layout file at a device path, with `target` as their target.
    static Page loadFile(std::string_view devicePath, const Id& target);
    static Page loadDictionary(const Dictionary& root, const Id& target);
    // One row from its item dictionary.
    static std::shared_ptr<PSSpecifier> specifierFromItem(const Dictionary& item, const Id& target);
    // "PSSwitchCell" → PSSwitchCell; unknown names are static text.
    static int cellTypeNamed(std::string_view name);
};

// The selectors value rows use when their item names none.
inline constexpr const char* kDefaultSetter = "setPreferenceValue:specifier:";
inline constexpr const char* kDefaultGetter = "readPreferenceValue:";

} // namespace fw
