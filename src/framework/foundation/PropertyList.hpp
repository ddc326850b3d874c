#pragma once

#include "foundation/NSFileManager.hpp"
#include "foundation/Value.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fw {

// Property lists larger or deeper than these count as unreadable, like a damaged file.
inline constexpr std::size_t kMaxPropertyListBytes = kMaxReadBytes;
inline constexpr int kMaxPropertyListDepth = 512;

// Parses XML or binary property-list bytes; nullopt when damaged or over the limits.
std::optional<Value> parsePropertyList(std::string_view bytes);
// How many property lists this process has parsed, and how many bytes they held. Benchmarks
// compare these with the reads a page is designed to make.
std::uint64_t propertyListParseCount();
std::uint64_t propertyListParsedBytes();
// Apple's XML form, reals written so they read back exactly.
std::string xmlPropertyList(const Value& value);

// NSDictionary dictionaryWithContentsOfFile: the dictionary at a device path, or nullopt for a
// missing or unreadable file or one whose root is not a dictionary.
std::optional<Dictionary> dictionaryWithContentsOfFile(std::string_view path);
// The value of one key of the dictionary at a device path, with the whole file read and checked
// as dictionaryWithContentsOfFile checks it: nullopt for a missing or unreadable file, one whose
// root is not a dictionary, or a missing key. Building only that value keeps a getter's read of
// a large settings file cheap.
std::optional<Value> valueForKeyInFile(std::string_view path, std::string_view key);
// Any property list at a device path (used for .strings, Info.plist and layout files).
std::optional<Value> propertyListWithContentsOfFile(std::string_view path);
// True when XML can carry the text: UTF-8 of the characters XML allows, which leaves out NUL,
// the control characters but tab, line feed and carriage return, and U+FFFE and U+FFFF.
bool isXmlText(std::string_view text);
// True when the XML form can carry the value: every string and key is XML text, and every date
// lies within the years 0000 to 9999.
bool isRepresentableAsXml(const Value& value);
// Why a name cannot be a file's name (followed by `suffix`) and a string in a property list at
// once, or nothing when it can. Preset names are both.
enum class NameProblem { Separator, NullCharacter, TooLong, NotXmlText };
std::optional<NameProblem> fileNameProblem(std::string_view name, std::string_view suffix);
// writeToFile:atomically:YES in the XML form. False on failure, or when the dictionary is not
// representable as XML; the previous file stays.
bool writeToFile(const Dictionary& dictionary, std::string_view path);

} // namespace fw
