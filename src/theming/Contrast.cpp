#include "theming/Contrast.hpp"

#include <algorithm>
#include <cmath>

namespace theming {

namespace {

double linear(double channel)
{
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

} // namespace

Rgba over(const Rgba& top, const Rgba& bottom)
{
    double alpha = top.alpha + bottom.alpha * (1 - top.alpha);
    if (alpha <= 0)
        return { 0, 0, 0, 0 };
    auto mix = [&](double t, double b) {
        return (t * top.alpha + b * bottom.alpha * (1 - top.alpha)) / alpha;
    };
    return { mix(top.red, bottom.red), mix(top.green, bottom.green), mix(top.blue, bottom.blue),
        alpha };
}

double relativeLuminance(const Rgba& colour)
{
    return 0.2126 * linear(colour.red) + 0.7152 * linear(colour.green)
        + 0.0722 * linear(colour.blue);
}

double contrastRatio(const Rgba& a, const Rgba& b)
{
    double first = relativeLuminance(a);
    double second = relativeLuminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

} // namespace theming
