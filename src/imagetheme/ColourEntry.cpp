#include "imagetheme/ColourEntry.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

namespace imagetheme {

namespace {

constexpr NamedColour kNames[] = {
    { "aliceblue", 0xF0F8FF },
    { "antiquewhite", 0xFAEBD7 },
    { "aqua", 0x00FFFF },
    { "aquamarine", 0x7FFFD4 },
    { "azure", 0xF0FFFF },
    { "beige", 0xF5F5DC },
    { "bisque", 0xFFE4C4 },
    { "black", 0x000000 },
    { "blanchedalmond", 0xFFEBCD },
    { "blue", 0x0000FF },
    { "blueviolet", 0x8A2BE2 },
    { "brown", 0xA52A2A },
    { "burlywood", 0xDEB887 },
    { "cadetblue", 0x5F9EA0 },
    { "chartreuse", 0x7FFF00 },
    { "chocolate", 0xD2691E },
    { "coral", 0xFF7F50 },
    { "cornflowerblue", 0x6495ED },
    { "cornsilk", 0xFFF8DC },
    { "crimson", 0xDC143C },
    { "cyan", 0x00FFFF },
    { "darkblue", 0x00008B },
    { "darkcyan", 0x008B8B },
    { "darkgoldenrod", 0xB8860B },
    { "darkgray", 0xA9A9A9 },
    { "darkgreen", 0x006400 },
    { "darkgrey", 0xA9A9A9 },
    { "darkkhaki", 0xBDB76B },
    { "darkmagenta", 0x8B008B },
    { "darkolivegreen", 0x556B2F },
    { "darkorange", 0xFF8C00 },
    { "darkorchid", 0x9932CC },
    { "darkred", 0x8B0000 },
    { "darksalmon", 0xE9967A },
    { "darkseagreen", 0x8FBC8F },
    { "darkslateblue", 0x483D8B },
    { "darkslategray", 0x2F4F4F },
    { "darkslategrey", 0x2F4F4F },
    { "darkturquoise", 0x00CED1 },
    { "darkviolet", 0x9400D3 },
    { "deeppink", 0xFF1493 },
    { "deepskyblue", 0x00BFFF },
    { "dimgray", 0x696969 },
    { "dimgrey", 0x696969 },
    { "dodgerblue", 0x1E90FF },
    { "firebrick", 0xB22222 },
    { "floralwhite", 0xFFFAF0 },
    { "forestgreen", 0x228B22 },
    { "fuchsia", 0xFF00FF },
    { "gainsboro", 0xDCDCDC },
    { "ghostwhite", 0xF8F8FF },
    { "gold", 0xFFD700 },
    { "goldenrod", 0xDAA520 },
    { "gray", 0x808080 },
    { "green", 0x008000 },
    { "greenyellow", 0xADFF2F },
    { "grey", 0x808080 },
    { "honeydew", 0xF0FFF0 },
    { "hotpink", 0xFF69B4 },
    { "indianred", 0xCD5C5C },
    { "indigo", 0x4B0082 },
    { "ivory", 0xFFFFF0 },
    { "khaki", 0xF0E68C },
    { "lavender", 0xE6E6FA },
    { "lavenderblush", 0xFFF0F5 },
    { "lawngreen", 0x7CFC00 },
    { "lemonchiffon", 0xFFFACD },
    { "lightblue", 0xADD8E6 },
    { "lightcoral", 0xF08080 },
    { "lightcyan", 0xE0FFFF },
    { "lightgoldenrodyellow", 0xFAFAD2 },
    { "lightgray", 0xD3D3D3 },
    { "lightgreen", 0x90EE90 },
    { "lightgrey", 0xD3D3D3 },
    { "lightpink", 0xFFB6C1 },
    { "lightsalmon", 0xFFA07A },
    { "lightseagreen", 0x20B2AA },
    { "lightskyblue", 0x87CEFA },
    { "lightslategray", 0x778899 },
    { "lightslategrey", 0x778899 },
    { "lightsteelblue", 0xB0C4DE },
    { "lightyellow", 0xFFFFE0 },
    { "lime", 0x00FF00 },
    { "limegreen", 0x32CD32 },
    { "linen", 0xFAF0E6 },
    { "magenta", 0xFF00FF },
    { "maroon", 0x800000 },
    { "mediumaquamarine", 0x66CDAA },
    { "mediumblue", 0x0000CD },
    { "mediumorchid", 0xBA55D3 },
    { "mediumpurple", 0x9370DB },
    { "mediumseagreen", 0x3CB371 },
    { "mediumslateblue", 0x7B68EE },
    { "mediumspringgreen", 0x00FA9A },
    { "mediumturquoise", 0x48D1CC },
    { "mediumvioletred", 0xC71585 },
    { "midnightblue", 0x191970 },
    { "mintcream", 0xF5FFFA },
    { "mistyrose", 0xFFE4E1 },
    { "moccasin", 0xFFE4B5 },
    { "navajowhite", 0xFFDEAD },
    { "navy", 0x000080 },
    { "oldlace", 0xFDF5E6 },
    { "olive", 0x808000 },
    { "olivedrab", 0x6B8E23 },
    { "orange", 0xFFA500 },
    { "orangered", 0xFF4500 },
    { "orchid", 0xDA70D6 },
    { "palegoldenrod", 0xEEE8AA },
    { "palegreen", 0x98FB98 },
    { "paleturquoise", 0xAFEEEE },
    { "palevioletred", 0xDB7093 },
    { "papayawhip", 0xFFEFD5 },
    { "peachpuff", 0xFFDAB9 },
    { "peru", 0xCD853F },
    { "pink", 0xFFC0CB },
    { "plum", 0xDDA0DD },
    { "powderblue", 0xB0E0E6 },
    { "purple", 0x800080 },
    { "rebeccapurple", 0x663399 },
    { "red", 0xFF0000 },
    { "rosybrown", 0xBC8F8F },
    { "royalblue", 0x4169E1 },
    { "saddlebrown", 0x8B4513 },
    { "salmon", 0xFA8072 },
    { "sandybrown", 0xF4A460 },
    { "seagreen", 0x2E8B57 },
    { "seashell", 0xFFF5EE },
    { "sienna", 0xA0522D },
    { "silver", 0xC0C0C0 },
    { "skyblue", 0x87CEEB },
    { "slateblue", 0x6A5ACD },
    { "slategray", 0x708090 },
    { "slategrey", 0x708090 },
    { "snow", 0xFFFAFA },
    { "springgreen", 0x00FF7F },
    { "steelblue", 0x4682B4 },
    { "tan", 0xD2B48C },
    { "teal", 0x008080 },
    { "thistle", 0xD8BFD8 },
    { "tomato", 0xFF6347 },
    { "turquoise", 0x40E0D0 },
    { "violet", 0xEE82EE },
    { "wheat", 0xF5DEB3 },
    { "white", 0xFFFFFF },
    { "whitesmoke", 0xF5F5F5 },
    { "yellow", 0xFFFF00 },
    { "yellowgreen", 0x9ACD32 },
};

using theming::Rgba;

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string lowered(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool allHex(std::string_view text)
{
    return std::all_of(
        text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c) != 0; });
}

int hexValue(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
}

// #RGB, #RGBA, #RRGGBB or #RRGGBBAA without the "#": the short forms double each digit.
Rgba fromHexDigits(std::string_view digits)
{
    std::array<double, 4> channels { 0, 0, 0, 1 };
    bool shortForm = digits.size() <= 4;
    std::size_t count = shortForm ? digits.size() : digits.size() / 2;
    for (std::size_t i = 0; i < count; ++i) {
        int value = shortForm ? hexValue(digits[i]) * 17
                              : hexValue(digits[2 * i]) * 16 + hexValue(digits[2 * i + 1]);
        channels[i] = value / 255.0;
    }
    return { channels[0], channels[1], channels[2], channels[3] };
}

Rgba fromValue(unsigned value)
{
    return { ((value >> 16) & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0, (value & 0xFF) / 255.0,
        1.0 };
}

// A number as CSS writes one: sign, digits with an optional fraction, an optional exponent;
// nothing else (no hexadecimal, no "Infinity").
std::optional<double> number(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t exponent = i + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
            ++exponent;
        std::size_t start = exponent;
        while (exponent < text.size() && std::isdigit(static_cast<unsigned char>(text[exponent])))
            ++exponent;
        if (exponent == start)
            return std::nullopt;
        i = exponent;
    }
    if (i != text.size())
        return std::nullopt;
    std::string plain(text.front() == '+' ? text.substr(1) : text);
    double value = 0;
    auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// "50%" or "0.5" as 0 to 1 (an opacity, a saturation), or nothing outside it.
std::optional<double> unit(std::string_view text)
{
    bool percent = text.ends_with('%');
    auto value = number(percent ? text.substr(0, text.size() - 1) : text);
    if (!value)
        return std::nullopt;
    double x = percent ? *value / 100 : *value;
    return x >= 0 && x <= 1 ? std::optional(x) : std::nullopt;
}

// A channel of rgb(): 0 to 255, or a percentage.
std::optional<double> channel(std::string_view text)
{
    if (text.ends_with('%'))
        return unit(text);
    auto value = number(text);
    return value && *value >= 0 && *value <= 255 ? std::optional(*value / 255) : std::nullopt;
}

std::optional<double> hue(std::string_view text)
{
    double scale = 1;
    for (auto [suffix, factor] : { std::pair { "deg", 1.0 }, { "turn", 360.0 },
             { "rad", 180.0 / 3.14159265358979323846 } }) {
        if (text.ends_with(suffix)) {
            text.remove_suffix(std::string_view(suffix).size());
            scale = factor;
            break;
        }
    }
    auto value = number(text);
    if (!value)
        return std::nullopt;
    double degrees = std::fmod(*value * scale, 360.0);
    return degrees < 0 ? degrees + 360 : degrees;
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        auto end = text.find(separator, start);
        parts.push_back(trimmed(text.substr(start, end - start)));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

std::vector<std::string_view> words(std::string_view text)
{
    std::vector<std::string_view> parts;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        std::size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        if (i > start)
            parts.push_back(text.substr(start, i - start));
    }
    return parts;
}

// The arguments of "name(…)" for one of `names`: separated by commas or by spaces, with an
// optional "/ alpha" after three space-separated ones; nothing when the text is no such call.
std::optional<std::vector<std::string_view>> functionArguments(
    std::string_view text, std::initializer_list<std::string_view> names)
{
    auto open = text.find('(');
    if (open == std::string_view::npos || !text.ends_with(')'))
        return std::nullopt;
    std::string name = lowered(text.substr(0, open));
    if (std::find(names.begin(), names.end(), name) == names.end())
        return std::nullopt;
    std::string_view body = trimmed(text.substr(open + 1, text.size() - open - 2));
    if (body.find_first_of("()") != std::string_view::npos)
        return std::nullopt;
    auto slashed = split(body, '/');
    if (slashed.size() > 2)
        return std::nullopt;
    std::string_view main = slashed[0];
    bool commas = main.find(',') != std::string_view::npos;
    auto parts = commas ? split(main, ',') : words(main);
    if (slashed.size() == 2) {
        if (commas || parts.size() != 3)
            return std::nullopt;
        parts.push_back(slashed[1]);
    }
    if (parts.size() != 3 && parts.size() != 4)
        return std::nullopt;
    return parts;
}

std::optional<Rgba> readRgb(std::string_view text)
{
    auto parts = functionArguments(text, { "rgb", "rgba" });
    if (!parts)
        return std::nullopt;
    auto r = channel((*parts)[0]), g = channel((*parts)[1]), b = channel((*parts)[2]);
    auto a = parts->size() == 4 ? unit((*parts)[3]) : std::optional(1.0);
    if (!r || !g || !b || !a)
        return std::nullopt;
    return Rgba { *r, *g, *b, *a };
}

std::optional<Rgba> readHsl(std::string_view text)
{
    auto parts = functionArguments(text, { "hsl", "hsla" });
    if (!parts)
        return std::nullopt;
    auto h = hue((*parts)[0]);
    auto percentOnly
        = [](std::string_view part) { return part.ends_with('%') ? unit(part) : std::nullopt; };
    auto s = percentOnly((*parts)[1]), l = percentOnly((*parts)[2]);
    auto a = parts->size() == 4 ? unit((*parts)[3]) : std::optional(1.0);
    if (!h || !s || !l || !a)
        return std::nullopt;
    auto component = [&](double n) {
        double k = std::fmod(n + *h / 30, 12);
        double amount = *s * std::min(*l, 1 - *l);
        return *l - amount * std::max(-1.0, std::min({ k - 3, 9 - k, 1.0 }));
    };
    return Rgba { component(0), component(8), component(4), *a };
}

std::optional<Rgba> read(std::string_view text)
{
    if (text.starts_with('#')) {
        std::string_view digits = text.substr(1);
        std::size_t n = digits.size();
        if ((n == 3 || n == 4 || n == 6 || n == 8) && allHex(digits))
            return fromHexDigits(digits);
    }
    // Three or four digits alone read as words as often as colours ("bad", "face").
    if ((text.size() == 6 || text.size() == 8) && allHex(text))
        return fromHexDigits(text);
    // The stored form: "#RRGGBB:alpha", the "#" optional.
    if (auto colon = text.find(':'); colon != std::string_view::npos) {
        std::string_view digits = text.substr(text.starts_with('#') ? 1 : 0);
        digits = digits.substr(0, digits.find(':'));
        std::string_view alphaText = trimmed(text.substr(colon + 1));
        auto alpha = alphaText.ends_with('%') ? std::nullopt : unit(alphaText);
        if (digits.size() == 6 && allHex(digits) && alpha) {
            Rgba colour = fromHexDigits(digits);
            colour.alpha = *alpha;
            return colour;
        }
        return std::nullopt;
    }
    std::string lower = lowered(text);
    for (const NamedColour& named : kNames) {
        if (named.name == lower)
            return fromValue(named.value);
    }
    if (lower == "transparent")
        return Rgba { 0, 0, 0, 0 };
    if (auto rgb = readRgb(text))
        return rgb;
    return readHsl(text);
}

// What is wrong with text that does not read as a colour, as the field in the browser says it.
std::string problemWith(std::string_view text)
{
    std::string_view body = text.starts_with('#') ? text.substr(1) : text;
    std::string_view digits = body.substr(0, body.find(':'));
    bool opacity = body.find(':') != std::string_view::npos;
    if (opacity && digits.size() == 6 && allHex(digits))
        return "the opacity after \u201c:\u201d is a number from 0 to 1";
    if (text.starts_with('#') || (!digits.empty() && allHex(digits))) {
        auto stray = std::find_if(
            digits.begin(), digits.end(), [](unsigned char c) { return std::isxdigit(c) == 0; });
        if (stray != digits.end())
            return "\u201c" + std::string(1, *stray)
                + "\u201d is not a hex digit (0\u20139, A\u2013F)";
        if (!text.starts_with('#') && (digits.size() == 3 || digits.size() == 4))
            return "three or four digits need a \u201c#\u201d: #" + std::string(digits);
        return "a hex colour has 3, 4, 6 or 8 digits; this has " + std::to_string(digits.size());
    }
    std::string lower = lowered(text);
    if (lower.starts_with("rgb(") || lower.starts_with("rgba("))
        return "rgb() takes three channels (0\u2013255 or 0\u2013100%) and an optional opacity "
               "(0\u20131 "
               "or %)";
    if (lower.starts_with("hsl(") || lower.starts_with("hsla("))
        return "hsl() takes a hue, a saturation and a lightness in %, and an optional opacity";
    if (std::all_of(lower.begin(), lower.end(), [](unsigned char c) { return std::isalpha(c); }))
        return "\u201c" + std::string(text) + "\u201d is not a colour name";
    return "not a colour: use #RRGGBB, a colour name, rgb(), hsl() or #RRGGBB:opacity";
}

} // namespace

std::variant<Rgba, ColourEntryProblem> readColourEntry(std::string_view text)
{
    text = trimmed(text);
    if (text.empty())
        return ColourEntryProblem { "no colour was given" };
    if (auto colour = read(text))
        return *colour;
    return ColourEntryProblem { problemWith(text) };
}

std::span<const NamedColour> cssColourNames()
{
    return kNames;
}

} // namespace imagetheme
