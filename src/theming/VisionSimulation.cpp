#include "theming/VisionSimulation.hpp"

#include <algorithm>
#include <cmath>

namespace theming {

namespace {

constexpr VisionMatrix kIdentity { 1, 0, 0, 0, 1, 0, 0, 0, 1 };
// Machado, Oliveira and Fernandes (2009), the matrices for severity 1.0.
constexpr VisionMatrix kProtanopia { 0.152286, 1.052583, -0.204868, 0.114503, 0.786281, 0.099216,
    -0.003882, -0.048116, 1.051998 };
constexpr VisionMatrix kDeuteranopia { 0.367322, 0.860646, -0.227968, 0.280085, 0.672501, 0.047413,
    -0.011820, 0.042940, 0.968881 };
constexpr VisionMatrix kTritanopia { 1.255528, -0.076749, -0.178779, -0.078411, 0.930809, 0.147602,
    0.004733, 0.691367, 0.303900 };
// Every channel becomes the luminance: BT.709's weights of linear R, G and B.
constexpr VisionMatrix kAchromatopsia { 0.2126, 0.7152, 0.0722, 0.2126, 0.7152, 0.0722, 0.2126,
    0.7152, 0.0722 };

constexpr std::pair<Vision, std::string_view> kNames[] = {
    { Vision::Typical, "typical" },
    { Vision::Protanopia, "protanopia" },
    { Vision::Deuteranopia, "deuteranopia" },
    { Vision::Tritanopia, "tritanopia" },
    { Vision::Achromatopsia, "achromatopsia" },
};

// The sRGB transfer function and its inverse (IEC 61966-2-1).
double linear(double encoded)
{
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

double encoded(double linear)
{
    linear = std::clamp(linear, 0.0, 1.0);
    return linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

} // namespace

std::string_view visionName(Vision vision)
{
    for (auto& [known, name] : kNames) {
        if (known == vision)
            return name;
    }
    return "typical";
}

std::optional<Vision> visionNamed(std::string_view name)
{
    for (auto& [vision, known] : kNames) {
        if (known == name)
            return vision;
    }
    return std::nullopt;
}

const VisionMatrix& visionMatrix(Vision vision)
{
    switch (vision) {
    case Vision::Protanopia:
        return kProtanopia;
    case Vision::Deuteranopia:
        return kDeuteranopia;
    case Vision::Tritanopia:
        return kTritanopia;
    case Vision::Achromatopsia:
        return kAchromatopsia;
    case Vision::Typical:
        break;
    }
    return kIdentity;
}

Rgba seenWith(const Rgba& colour, Vision vision)
{
    if (vision == Vision::Typical)
        return colour;
    const VisionMatrix& m = visionMatrix(vision);
    double r = linear(colour.red), g = linear(colour.green), b = linear(colour.blue);
    return { encoded(m[0] * r + m[1] * g + m[2] * b), encoded(m[3] * r + m[4] * g + m[5] * b),
        encoded(m[6] * r + m[7] * g + m[8] * b), colour.alpha };
}

} // namespace theming
