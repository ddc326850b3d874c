// What the decoder program and the program that runs it agree on: the checks that need no
// decoder, and the quantiser's input as bytes. Both link this, and nothing else of the other.
#include "imagetheme/ImageDecoder.hpp"

namespace imagetheme {

namespace {

bool startsWith(std::string_view bytes, std::size_t offset, std::string_view magic)
{
    return bytes.size() >= offset + magic.size() && bytes.substr(offset, magic.size()) == magic;
}

} // namespace

std::string pixelBytes(const QuantiserInput& input)
{
    std::string bytes;
    bytes.reserve(input.pixels.size() * 4);
    for (const Pixel& pixel : input.pixels) {
        for (std::uint8_t band : { pixel.red, pixel.green, pixel.blue, pixel.alpha })
            bytes += static_cast<char>(band);
    }
    return bytes;
}

QuantiserInput pixelsFromBytes(std::string_view bytes)
{
    QuantiserInput input;
    input.pixels.resize(bytes.size() / 4);
    for (std::size_t i = 0; i < input.pixels.size(); ++i) {
        auto at = [&](std::size_t band) { return static_cast<std::uint8_t>(bytes[i * 4 + band]); };
        input.pixels[i] = { at(0), at(1), at(2), at(3) };
    }
    return input;
}

std::optional<ImageFormat> sniffImageFormat(std::string_view bytes)
{
    if (startsWith(bytes, 0, "\xFF\xD8\xFF"))
        return ImageFormat::Jpeg;
    if (startsWith(bytes, 0, "\x89PNG\r\n\x1A\n"))
        return ImageFormat::Png;
    if (startsWith(bytes, 0, "RIFF") && startsWith(bytes, 8, "WEBP"))
        return ImageFormat::Webp;
    // An ISO media file whose major brand is one of HEIF's still-image brands.
    if (startsWith(bytes, 4, "ftyp")) {
        for (std::string_view brand :
            { "heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1" }) {
            if (startsWith(bytes, 8, brand))
                return ImageFormat::Heif;
        }
    }
    return std::nullopt;
}

ImageFormat checkImageBytes(std::string_view bytes)
{
    if (bytes.empty())
        throw ImageRefused("the image file is empty");
    if (bytes.size() > kMaxImageBytes)
        throw ImageRefused("the image file is larger than 32 MiB");
    auto format = sniffImageFormat(bytes);
    if (!format)
        throw ImageRefused("the file is not a JPEG, PNG, WebP or HEIC image");
    return *format;
}

} // namespace imagetheme
