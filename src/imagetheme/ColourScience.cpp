#include "imagetheme/ColourScience.hpp"

namespace imagetheme {

Rgba toRgba(Srgb colour, double alpha)
{
    return { colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0, alpha };
}

} // namespace imagetheme
