// What the decoder program and the program that runs it agree on: the checks that need no
// decoder, and the quantiser's input as bytes. Both link this, and nothing else of the other.
#include "imagetheme/ImageDecoder.hpp"

#include <sys/resource.h>
#include <utility>
#include <vector>

namespace imagetheme {

namespace {

bool startsWith(std::string_view bytes, std::size_t offset, std::string_view magic)
{
    return bytes.size() >= offset + magic.size() && bytes.substr(offset, magic.size()) == magic;
}

std::uint64_t bigEndian(std::string_view bytes, std::size_t offset, std::size_t size)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

// The boxes of an ISO media file within `bytes`, as type and contents; stops at the first box
// that runs past its end.
std::vector<std::pair<std::string_view, std::string_view>> boxes(std::string_view bytes)
{
    std::vector<std::pair<std::string_view, std::string_view>> found;
    while (bytes.size() >= 8) {
        std::uint64_t size = bigEndian(bytes, 0, 4);
        std::size_t header = 8;
        if (size == 1 && bytes.size() >= 16) {
            size = bigEndian(bytes, 8, 8);
            header = 16;
        } else if (size == 0) {
            size = bytes.size();
        }
        if (size < header || size > bytes.size())
            break;
        found.emplace_back(bytes.substr(4, 4), bytes.substr(header, size - header));
        bytes.remove_prefix(size);
    }
    return found;
}

std::string_view child(std::string_view contents, std::string_view type)
{
    for (auto [name, inner] : boxes(contents)) {
        if (name == type)
            return inner;
    }
    return {};
}

// The item types that the file's item information names (hvc1 for HEVC, av01 for AV1, ...).
std::vector<std::string_view> heifItemTypes(std::string_view bytes)
{
    std::vector<std::string_view> types;
    auto meta = child(bytes, "meta");
    auto info = meta.size() >= 4 ? child(meta.substr(4), "iinf") : std::string_view();
    if (info.size() < 4)
        return types;
    std::size_t countSize = info[0] == 0 ? 2 : 4;
    if (info.size() < 4 + countSize)
        return types;
    for (auto [name, entry] : boxes(info.substr(4 + countSize))) {
        // Item information of version 2 and 3: ID (2 or 4 bytes), protection index, type.
        if (name != "infe" || entry.size() < 4 || entry[0] < 2)
            continue;
        std::size_t at = 4 + (entry[0] == 2 ? 2 : 4) + 2;
        if (entry.size() >= at + 4)
            types.push_back(entry.substr(at, 4));
    }
    return types;
}

// HEIF is a container: what a brand says ("mif1" is any HEIF) does not decide which codec its
// pictures need. Only HEVC's is meant to reach a decoder.
void refuseOtherThanHevc(std::string_view bytes)
{
    static constexpr std::string_view kOtherCodecs[]
        = { "av01", "avc1", "jpeg", "j2k1", "vvc1", "unci" };
    for (auto type : heifItemTypes(bytes)) {
        for (auto other : kOtherCodecs) {
            if (type == other)
                throw ImageRefused("the HEIF file holds pictures in " + std::string(type)
                    + (type == "av01" ? " (AVIF)" : "")
                    + "; only HEIC pictures (HEVC) are accepted");
        }
    }
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

std::string memoryRefusal()
{
    // The bound in force: the decoder's own, or lower where whoever started it set one.
    rlimit memory {};
    std::uint64_t bound = kDecoderMemoryBytes;
    if (::getrlimit(RLIMIT_DATA, &memory) == 0 && memory.rlim_cur < bound)
        bound = memory.rlim_cur;
    return "the image needs more than " + std::to_string(bound >> 20)
        + " MiB of memory to decode, the most the image decoder may use";
}

std::string timeRefusal()
{
    return "the image takes more than " + std::to_string(kDecoderCpuSeconds)
        + " s to decode, the longest the image decoder may take";
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
    if (*format == ImageFormat::Heif)
        refuseOtherThanHevc(bytes);
    return *format;
}

} // namespace imagetheme
