#include "foundation/PropertyList.hpp"

#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyListFormats.hpp"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

namespace fw {

namespace {

constexpr std::string_view kBinaryMagic = "bplist00";

std::atomic<std::uint64_t> parseCount { 0 };
std::atomic<std::uint64_t> parsedBytes { 0 };

void countParse(std::size_t bytes)
{
    parseCount.fetch_add(1, std::memory_order_relaxed);
    parsedBytes.fetch_add(bytes, std::memory_order_relaxed);
}

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// The length of the UTF-8 sequence starting at `at`, or 0 when it is malformed, overlong, a
// surrogate or beyond U+10FFFF.
std::size_t sequenceLength(const unsigned char* text, std::size_t size, std::size_t at)
{
    unsigned char lead = text[at];
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > size)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!isContinuation(text[at + i]))
            return 0;
    }
    unsigned char second = text[at + 1];
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F)
        || (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

// Reads either form from a buffer this function may change (the XML reader works in place).
std::optional<Value> parseOwned(std::string& bytes)
{
    countParse(bytes.size());
    if (bytes.size() > kMaxPropertyListBytes)
        return std::nullopt;
    if (std::string_view(bytes).substr(0, kBinaryMagic.size()) == kBinaryMagic)
        return parseBinaryPropertyList(bytes);
    return parseXmlPropertyList(bytes.data(), bytes.size());
}

} // namespace

bool isValidUtf8(std::string_view text)
{
    auto bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t i = 0;
    while (i < text.size()) {
        // Settings are almost all ASCII: step over eight such bytes at a time.
        std::uint64_t word;
        if (i + 8 <= text.size()
            && (std::memcpy(&word, bytes + i, 8), (word & 0x8080808080808080u) == 0)) {
            i += 8;
            continue;
        }
        if (bytes[i] < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = sequenceLength(bytes, text.size(), i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::optional<Value> parsePropertyList(std::string_view bytes)
{
    countParse(bytes.size());
    if (bytes.size() > kMaxPropertyListBytes)
        return std::nullopt;
    if (bytes.substr(0, kBinaryMagic.size()) == kBinaryMagic)
        return parseBinaryPropertyList(bytes);
    std::string copy(bytes);
    return parseXmlPropertyList(copy.data(), copy.size());
}

std::uint64_t propertyListParseCount()
{
    return parseCount.load(std::memory_order_relaxed);
}

std::uint64_t propertyListParsedBytes()
{
    return parsedBytes.load(std::memory_order_relaxed);
}

std::string xmlPropertyList(const Value& value)
{
    return writeXmlPropertyList(value);
}

std::optional<Value> propertyListWithContentsOfFile(std::string_view path)
{
    auto bytes = NSFileManager::defaultManager().contentsAtPath(path, kMaxPropertyListBytes);
    if (!bytes)
        return std::nullopt;
    return parseOwned(*bytes);
}

std::optional<Dictionary> dictionaryWithContentsOfFile(std::string_view path)
{
    auto value = propertyListWithContentsOfFile(path);
    if (!value || !value->isDictionary())
        return std::nullopt;
    return std::move(*value->asDictionary());
}

std::optional<Value> valueForKeyInFile(std::string_view path, std::string_view key)
{
    auto bytes = NSFileManager::defaultManager().contentsAtPath(path, kMaxPropertyListBytes);
    if (!bytes)
        return std::nullopt;
    if (std::string_view(*bytes).substr(0, kBinaryMagic.size()) == kBinaryMagic) {
        auto value = parseOwned(*bytes);
        auto* dictionary = value ? value->asDictionary() : nullptr;
        if (!dictionary)
            return std::nullopt;
        auto found = dictionary->find(key);
        if (found == dictionary->end())
            return std::nullopt;
        return std::move(found->second);
    }
    countParse(bytes->size());
    if (bytes->size() > kMaxPropertyListBytes)
        return std::nullopt;
    return lookUpXmlPropertyList(bytes->data(), bytes->size(), key).value;
}

bool isXmlText(std::string_view text)
{
    bool controls = std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
    });
    // U+FFFE and U+FFFF: the only characters of the basic plane outside the surrogates (which
    // are no UTF-8) that XML leaves out.
    return !controls && isValidUtf8(text) && text.find("\xEF\xBF\xBE") == std::string_view::npos
        && text.find("\xEF\xBF\xBF") == std::string_view::npos;
}

std::optional<NameProblem> fileNameProblem(std::string_view name, std::string_view suffix)
{
    // The longest file name the file system takes.
    constexpr std::size_t kMaxFileNameBytes = 255;
    if (name.find('/') != std::string_view::npos)
        return NameProblem::Separator;
    if (name.find('\0') != std::string_view::npos)
        return NameProblem::NullCharacter;
    if (name.size() + suffix.size() > kMaxFileNameBytes)
        return NameProblem::TooLong;
    if (!isXmlText(name))
        return NameProblem::NotXmlText;
    return std::nullopt;
}

namespace {

bool isRepresentableDictionary(const Dictionary& dictionary)
{
    return std::all_of(dictionary.begin(), dictionary.end(), [](const auto& entry) {
        return isXmlText(entry.first) && isRepresentableAsXml(entry.second);
    });
}

} // namespace

bool isRepresentableAsXml(const Value& value)
{
    if (const auto* text = value.asString())
        return isXmlText(*text);
    if (const auto* date = value.asDate())
        return date->secondsSinceReferenceDate >= kEarliestXmlDate
            && date->secondsSinceReferenceDate <= kLatestXmlDate;
    if (const auto* array = value.asArray())
        return std::all_of(array->begin(), array->end(),
            [](const Value& item) { return isRepresentableAsXml(item); });
    if (const auto* dictionary = value.asDictionary())
        return isRepresentableDictionary(*dictionary);
    return true;
}

bool writeToFile(const Dictionary& dictionary, std::string_view path)
{
    // A file read from the binary form may hold text the XML form cannot carry; writing it
    // anyway would replace a readable file with one that no reader accepts.
    if (!isRepresentableDictionary(dictionary))
        return false;
    std::string bytes = writeXmlPropertyList(dictionary);
    return NSFileManager::defaultManager().writeAtomically(path, bytes);
}

} // namespace fw
