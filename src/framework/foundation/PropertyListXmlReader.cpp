#include "foundation/Base64.hpp"
#include "foundation/PropertyList.hpp"
#include "foundation/PropertyListFormats.hpp"

#include <charconv>
#include <cstring>
#include <limits>
#include <pugixml.hpp>

namespace fw {

namespace {

// Escapes and CDATA are kept; declarations, doctype, comments and processing instructions are
// skipped; white space between elements is dropped, but the only content of an element is kept
// so that a string of spaces stays a string of spaces. No end-of-line conversion, so strings
// read back exactly as they were written.
constexpr unsigned kParseOptions
    = pugi::parse_escapes | pugi::parse_cdata | pugi::parse_ws_pcdata_single;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isBlank(const char* text)
{
    for (; *text; ++text) {
        if (!isSpace(*text))
            return false;
    }
    return true;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isText(pugi::xml_node node)
{
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

// The character content of a leaf element: a view into the document when it is one piece (the
// usual case), else joined in `scratch`; nullopt when the element holds elements.
std::optional<std::string_view> elementText(pugi::xml_node element, std::string& scratch)
{
    pugi::xml_node child = element.first_child();
    if (!child)
        return std::string_view {};
    if (!child.next_sibling()) {
        if (!isText(child))
            return std::nullopt;
        const char* text = child.value();
        return std::string_view(text, std::strlen(text));
    }
    scratch.clear();
    for (; child; child = child.next_sibling()) {
        if (!isText(child))
            return std::nullopt;
        scratch.append(child.value());
    }
    return std::string_view(scratch);
}

enum class Tag { Dict, Array, Key, String, Integer, Real, True, False, Data, Date, Unknown };

bool nameIs(const char* name, std::string_view expected)
{
    for (char c : expected) {
        if (*name++ != c)
            return false;
    }
    return *name == '\0';
}

// Element names by their first letter, because this runs once per element.
Tag tagOf(const char* name)
{
    switch (name[0]) {
    case 'd':
        return nameIs(name, "dict") ? Tag::Dict
            : nameIs(name, "data")  ? Tag::Data
            : nameIs(name, "date")  ? Tag::Date
                                    : Tag::Unknown;
    case 'a':
        return nameIs(name, "array") ? Tag::Array : Tag::Unknown;
    case 'k':
        return nameIs(name, "key") ? Tag::Key : Tag::Unknown;
    case 's':
        return nameIs(name, "string") ? Tag::String : Tag::Unknown;
    case 'i':
        return nameIs(name, "integer") ? Tag::Integer : Tag::Unknown;
    case 'r':
        return nameIs(name, "real") ? Tag::Real : Tag::Unknown;
    case 't':
        return nameIs(name, "true") ? Tag::True : Tag::Unknown;
    case 'f':
        return nameIs(name, "false") ? Tag::False : Tag::Unknown;
    default:
        return Tag::Unknown;
    }
}

std::optional<std::int64_t> parseInteger(std::string_view text)
{
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint64_t magnitude = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (magnitude > kMax + (negative ? 1 : 0))
        return std::nullopt;
    return negative ? static_cast<std::int64_t>(0 - magnitude)
                    : static_cast<std::int64_t>(magnitude);
}

std::optional<double> parseReal(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    double real = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), real);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return real;
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    auto yearOfEra = static_cast<unsigned>(year - era * 400);
    unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

// "YYYY-MM-DDTHH:MM:SSZ", the only form property lists write.
std::optional<Date> parseDate(std::string_view text)
{
    text = trimmed(text);
    static constexpr std::string_view kPattern = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != kPattern.size())
        return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i])
            return std::nullopt;
    }
    auto number = [&](std::size_t at, std::size_t length) {
        int value = 0;
        for (std::size_t i = at; i < at + length; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    int month = number(5, 2), day = number(8, 2);
    int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    std::int64_t days
        = daysFromCivil(number(0, 4), static_cast<unsigned>(month), static_cast<unsigned>(day));
    constexpr std::int64_t kReferenceDateInUnixTime = 978307200;
    std::int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    Date date;
    date.secondsSinceReferenceDate = static_cast<double>(seconds - kReferenceDateInUnixTime);
    return date;
}

// Converts elements to values; with a null `out` it only checks them, so that a caller after
// one value still rejects a document that is damaged anywhere.
class XmlConverter {
public:
    explicit XmlConverter(bool checkUtf8)
        : m_checkUtf8(checkUtf8)
    {
    }
    bool convert(pugi::xml_node element, Value* out, int depth);
    // The root dictionary's entries are checked; only the value of `key` is built.
    bool lookUp(pugi::xml_node dictionary, std::string_view key, std::optional<Value>& found);

private:
    // Checks each key of a dictionary and hands it with its value's element to `visit`, which
    // answers false to fail. The key may live in the scratch buffer: use it before converting.
    template <class Visit> bool forEachEntry(pugi::xml_node dictionary, Visit&& visit);
    bool convertLeaf(pugi::xml_node element, Tag tag, Value* out);
    bool convertDictionary(pugi::xml_node element, Value* out, int depth);
    bool convertArray(pugi::xml_node element, Value* out, int depth);

    bool m_checkUtf8;
    std::string m_scratch; // reused for text split by comments or CDATA
};

// Skips white-space text between the elements of a container; false for any other text.
bool nextElement(pugi::xml_node& node)
{
    for (; node; node = node.next_sibling()) {
        if (node.type() == pugi::node_element)
            return true;
        if (!isText(node) || !isBlank(node.value()))
            return false;
    }
    return true;
}

bool XmlConverter::convert(pugi::xml_node element, Value* out, int depth)
{
    if (depth > kMaxPropertyListDepth)
        return false;
    Tag tag = tagOf(element.name());
    if (tag == Tag::Dict)
        return convertDictionary(element, out, depth);
    if (tag == Tag::Array)
        return convertArray(element, out, depth);
    return convertLeaf(element, tag, out);
}

bool XmlConverter::convertLeaf(pugi::xml_node element, Tag tag, Value* out)
{
    if (tag == Tag::True || tag == Tag::False) {
        if (out)
            *out = Value(tag == Tag::True);
        return true;
    }
    auto text = elementText(element, m_scratch);
    if (!text)
        return false;
    switch (tag) {
    case Tag::String:
        if (m_checkUtf8 && !isValidUtf8(*text))
            return false;
        if (out)
            *out = Value(std::string(*text));
        return true;
    case Tag::Integer: {
        auto integer = parseInteger(*text);
        if (!integer)
            return false;
        if (out)
            *out = Value(*integer);
        return true;
    }
    case Tag::Real: {
        auto real = parseReal(*text);
        if (!real)
            return false;
        if (out)
            *out = Value(*real);
        return true;
    }
    case Tag::Data: {
        auto bytes = base64DecodeLenient(*text);
        if (!bytes)
            return false;
        if (out)
            *out = Value(Data(bytes->begin(), bytes->end()));
        return true;
    }
    case Tag::Date: {
        auto date = parseDate(*text);
        if (!date)
            return false;
        if (out)
            *out = Value(*date);
        return true;
    }
    default:
        return false;
    }
}

template <class Visit> bool XmlConverter::forEachEntry(pugi::xml_node dictionary, Visit&& visit)
{
    pugi::xml_node node = dictionary.first_child();
    for (;;) {
        if (!nextElement(node))
            return false;
        if (!node)
            return true;
        if (tagOf(node.name()) != Tag::Key)
            return false;
        auto key = elementText(node, m_scratch);
        if (!key || (m_checkUtf8 && !isValidUtf8(*key)))
            return false;
        node = node.next_sibling();
        if (!nextElement(node) || !node)
            return false;
        if (!visit(*key, node))
            return false;
        node = node.next_sibling();
    }
}

bool XmlConverter::convertDictionary(pugi::xml_node element, Value* out, int depth)
{
    Dictionary* dictionary = nullptr;
    if (out) {
        *out = Value(Dictionary {});
        dictionary = out->asDictionary();
    }
    return forEachEntry(element, [&](std::string_view key, pugi::xml_node value) {
        Value* slot = nullptr;
        // Files are written with sorted keys, so the end is almost always the right place.
        if (dictionary)
            slot = &dictionary->emplace_hint(dictionary->end(), key, Value {})->second;
        return convert(value, slot, depth + 1);
    });
}

bool XmlConverter::convertArray(pugi::xml_node element, Value* out, int depth)
{
    Array* array = nullptr;
    if (out) {
        *out = Value(Array {});
        array = out->asArray();
    }
    pugi::xml_node node = element.first_child();
    for (;;) {
        if (!nextElement(node))
            return false;
        if (!node)
            return true;
        if (!convert(node, array ? &array->emplace_back() : nullptr, depth + 1))
            return false;
        node = node.next_sibling();
    }
}

bool XmlConverter::lookUp(
    pugi::xml_node dictionary, std::string_view key, std::optional<Value>& found)
{
    return forEachEntry(dictionary, [&](std::string_view name, pugi::xml_node value) {
        // As in a whole dictionary, a repeated key holds its last value.
        bool wanted = name == key;
        if (wanted)
            found.emplace();
        return convert(value, wanted ? &*found : nullptr, 2);
    });
}

// The one element below `parent`, with nothing but white space around it.
pugi::xml_node onlyElement(pugi::xml_node parent)
{
    pugi::xml_node node = parent.first_child();
    if (!nextElement(node) || !node)
        return {};
    pugi::xml_node rest = node.next_sibling();
    if (!nextElement(rest) || rest)
        return {};
    return node;
}

// Text can only be invalid UTF-8 when the document has bytes beyond ASCII or numeric character
// references (which may name surrogates); most settings files have neither, and one pass over
// the document is cheaper than checking every string.
bool needsUtf8Check(const char* bytes, std::size_t size)
{
    std::size_t i = 0;
    std::uint64_t high = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        high |= word;
    }
    for (; i < size; ++i)
        high |= static_cast<unsigned char>(bytes[i]);
    if (high & 0x8080808080808080u)
        return true;
    return std::string_view(bytes, size).find("&#") != std::string_view::npos;
}

// Parses the document in place; the element inside <plist>, or a null node when the bytes are
// not one property list.
pugi::xml_node rootElement(pugi::xml_document& document, char* bytes, std::size_t size)
{
    if (!document.load_buffer_inplace(bytes, size, kParseOptions, pugi::encoding_utf8))
        return {};
    pugi::xml_node plist = onlyElement(document);
    if (!plist || !nameIs(plist.name(), "plist"))
        return {};
    return onlyElement(plist);
}

} // namespace

std::optional<Value> parseXmlPropertyList(char* bytes, std::size_t size)
{
    XmlConverter converter(needsUtf8Check(bytes, size));
    pugi::xml_document document;
    pugi::xml_node root = rootElement(document, bytes, size);
    Value value;
    if (!root || !converter.convert(root, &value, 1))
        return std::nullopt;
    return value;
}

XmlLookUp lookUpXmlPropertyList(char* bytes, std::size_t size, std::string_view key)
{
    XmlConverter converter(needsUtf8Check(bytes, size));
    pugi::xml_document document;
    pugi::xml_node root = rootElement(document, bytes, size);
    XmlLookUp found;
    found.sound
        = root && tagOf(root.name()) == Tag::Dict && converter.lookUp(root, key, found.value);
    if (!found.sound)
        found.value.reset();
    return found;
}

} // namespace fw
