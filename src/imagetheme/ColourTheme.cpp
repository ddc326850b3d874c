#include "imagetheme/ColourTheme.hpp"

#include "theming/Legibility.hpp"

#include <algorithm>
#include <cmath>

namespace imagetheme {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Below this chroma a seed has no hue worth keeping: its theme stays grey.
constexpr double kGreyChroma = 0.02;

double decoded(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double encoded(double c)
{
    return c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
}

struct LinearRgb {
    double r, g, b;
};

// OKLab from linear sRGB and back, with the matrices of its definition (Ottosson, 2020).
Oklch oklchOfLinear(const LinearRgb& c)
{
    double l = std::cbrt(0.4122214708 * c.r + 0.5363325363 * c.g + 0.0514459929 * c.b);
    double m = std::cbrt(0.2119034982 * c.r + 0.6806995451 * c.g + 0.1073969566 * c.b);
    double s = std::cbrt(0.0883024619 * c.r + 0.2817188376 * c.g + 0.6299787005 * c.b);
    double L = 0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s;
    double a = 1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s;
    double b = 0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s;
    double hue = std::atan2(b, a) * 180 / kPi;
    return { L, std::hypot(a, b), hue < 0 ? hue + 360 : hue };
}

LinearRgb linearOfOklch(const Oklch& c)
{
    double a = c.C * std::cos(c.h * kPi / 180);
    double b = c.C * std::sin(c.h * kPi / 180);
    double l = std::pow(c.L + 0.3963377774 * a + 0.2158037573 * b, 3);
    double m = std::pow(c.L - 0.1055613458 * a - 0.0638541728 * b, 3);
    double s = std::pow(c.L - 0.0894841775 * a - 1.2914855480 * b, 3);
    return { 4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s,
        -1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s,
        -0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s };
}

bool inGamut(const LinearRgb& c)
{
    constexpr double kSlack = 1e-6;
    return std::min({ c.r, c.g, c.b }) >= -kSlack && std::max({ c.r, c.g, c.b }) <= 1 + kSlack;
}

std::uint8_t byteOf(double linear)
{
    return static_cast<std::uint8_t>(
        std::lround(std::clamp(encoded(std::clamp(linear, 0.0, 1.0)), 0.0, 1.0) * 255));
}

double wrapped(double hue)
{
    hue = std::fmod(hue, 360);
    return hue < 0 ? hue + 360 : hue;
}

// A step of the seed's tonal palette: its hue turned by `turn`, at lightness L, with at most
// `chroma` (and never more than the seed's own: a pastel stays a pastel).
Srgb tone(const Oklch& seed, double turn, double L, double chroma)
{
    return fromOklch({ L, std::min(chroma, seed.C), wrapped(seed.h + turn) });
}

Srgb bytesOf(const Rgba& colour)
{
    auto byte = [](double c) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(c, 0.0, 1.0) * 255));
    };
    return { byte(colour.red), byte(colour.green), byte(colour.blue) };
}

ColourCluster cluster(Srgb colour)
{
    return { colour, toLab(colour), 0 };
}

} // namespace

std::string_view harmonyName(Harmony harmony)
{
    switch (harmony) {
    case Harmony::Analogous:
        return "analogous";
    case Harmony::Complementary:
        return "complementary";
    case Harmony::Monochrome:
        break;
    }
    return "monochrome";
}

std::optional<Harmony> harmonyNamed(std::string_view name)
{
    for (Harmony harmony : { Harmony::Monochrome, Harmony::Analogous, Harmony::Complementary }) {
        if (harmonyName(harmony) == name)
            return harmony;
    }
    return std::nullopt;
}

Oklch toOklch(const Rgba& colour)
{
    return oklchOfLinear({ decoded(colour.red), decoded(colour.green), decoded(colour.blue) });
}

Srgb fromOklch(const Oklch& colour)
{
    Oklch fitted = colour;
    fitted.L = std::clamp(fitted.L, 0.0, 1.0);
    if (!inGamut(linearOfOklch(fitted))) {
        // Halving the interval: the most chroma that still fits, hue and lightness kept.
        double low = 0, high = fitted.C;
        for (int step = 0; step < 30; ++step) {
            fitted.C = (low + high) / 2;
            (inGamut(linearOfOklch(fitted)) ? low : high) = fitted.C;
        }
        fitted.C = low;
    }
    LinearRgb linear = linearOfOklch(fitted);
    return { byteOf(linear.r), byteOf(linear.g), byteOf(linear.b) };
}

SourceColours coloursFromSeed(const Rgba& seed, Harmony harmony)
{
    Oklch base = toOklch({ seed.red, seed.green, seed.blue, 1 });
    if (base.C < kGreyChroma)
        base.C = 0;
    // Where the containers and the backgrounds turn from the seed's hue; the enabled states and
    // fills keep the seed itself.
    double containers = harmony == Harmony::Complementary ? 180
        : harmony == Harmony::Analogous                   ? -30
                                                          : 0;
    double backgrounds = harmony == Harmony::Complementary ? 180
        : harmony == Harmony::Analogous                    ? 30
                                                           : 0;
    SourceColours source;
    // Dark tones under the modules, as Control Center is seen over most wallpapers; each lighter
    // and less coloured than the one before, as the dominant colours of a photo are.
    source.dominant = { cluster(tone(base, containers, 0.32, 0.07)),
        cluster(tone(base, backgrounds, 0.46, 0.05)), cluster(tone(base, containers, 0.56, 0.04)) };
    // A grey seed has only lightness to tell an enabled state from a disabled one, and the
    // disabled state sits with the dark containers: the enabled state takes a light step of it.
    constexpr double kGreyEnabledLightness = 0.86;
    source.accent = cluster(base.C == 0 && base.L < kGreyEnabledLightness
            ? fromOklch({ kGreyEnabledLightness, 0, 0 })
            : bytesOf(seed));
    // The picture's own dark wallpaper stands in for the photo a theme from an image has.
    source.backdrop = bytesOf(theming::backdropColour(theming::Appearance::Dark));
    return source;
}

Theme themeFromColour(const Rgba& seed, Harmony harmony, const ThemeTargets& targets)
{
    return mapTheme(coloursFromSeed(seed, harmony), targets);
}

} // namespace imagetheme
