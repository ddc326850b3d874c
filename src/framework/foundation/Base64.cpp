#include "foundation/Base64.hpp"

#include <array>
#include <cstdint>

namespace fw {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::int8_t kInvalid = -1;
constexpr std::int8_t kSpace = -2;
constexpr std::int8_t kPad = -3;

constexpr std::array<std::int8_t, 256> makeDecodeTable()
{
    std::array<std::int8_t, 256> table {};
    for (auto& entry : table)
        entry = kInvalid;
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
    for (unsigned char c : { ' ', '\t', '\n', '\r', '\v', '\f' })
        table[c] = kSpace;
    table['='] = kPad;
    return table;
}

constexpr auto kDecode = makeDecodeTable();

// Decodes groups of sextets; `padding` is how many "=" ended the text (0-2).
std::optional<std::string> decodeSextets(std::string_view sextets, std::size_t padding)
{
    std::size_t tail = sextets.size() % 4;
    if (tail == 1 || (padding > 0 && (sextets.size() + padding) % 4 != 0))
        return std::nullopt;
    std::string out;
    out.reserve(sextets.size() / 4 * 3 + 2);
    std::uint32_t buffer = 0;
    int bits = 0;
    for (char c : sextets) {
        buffer = (buffer << 6) | static_cast<std::uint32_t>(c);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    return out;
}

// Collects sextet values; white space is skipped only when `skipSpace`.
std::optional<std::string> decode(std::string_view text, bool skipSpace)
{
    std::string sextets;
    sextets.reserve(text.size());
    std::size_t padding = 0;
    for (char c : text) {
        std::int8_t value = kDecode[static_cast<unsigned char>(c)];
        if (value == kSpace && skipSpace)
            continue;
        if (value == kPad) {
            ++padding;
            continue;
        }
        // Nothing but padding (or skipped space) may follow the first "=".
        if (value < 0 || padding > 0)
            return std::nullopt;
        sextets.push_back(static_cast<char>(value));
    }
    if (padding > 2)
        return std::nullopt;
    return decodeSextets(sextets, padding);
}

} // namespace

std::string base64Encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    auto byteAt = [&](std::size_t index) { return static_cast<unsigned char>(bytes[index]); };
    for (; i + 3 <= bytes.size(); i += 3) {
        std::uint32_t group = byteAt(i) << 16 | byteAt(i + 1) << 8 | byteAt(i + 2);
        out.push_back(kAlphabet[group >> 18]);
        out.push_back(kAlphabet[(group >> 12) & 63]);
        out.push_back(kAlphabet[(group >> 6) & 63]);
        out.push_back(kAlphabet[group & 63]);
    }
    std::size_t rest = bytes.size() - i;
    if (rest == 0)
        return out;
    std::uint32_t group = byteAt(i) << 16 | (rest == 2 ? byteAt(i + 1) << 8 : 0);
    out.push_back(kAlphabet[group >> 18]);
    out.push_back(kAlphabet[(group >> 12) & 63]);
    out.push_back(rest == 2 ? kAlphabet[(group >> 6) & 63] : '=');
    out.push_back('=');
    return out;
}

std::optional<std::string> base64DecodeStrict(std::string_view text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    return decode(text, false);
}

std::optional<std::string> base64DecodeLenient(std::string_view text)
{
    return decode(text, true);
}

} // namespace fw
