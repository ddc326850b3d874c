#include "foundation/NumberScanner.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace fw {

namespace {

// The scanners skip the platform's white space and line breaks, which is Unicode's White_Space
// (no-break space, ideographic space, line separator, ...), not only ASCII's.
std::size_t skipWhiteSpace(std::string_view text, std::size_t i)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(
        std::min<std::size_t>(text.size(), std::numeric_limits<std::int32_t>::max()));
    auto offset = static_cast<std::int32_t>(std::min<std::size_t>(i, length));
    while (offset < length) {
        std::int32_t next = offset;
        UChar32 c;
        U8_NEXT(bytes, next, length, c);
        // A malformed sequence is no white space: the scan stops there.
        if (c < 0 || !u_isUWhiteSpace(c))
            break;
        offset = next;
    }
    return static_cast<std::size_t>(offset);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::size_t countDigits(std::string_view text, std::size_t from)
{
    std::size_t i = from;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i - from;
}

// The leading number after white space, sign included; empty when the text has none.
std::string_view leadingNumber(std::string_view text)
{
    std::size_t start = skipWhiteSpace(text, 0);
    std::size_t i = start;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t integerDigits = countDigits(text, i);
    i += integerDigits;
    std::size_t fractionDigits = 0;
    if (i < text.size() && text[i] == '.') {
        fractionDigits = countDigits(text, i + 1);
        if (integerDigits + fractionDigits > 0)
            i += 1 + fractionDigits;
    }
    if (integerDigits + fractionDigits == 0)
        return {};
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        std::size_t exponentDigits = countDigits(text, j);
        if (exponentDigits > 0)
            i = j + exponentDigits;
    }
    return text.substr(start, i - start);
}

// Whether an out-of-range number is too large (rather than too small): its decimal magnitude
// is the position of the first significant digit plus the exponent.
bool isOverflow(std::string_view number)
{
    std::size_t i = (number[0] == '-' || number[0] == '+') ? 1 : 0;
    long magnitude = 0;
    bool seenPoint = false;
    bool found = false;
    for (; i < number.size() && (isDigit(number[i]) || number[i] == '.'); ++i) {
        if (number[i] == '.') {
            seenPoint = true;
            continue;
        }
        if (found) {
            magnitude += seenPoint ? 0 : 1;
            continue;
        }
        if (number[i] != '0') {
            found = true;
            magnitude -= seenPoint ? 1 : 0;
            continue;
        }
        magnitude -= seenPoint ? 1 : 0;
    }
    long exponent = 0;
    if (i < number.size()) {
        std::string_view digits = number.substr(i + 1);
        bool negative = !digits.empty() && digits[0] == '-';
        if (!digits.empty() && (digits[0] == '-' || digits[0] == '+'))
            digits.remove_prefix(1);
        for (char c : digits)
            exponent = std::min(exponent * 10 + (c - '0'), 1'000'000L);
        exponent = negative ? -exponent : exponent;
    }
    return magnitude + exponent >= 0;
}

template <typename Real> Real scan(std::string_view text)
{
    std::string_view number = leadingNumber(text);
    if (number.empty())
        return 0;
    std::string_view digits = number[0] == '+' ? number.substr(1) : number;
    Real value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    (void)end;
    if (error != std::errc::result_out_of_range)
        return value;
    Real limit = isOverflow(number) ? std::numeric_limits<Real>::infinity() : Real(0);
    return number[0] == '-' ? -limit : limit;
}

} // namespace

double scanDouble(std::string_view text)
{
    return scan<double>(text);
}

float scanFloat(std::string_view text)
{
    return scan<float>(text);
}

std::uint32_t scanHexInt(std::string_view text, std::size_t start)
{
    std::size_t i = skipWhiteSpace(text, start);
    // A "0x" with no digit after it reads as the number 0, which is what skipping it gives too.
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X'))
        i += 2;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        int digit = hexDigitValue(text[i]);
        if (digit < 0)
            break;
        value = std::min<std::uint64_t>(
            value * 16 + static_cast<std::uint64_t>(digit), std::uint64_t { 0xFFFFFFFF } + 1);
    }
    return value > 0xFFFFFFFF ? 0xFFFFFFFF : static_cast<std::uint32_t>(value);
}

std::string formatDouble6(double value)
{
    char buffer[400];
    auto [end, error]
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (error != std::errc())
        return {};
    return std::string(buffer, end);
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace fw
