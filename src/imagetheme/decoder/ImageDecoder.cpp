// The only place that sees libvips, built into the decoder program alone: the library and the
// codecs it loads cost the program that links them some 20 MiB of memory from its start.
#include "imagetheme/ImageDecoder.hpp"

#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vips/vips.h>

namespace imagetheme {

namespace {

struct ImageUnref {
    void operator()(VipsImage* image) const { g_object_unref(image); }
};
using ImagePtr = std::unique_ptr<VipsImage, ImageUnref>;

const char* formatName(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Jpeg:
        return "JPEG";
    case ImageFormat::Png:
        return "PNG";
    case ImageFormat::Webp:
        return "WebP";
    case ImageFormat::Heif:
        return "HEIF";
    }
    return "image";
}

// libvips decodes dozens of formats, some through libraries never hardened for hostile input.
// Everything but the four loaders we need is blocked for the whole process, once.
void startVips()
{
    static std::once_flag started;
    std::call_once(started, [] {
        if (VIPS_INIT("quillane") != 0)
            throw ImageRefused("the image library could not start");
        vips_block_untrusted_set(TRUE);
        vips_operation_block_set("VipsForeignLoad", TRUE);
        for (const char* loader : { "VipsForeignLoadJpeg", "VipsForeignLoadPng",
                 "VipsForeignLoadWebp", "VipsForeignLoadHeif" })
            vips_operation_block_set(loader, FALSE);
        // Each image is decoded once; a cache would only keep its buffers alive.
        vips_cache_set_max(0);
        // Damage is reported once, as the refusal; the library's own warnings would only
        // repeat it on standard error.
        g_log_set_handler(
            "VIPS", G_LOG_LEVEL_WARNING,
            [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    });
}

std::string takeVipsError()
{
    std::string message = vips_error_buffer();
    vips_error_clear();
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    if (auto newline = message.find('\n'); newline != std::string::npos)
        message.erase(newline);
    return message;
}

// The codecs report an allocation refused by the decoder's memory bound in words of their own.
bool isOutOfMemory(std::string detail)
{
    for (char& c : detail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return detail.find("memory") != std::string::npos
        || detail.find("failed to allocate") != std::string::npos;
}

[[noreturn]] void refuseUndecodable(ImageFormat format)
{
    std::string detail = takeVipsError();
    if (isOutOfMemory(detail))
        throw ImageRefused(memoryRefusal());
    throw ImageRefused(std::string("the ") + formatName(format)
        + " image cannot be decoded; it may be damaged or truncated"
        + (detail.empty() ? "" : " (" + detail + ")"));
}

// Reads only the header, through the loader the first bytes named, so the size is known before
// a single pixel is decoded. True when the image carries a colour profile.
bool checkHeader(std::string_view bytes, ImageFormat format)
{
    VipsImage* raw = nullptr;
    void* data = const_cast<char*>(bytes.data());
    int failed = 0;
    switch (format) {
    case ImageFormat::Jpeg:
        failed = vips_jpegload_buffer(data, bytes.size(), &raw, nullptr);
        break;
    case ImageFormat::Png:
        failed = vips_pngload_buffer(data, bytes.size(), &raw, nullptr);
        break;
    case ImageFormat::Webp:
        failed = vips_webpload_buffer(data, bytes.size(), &raw, nullptr);
        break;
    case ImageFormat::Heif:
        failed = vips_heifload_buffer(data, bytes.size(), &raw, nullptr);
        break;
    }
    if (failed)
        refuseUndecodable(format);
    ImagePtr header(raw);
    auto width = static_cast<std::uint64_t>(vips_image_get_width(header.get()));
    auto height = static_cast<std::uint64_t>(vips_image_get_height(header.get()));
    if (width * height > kMaxImagePixels)
        throw ImageRefused("the image has " + std::to_string(width) + " × " + std::to_string(height)
            + " pixels; at most 200 megapixels are accepted");
    if (format == ImageFormat::Heif && width * height > kMaxHeifPixels)
        throw ImageRefused("the HEIF image has " + std::to_string(width) + " × "
            + std::to_string(height) + " pixels; HEIF images are accepted up to 50 megapixels");
    return vips_image_get_typeof(header.get(), VIPS_META_ICC_NAME) != 0;
}

// Shrinks on load to fit `side` (exactly, with VIPS_SIZE_FORCE), as sRGB: an embedded profile
// is converted, and an image without one is taken as sRGB as it is (asking for an sRGB export
// then would convert it once more and darken it).
ImagePtr thumbnail(
    std::string_view bytes, ImageFormat format, bool hasProfile, int side, VipsSize size)
{
    // The loader itself must stop at damage: a truncated file would otherwise come out padded
    // with grey, and grey would become the theme. libjpeg reports a file cut short or corrupt
    // data only as warnings.
    const char* kLoadOptions = format == ImageFormat::Jpeg ? "fail_on=warning" : "fail_on=error";
    vips_error_clear();
    VipsImage* raw = nullptr;
    void* data = const_cast<char*>(bytes.data());
    int failed = hasProfile ? vips_thumbnail_buffer(data, bytes.size(), &raw, side, "height", side,
                     "size", size, "export_profile", "srgb", "option_string", kLoadOptions, nullptr)
                            : vips_thumbnail_buffer(data, bytes.size(), &raw, side, "height", side,
                                "size", size, "option_string", kLoadOptions, nullptr);
    if (failed)
        refuseUndecodable(format);
    ImagePtr image(raw);
    // Greyscale images and others: sRGB bands, plus alpha when there is one.
    if (vips_colourspace(image.get(), &raw, VIPS_INTERPRETATION_sRGB, nullptr))
        refuseUndecodable(format);
    image.reset(raw);
    return image;
}

// Area-reduces to the quantiser's fixed size, in 8-bit bands.
ImagePtr reduce(std::string_view bytes, ImageFormat format, bool hasProfile)
{
    ImagePtr image = thumbnail(bytes, format, hasProfile, kQuantiserSide, VIPS_SIZE_FORCE);
    if (vips_image_get_format(image.get()) != VIPS_FORMAT_UCHAR) {
        VipsImage* raw = nullptr;
        if (vips_cast_uchar(image.get(), &raw, nullptr))
            refuseUndecodable(format);
        image.reset(raw);
    }
    return image;
}

// libjpeg reports a file cut short or corrupt data as warnings, which libvips does not always
// turn into failures: any message it left while the pixels were made means damage.
void refuseIfWarned(ImageFormat format)
{
    if (format == ImageFormat::Jpeg && *vips_error_buffer())
        refuseUndecodable(format);
}

QuantiserInput pixelsOf(VipsImage* image, ImageFormat format)
{
    int bands = vips_image_get_bands(image);
    if (vips_image_get_width(image) != kQuantiserSide
        || vips_image_get_height(image) != kQuantiserSide || (bands != 3 && bands != 4))
        throw ImageRefused(
            std::string("the ") + formatName(format) + " image has an unsupported pixel layout");
    std::size_t size = 0;
    void* memory = vips_image_write_to_memory(image, &size);
    if (!memory)
        refuseUndecodable(format);
    std::unique_ptr<void, decltype(&g_free)> owned(memory, &g_free);
    refuseIfWarned(format);
    const auto* bytes = static_cast<const std::uint8_t*>(memory);
    std::size_t count = static_cast<std::size_t>(kQuantiserSide) * kQuantiserSide;
    if (size != count * static_cast<std::size_t>(bands))
        refuseUndecodable(format);

    QuantiserInput input;
    input.pixels.reserve(count);
    for (std::size_t i = 0; i < count; ++i, bytes += bands)
        input.pixels.push_back(
            { bytes[0], bytes[1], bytes[2], bands == 4 ? bytes[3] : std::uint8_t { 255 } });
    return input;
}

// Fits within the display size, never enlarged; transparency goes over black, as a wallpaper
// shows over the dark of the screen.
std::string displayCopy(std::string_view bytes, ImageFormat format, bool hasProfile)
{
    ImagePtr image = thumbnail(bytes, format, hasProfile, kWallpaperDisplaySide, VIPS_SIZE_DOWN);
    VipsImage* raw = nullptr;
    if (vips_image_hasalpha(image.get())) {
        if (vips_flatten(image.get(), &raw, nullptr))
            refuseUndecodable(format);
        image.reset(raw);
    }
    void* buffer = nullptr;
    std::size_t size = 0;
    if (vips_jpegsave_buffer(image.get(), &buffer, &size, "Q", 85, "strip", TRUE, nullptr))
        refuseUndecodable(format);
    std::string jpeg(static_cast<const char*>(buffer), size);
    g_free(buffer);
    refuseIfWarned(format);
    return jpeg;
}

ImageFormat checkedFormat(std::string_view bytes)
{
    ImageFormat format = checkImageBytes(bytes);
    startVips();
    return format;
}

} // namespace

QuantiserInput decodeForQuantiserHere(std::string_view bytes)
{
    ImageFormat format = checkedFormat(bytes);
    bool hasProfile = checkHeader(bytes, format);
    ImagePtr image = reduce(bytes, format, hasProfile);
    return pixelsOf(image.get(), format);
}

WallpaperImages decodeWallpaperHere(std::string_view bytes)
{
    ImageFormat format = checkedFormat(bytes);
    bool hasProfile = checkHeader(bytes, format);
    WallpaperImages images;
    images.input = pixelsOf(reduce(bytes, format, hasProfile).get(), format);
    images.display = displayCopy(bytes, format, hasProfile);
    return images;
}

} // namespace imagetheme
