#include "imagetheme/SyntheticImages.hpp"

#include <algorithm>
#include <memory>
#include <random>
#include <stdexcept>
#include <vips/vips.h>

namespace synthetic {

namespace {

struct Unref {
    void operator()(VipsImage* image) const { g_object_unref(image); }
};
using ImagePtr = std::unique_ptr<VipsImage, Unref>;

void startVips()
{
    if (VIPS_INIT("quillane-tests") != 0)
        throw std::runtime_error("libvips did not start");
}

[[noreturn]] void fail(const char* what)
{
    std::string message = std::string(what) + ": " + vips_error_buffer();
    vips_error_clear();
    throw std::runtime_error(message);
}

ImagePtr imageOf(const Pixels& pixels)
{
    startVips();
    VipsImage* image = vips_image_new_from_memory_copy(pixels.data.data(), pixels.data.size(),
        pixels.width, pixels.height, pixels.bands, VIPS_FORMAT_UCHAR);
    if (!image)
        fail("cannot wrap pixels");
    image->Type = pixels.bands < 3 ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_sRGB;
    return ImagePtr(image);
}

std::string take(void* buffer, std::size_t size)
{
    std::string bytes(static_cast<const char*>(buffer), size);
    g_free(buffer);
    return bytes;
}

Pixels blank(int width, int height, int bands)
{
    return { width, height, bands,
        std::vector<std::uint8_t>(static_cast<std::size_t>(width * height * bands)) };
}

void put(Pixels& pixels, int x, int y, Rgb colour, std::uint8_t alpha = 255)
{
    std::size_t at = static_cast<std::size_t>((y * pixels.width + x) * pixels.bands);
    pixels.data[at] = colour.red;
    pixels.data[at + 1] = colour.green;
    pixels.data[at + 2] = colour.blue;
    if (pixels.bands == 4)
        pixels.data[at + 3] = alpha;
}

} // namespace

Pixels twoColours(int width, int height, int split, Rgb left, Rgb right)
{
    Pixels pixels = blank(width, height, 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            put(pixels, x, y, x < split ? left : right);
    return pixels;
}

Pixels gradient(int width, int height, Rgb from, Rgb to)
{
    Pixels pixels = blank(width, height, 3);
    auto mix = [&](std::uint8_t a, std::uint8_t b, int x) {
        return static_cast<std::uint8_t>(a + (b - a) * x / (width - 1));
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            put(pixels, x, y,
                { mix(from.red, to.red, x), mix(from.green, to.green, x),
                    mix(from.blue, to.blue, x) });
    return pixels;
}

Pixels noise(int width, int height, Rgb mean, double sigma)
{
    Pixels pixels = blank(width, height, 3);
    std::mt19937 random(42);
    std::normal_distribution<double> spread(0.0, sigma);
    auto sample = [&](std::uint8_t centre) {
        double value = centre + spread(random);
        return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            put(pixels, x, y, { sample(mean.red), sample(mean.green), sample(mean.blue) });
    return pixels;
}

Pixels scene(int width, int height, const std::vector<Rgb>& bands, double sigma)
{
    Pixels pixels = blank(width, height, 3);
    std::mt19937 random(7);
    std::normal_distribution<double> grain(0.0, sigma);
    auto channel = [&](double value) {
        value += grain(random);
        return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
    };
    const int spans = static_cast<int>(bands.size()) - 1;
    for (int y = 0; y < height; ++y) {
        double at = spans > 0 ? static_cast<double>(y) * spans / (height - 1) : 0;
        int band = std::min(static_cast<int>(at), std::max(spans - 1, 0));
        double t = spans > 0 ? at - band : 0;
        const Rgb& from = bands[static_cast<std::size_t>(band)];
        const Rgb& to = bands[static_cast<std::size_t>(std::min(band + 1, spans))];
        auto blend = [&](std::uint8_t a, std::uint8_t b) { return a + (b - a) * t; };
        for (int x = 0; x < width; ++x)
            put(pixels, x, y,
                { channel(blend(from.red, to.red)), channel(blend(from.green, to.green)),
                    channel(blend(from.blue, to.blue)) });
    }
    return pixels;
}

Pixels greyTwoLevels(int width, int height, int split, std::uint8_t left, std::uint8_t right)
{
    Pixels pixels = blank(width, height, 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.data[static_cast<std::size_t>(y * width + x)] = x < split ? left : right;
    return pixels;
}

Pixels halfTransparent(int width, int height, int split, Rgb hidden, Rgb shown)
{
    Pixels pixels = blank(width, height, 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            put(pixels, x, y, x < split ? hidden : shown, x < split ? 0 : 255);
    return pixels;
}

std::string encode(const Pixels& pixels, Encoding encoding)
{
    ImagePtr image = imageOf(pixels);
    void* buffer = nullptr;
    std::size_t size = 0;
    int failed = 0;
    switch (encoding) {
    case Encoding::Png:
        failed = vips_pngsave_buffer(image.get(), &buffer, &size, nullptr);
        break;
    case Encoding::Jpeg:
        failed = vips_jpegsave_buffer(image.get(), &buffer, &size, "Q", 90, nullptr);
        break;
    case Encoding::Webp:
        failed = vips_webpsave_buffer(image.get(), &buffer, &size, "Q", 90, nullptr);
        break;
    case Encoding::Heic:
        failed = vips_heifsave_buffer(image.get(), &buffer, &size, "Q", 90, "compression",
            VIPS_FOREIGN_HEIF_COMPRESSION_HEVC, nullptr);
        break;
    case Encoding::ProgressiveJpeg:
        failed = vips_jpegsave_buffer(image.get(), &buffer, &size, "Q", 90, "interlace", TRUE,
            "subsample_mode", VIPS_FOREIGN_SUBSAMPLE_OFF, nullptr);
        break;
    case Encoding::Avif:
        failed = vips_heifsave_buffer(image.get(), &buffer, &size, "Q", 90, "compression",
            VIPS_FOREIGN_HEIF_COMPRESSION_AV1, nullptr);
        break;
    }
    if (failed)
        fail("cannot encode");
    return take(buffer, size);
}

std::string encodeAsDisplayP3(const Pixels& pixels)
{
    ImagePtr image = imageOf(pixels);
    VipsImage* converted = nullptr;
    if (vips_icc_transform(image.get(), &converted, "p3", "input_profile", "srgb", nullptr))
        fail("cannot convert to Display P3");
    ImagePtr p3(converted);
    void* buffer = nullptr;
    std::size_t size = 0;
    if (vips_pngsave_buffer(p3.get(), &buffer, &size, nullptr))
        fail("cannot encode");
    return take(buffer, size);
}

std::string flatJpeg(int width, int height, Rgb colour)
{
    startVips();
    VipsImage* raw = nullptr;
    if (vips_black(&raw, width, height, "bands", 3, nullptr))
        fail("cannot make an image");
    ImagePtr black(raw);
    double multiply[3] = { 1, 1, 1 };
    double add[3] = { double(colour.red), double(colour.green), double(colour.blue) };
    if (vips_linear(black.get(), &raw, multiply, add, 3, "uchar", TRUE, nullptr))
        fail("cannot colour an image");
    ImagePtr flat(raw);
    void* buffer = nullptr;
    std::size_t size = 0;
    if (vips_jpegsave_buffer(flat.get(), &buffer, &size, nullptr))
        fail("cannot encode");
    return take(buffer, size);
}

} // namespace synthetic
