#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Images made for a test with libvips: pixels in memory, encoded in the format asked for.
namespace synthetic {

// ProgressiveJpeg is progressive and keeps full colour resolution (4:4:4); Avif is HEIF with AV1
// pictures.
enum class Encoding { Png, Jpeg, Webp, Heic, ProgressiveJpeg, Avif };

struct Rgb {
    std::uint8_t red, green, blue;
};

// `bands` is 1 (grey), 3 (sRGB) or 4 (sRGB and alpha); rows top to bottom.
struct Pixels {
    int width { 0 };
    int height { 0 };
    int bands { 3 };
    std::vector<std::uint8_t> data;
};

// Columns [0, split) in `left`, the rest in `right`.
Pixels twoColours(int width, int height, int split, Rgb left, Rgb right);
// A horizontal ramp from `from` to `to`.
Pixels gradient(int width, int height, Rgb from, Rgb to);
// Gaussian noise around a mean colour, from a fixed seed.
Pixels noise(int width, int height, Rgb mean, double sigma);
// A photo-like scene: top to bottom, a blend through `bands` (equal heights), with Gaussian grain
// of `sigma` from a fixed seed.
Pixels scene(int width, int height, const std::vector<Rgb>& bands, double sigma);
Pixels greyTwoLevels(int width, int height, int split, std::uint8_t left, std::uint8_t right);
// The left part in `hidden` with alpha 0, the rest in `shown`, opaque.
Pixels halfTransparent(int width, int height, int split, Rgb hidden, Rgb shown);

std::string encode(const Pixels& pixels, Encoding encoding);
// The sRGB pixels converted to Display P3, saved as a PNG carrying the P3 profile.
std::string encodeAsDisplayP3(const Pixels& pixels);
// A flat JPEG of any size, made without holding its pixels.
std::string flatJpeg(int width, int height, Rgb colour);

} // namespace synthetic
