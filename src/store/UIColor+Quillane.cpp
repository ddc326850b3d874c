#include "foundation/NumberScanner.hpp"
#include "store/UIColor+Quillane.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace qln {

namespace {

// Components outside 0–1 would otherwise give more than two digits or a wrapped byte.
int byteOf(double component)
{
    if (std::isnan(component) || component < 0.0)
        return 0;
    if (component > 1.0)
        return 255;
    return static_cast<int>(component * 255.0);
}

} // namespace

std::optional<fw::UIColor> qlnRGBAColorFromHexString(std::optional<std::string_view> string)
{
    if (!string || string->empty())
        return std::nullopt;
    std::string_view text = *string;

    double alpha = 1.0;
    std::string_view colourPart = text;
    std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        alpha = static_cast<double>(fw::scanFloat(text.substr(colon + 1)));
        colourPart = text.substr(0, colon);
    }

    // The scan runs over the whole text; it stops at the ":" by itself.
    std::size_t start = (!colourPart.empty() && colourPart.front() == '#') ? 1 : 0;
    std::uint32_t n = fw::scanHexInt(text, start);

    double red = ((n >> 16) & 0xFF) / 255.0;
    double green = ((n >> 8) & 0xFF) / 255.0;
    double blue = (n & 0xFF) / 255.0;
    return fw::UIColor::colorWithRed(red, green, blue, alpha);
}

std::string qlnHexStringFromColor(const fw::UIColor& color)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", byteOf(color.red), byteOf(color.green),
        byteOf(color.blue));
    return std::string(hex) + ":" + fw::formatDouble6(color.alpha);
}

fw::UIColor qlnInverseColor(const fw::UIColor& color)
{
    return fw::UIColor::colorWithRed(
        1.0 - color.red, 1.0 - color.green, 1.0 - color.blue, color.alpha);
}

bool qlnIsBrightColor(const fw::UIColor& color)
{
    double brightness = (color.red * 299 + color.green * 587 + color.blue * 114) / 1000;
    return brightness > 0.65;
}

} // namespace qln
