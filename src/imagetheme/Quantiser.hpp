#pragma once

#include "imagetheme/ColourScience.hpp"
#include "imagetheme/ImageDecoder.hpp"

#include <optional>
#include <vector>

namespace imagetheme {

struct ColourCluster {
    Srgb colour;
    Lab lab;
    double coverage { 0 }; // share of the image's (alpha-weighted) area, 0–1
};

struct ImageColours {
    std::vector<ColourCluster> clusters; // most coverage first
    Srgb mean; // the alpha-weighted mean of the pixels in sRGB
};

// Wu's colour quantiser finds up to `maxColours` boxes of the RGB cube, whose means then seed a
// weighted k-means in CIELAB over the image's distinct colours. Integer moments and a fixed
// order of points and clusters make the result a function of the pixels alone. Throws
// ImageRefused when no pixel is visible (fully transparent image).
ImageColours quantise(const QuantiserInput& input, int maxColours = 16);

// The alpha-weighted mean of the pixels, what the blurred image looks like as a whole; nullopt
// when no pixel is visible.
std::optional<Srgb> meanColour(const QuantiserInput& input);

// The colours a theme is built from.
struct SourceColours {
    // Up to three colours that cover the most of the image, each clearly distinct from those
    // before it; never empty.
    std::vector<ColourCluster> dominant;
    // The colour that scores highest on colourfulness (CIELAB chroma) weighed by coverage; the
    // first dominant colour when the image has no colour worth the name.
    ColourCluster accent;
    Srgb backdrop; // the image's mean colour, what Control Center's modules are seen over
};

SourceColours scoreColours(const ImageColours& colours);

} // namespace imagetheme
