#include "theming/ColourValue.hpp"

#include "foundation/NumberScanner.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace theming {

namespace {

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::optional<unsigned> parseHexDigits(std::string_view digits)
{
    if (digits.starts_with("0x") || digits.starts_with("0X"))
        digits.remove_prefix(2);
    if (digits.size() != 6)
        return std::nullopt;
    unsigned value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

std::optional<double> parseAlpha(std::string_view text)
{
    // from_chars would take "inf" and "nan"; the bundle writes plain decimals only.
    if (text.empty() || text.find_first_not_of("0123456789.+-eE") != std::string_view::npos)
        return std::nullopt;
    if (text.front() == '+')
        text.remove_prefix(1);
    double alpha = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), alpha);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(alpha))
        return std::nullopt;
    return std::clamp(alpha, 0.0, 1.0);
}

int toByte(double component)
{
    return static_cast<int>(std::lround(std::clamp(component, 0.0, 1.0) * 255.0));
}

} // namespace

std::optional<Rgba> parseColourValue(std::string_view text)
{
    text = trimmed(text);
    if (text.starts_with('#'))
        text.remove_prefix(1);
    double alpha = 1.0;
    if (auto colon = text.find(':'); colon != std::string_view::npos) {
        auto parsed = parseAlpha(trimmed(text.substr(colon + 1)));
        if (!parsed)
            return std::nullopt;
        alpha = *parsed;
        text = trimmed(text.substr(0, colon));
    }
    auto hex = parseHexDigits(text);
    if (!hex)
        return std::nullopt;
    return rgb(*hex, alpha);
}

std::string displayColour(const Rgba& colour)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X:", toByte(colour.red), toByte(colour.green),
        toByte(colour.blue));
    // to_chars never looks at the locale, unlike printf's %f.
    char alpha[16];
    auto end = std::to_chars(alpha, alpha + sizeof alpha, std::clamp(colour.alpha, 0.0, 1.0),
        std::chars_format::fixed, 2)
                   .ptr;
    return std::string(hex) + std::string(alpha, end);
}

std::string storedColourValue(std::uint8_t red, std::uint8_t green, std::uint8_t blue, double alpha)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X:", red, green, blue);
    return hex + fw::formatDouble6(std::clamp(alpha, 0.0, 1.0));
}

} // namespace theming
