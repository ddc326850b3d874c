#pragma once

#include "foundation/Value.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace fw {

// The property-list forms behind PropertyList.hpp. Each reader enforces the size and depth
// limits of that header and returns nullopt for anything damaged.

// Parses the XML form in place: `bytes` is modified and must stay alive only during the call.
std::optional<Value> parseXmlPropertyList(char* bytes, std::size_t size);
// What a lookup of one key in the XML form found.
struct XmlLookUp {
    // False when the document is damaged or its root is no dictionary.
    bool sound { false };
    // The key's value; nullopt when the key is absent or the document is not sound.
    std::optional<Value> value;
};
// Checks the XML form in place as parseXmlPropertyList does but builds only the value of `key`
// in the root dictionary.
XmlLookUp lookUpXmlPropertyList(char* bytes, std::size_t size, std::string_view key);
// Parses the binary form ("bplist00").
std::optional<Value> parseBinaryPropertyList(std::string_view bytes);
// Apple's XML form, reals with 17 significant digits.
std::string writeXmlPropertyList(const Value& value);
std::string writeXmlPropertyList(const Dictionary& dictionary);

bool isValidUtf8(std::string_view text);

// The dates the XML form carries, in seconds since 2001-01-01: its four-digit years, 0000 to
// 9999.
inline constexpr double kEarliestXmlDate = -63145526400.0;
inline constexpr double kLatestXmlDate = 252423993599.0;

} // namespace fw
