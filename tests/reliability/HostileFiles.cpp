#include "HostileFiles.hpp"

#include "foundation/PropertyList.hpp"

#include <random>

namespace reliability {

namespace {

// Well past the limit, as a hostile file would be.
constexpr std::uint32_t kDeepLevels = fw::kMaxPropertyListDepth + 88;

void putBigEndian(std::string& out, std::uint64_t value, unsigned size)
{
    for (unsigned i = size; i-- > 0;)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The 32-byte trailer: sizes, object count, top object, where the offset table starts.
void putTrailer(std::string& out, unsigned offsetSize, unsigned refSize, std::uint64_t objects,
    std::uint64_t tableStart)
{
    out.append(6, '\0');
    out += static_cast<char>(offsetSize);
    out += static_cast<char>(refSize);
    putBigEndian(out, objects, 8);
    putBigEndian(out, 0, 8);
    putBigEndian(out, tableStart, 8);
}

std::string truncated(const std::string& sound)
{
    return sound.substr(0, sound.size() / 2);
}
std::string empty(const std::string&)
{
    return {};
}

std::string randomBytes(const std::string& sound)
{
    std::mt19937 random(static_cast<unsigned>(sound.size()));
    std::string bytes(4096, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

std::string binaryGarbage(const std::string& sound)
{
    return "bplist00" + randomBytes(sound);
}
std::string deepXml(const std::string&)
{
    return xmlNestedArrays(kDeepLevels);
}
std::string deepBinary(const std::string&)
{
    return binaryNestedArrays(kDeepLevels);
}

std::string oversized(const std::string& sound)
{
    // Sound except for its size: white space after the end of the document.
    return sound + std::string(fw::kMaxPropertyListBytes + 1, '\n');
}

std::string notADictionary(const std::string&)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n"
           "<array><string>#FF0000:1.000000</string><integer>7</integer></array>\n</plist>\n";
}

std::string notUtf8(const std::string&)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "<key>backgroundTint</key><string>\xC0\xAF\xFF\xFE</string>\n"
           "<key>\xED\xA0\x80</key><string>#FF0000</string>\n</dict>\n</plist>\n";
}

} // namespace

std::string binaryNestedArrays(std::uint32_t depth, unsigned fanOut)
{
    const unsigned refSize = 4, offsetSize = 4;
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (std::uint32_t object = 0; object + 1 < depth; ++object) {
        offsets.push_back(out.size());
        out += static_cast<char>(0xA0 | fanOut);
        for (unsigned i = 0; i < fanOut; ++i)
            putBigEndian(out, object + 1, refSize);
    }
    offsets.push_back(out.size());
    out += static_cast<char>(0x10);
    out += static_cast<char>(1);
    auto tableStart = out.size();
    for (auto offset : offsets)
        putBigEndian(out, offset, offsetSize);
    putTrailer(out, offsetSize, refSize, offsets.size(), tableStart);
    return out;
}

std::string binaryDictionary(const std::vector<std::pair<std::string, std::string>>& entries)
{
    const unsigned refSize = 1, offsetSize = 2;
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets { out.size() };
    auto count = entries.size();
    out += static_cast<char>(0xD0 | count);
    for (std::size_t i = 0; i < 2 * count; ++i)
        putBigEndian(out, 1 + i, refSize);
    auto putString = [&](const std::string& text) {
        offsets.push_back(out.size());
        out += static_cast<char>(0x5F);
        out += static_cast<char>(0x10);
        out += static_cast<char>(text.size());
        out += text;
    };
    for (const auto& entry : entries)
        putString(entry.first);
    for (const auto& entry : entries)
        putString(entry.second);
    auto tableStart = out.size();
    for (auto offset : offsets)
        putBigEndian(out, offset, offsetSize);
    putTrailer(out, offsetSize, refSize, offsets.size(), tableStart);
    return out;
}

std::string binaryArrayClaiming(std::uint64_t count)
{
    std::string out = "bplist00";
    out += static_cast<char>(0xAF);
    out += static_cast<char>(0x13); // an 8-byte count follows
    putBigEndian(out, count, 8);
    putBigEndian(out, 0, 1);
    auto tableStart = out.size();
    putBigEndian(out, 8, 1);
    putTrailer(out, 1, 1, 1, tableStart);
    return out;
}

std::string xmlNestedArrays(std::size_t depth)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
    out.reserve(depth * 16 + 100);
    for (std::size_t i = 0; i < depth; ++i)
        out += "<array>";
    out += "<string>deep</string>";
    for (std::size_t i = 0; i < depth; ++i)
        out += "</array>";
    return out + "</plist>\n";
}

const std::vector<Damage>& damages()
{
    static const std::vector<Damage> all {
        { "truncated", truncated },
        { "empty", empty },
        { "random bytes", randomBytes },
        { "binary garbage", binaryGarbage },
        { "XML past the depth limit", deepXml },
        { "binary past the depth limit", deepBinary },
        { "past the size limit", oversized },
        { "no dictionary", notADictionary },
        { "no UTF-8", notUtf8 },
    };
    return all;
}

} // namespace reliability
