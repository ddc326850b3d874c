#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace theming {

// A colour as the component applies it: components and alpha in 0–1.
struct Rgba {
    double red { 0 };
    double green { 0 };
    double blue { 0 };
    double alpha { 1 };

    bool operator==(const Rgba&) const = default;
};

// Reads a stored colour value: "#RRGGBB" with an optional ":alpha", the "#" optional, a "0x"
// allowed before the digits, digits in either case, white space around the whole ignored.
// Anything else (fewer or more digits, an alpha that is not a plain finite number) is malformed
// and gives nullopt, so the caller falls back to its stock colour instead of painting black.
// Alpha is clamped to 0–1.
std::optional<Rgba> parseColourValue(std::string_view text);

// "#RRGGBB:0.50": components rounded to bytes, alpha with two decimals, for display.
std::string displayColour(const Rgba& colour);

// A colour as the settings store writes one ("#RRGGBB:%f"), for files made outside the bundle
// (themes from images) that the bundle and this component must read exactly as their own.
std::string storedColourValue(
    std::uint8_t red, std::uint8_t green, std::uint8_t blue, double alpha);

// Shorthand for the stock colour table: 0xRRGGBB and an alpha.
constexpr Rgba rgb(unsigned hex, double alpha = 1.0)
{
    return { ((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0, (hex & 0xFF) / 255.0,
        alpha };
}

} // namespace theming
