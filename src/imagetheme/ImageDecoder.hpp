#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace imagetheme {

// Image bytes come from the user (a file, an upload), so the decoder trusts nothing: only these
// four formats, recognised by their first bytes, and limits checked before any pixel is decoded.
enum class ImageFormat { Jpeg, Png, Webp, Heif };

inline constexpr std::size_t kMaxImageBytes = 32u << 20;
// Phone photos reach 48 megapixels; anything past this is refused from its header.
inline constexpr std::uint64_t kMaxImagePixels = 200'000'000;
// HEIF has no shrink-on-load: the whole picture is decoded into memory (some 16 bytes a pixel),
// so it stops lower, just above the 48 megapixels of phone photos, which fit the decoder's memory.
inline constexpr std::uint64_t kMaxHeifPixels = 50'000'000;
// The decoder program's bounds, which it sets on itself before it reads a byte: the data memory
// that libvips and the codecs may take (a 48-megapixel HEIC needs about 770 MiB, a 12-megapixel
// JPEG about 80 MiB) and its processor time. An image that would need more is refused; the
// host also stops a decoder still at work after kDecoderPatienceSeconds of wall clock.
inline constexpr std::uint64_t kDecoderMemoryBytes = 1ull << 30;
inline constexpr unsigned kDecoderCpuSeconds = 30;
inline constexpr unsigned kDecoderPatienceSeconds = 60;
// How the decoder program ends when the image needs more memory than it may take.
inline constexpr int kDecoderOutOfMemoryStatus = 4;
// The refusals for an image past those bounds, as the user reads them.
std::string memoryRefusal();
std::string timeRefusal();

// The quantiser always sees this many pixels a side: the image is area-reduced to it (aspect
// ratio dropped, which keeps every colour's share of the area), so the same image gives the same
// input whatever its size or the front end that received it.
inline constexpr int kQuantiserSide = 128;

// A refused or undecodable image; what() is a sentence for the user.
class ImageRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Pixel {
    std::uint8_t red { 0 };
    std::uint8_t green { 0 };
    std::uint8_t blue { 0 };
    // Transparent pixels count less: the quantiser weighs each pixel by its alpha.
    std::uint8_t alpha { 255 };

    bool operator==(const Pixel&) const = default;
};

// The quantiser's input: kQuantiserSide squared pixels in sRGB, row by row.
struct QuantiserInput {
    std::vector<Pixel> pixels;
};

// The quantiser's input as bytes, RGBA row by row: how the decoder program answers, and how the
// host keeps a wallpaper's colours on the device.
inline constexpr std::size_t kQuantiserInputBytes
    = static_cast<std::size_t>(kQuantiserSide) * kQuantiserSide * 4;
std::string pixelBytes(const QuantiserInput& input);
// One pixel for every four bytes of `bytes`.
QuantiserInput pixelsFromBytes(std::string_view bytes);

std::optional<ImageFormat> sniffImageFormat(std::string_view bytes);

// Refuses what no decoder should see (no bytes, more than kMaxImageBytes, none of the four
// formats) and answers the format. Throws ImageRefused.
ImageFormat checkImageBytes(std::string_view bytes);

// Decodes bytes of a JPEG, PNG, WebP or HEIF image into the quantiser's input, converting an
// embedded colour profile (Display P3, Adobe RGB, CMYK) to sRGB and shrinking on load so that
// the full image is never in memory. Throws ImageRefused.
QuantiserInput decodeForQuantiser(std::string_view bytes);

// A wallpaper as the host keeps it: a display-sized JPEG in sRGB (never the original) and the
// quantiser's input, made from the original exactly as decodeForQuantiser makes it.
struct WallpaperImages {
    std::string display;
    QuantiserInput input;
};

// The display copy fits in this many pixels a side.
inline constexpr int kWallpaperDisplaySide = 1600;

// Throws ImageRefused, like decodeForQuantiser.
WallpaperImages decodeWallpaper(std::string_view bytes);

// decodeForQuantiser and decodeWallpaper run the decoder program on the bytes
// (lib/quillane/quillane-image-decoder beside the program's folder, or $QUILLANE_IMAGE_DECODER):
// libvips and the codecs it loads cost some 20 MiB of memory in whatever process links them,
// and a codec that fails on hostile input takes only that process down. These do the work in
// the calling process; only the decoder program and the image fuzz target link them.
QuantiserInput decodeForQuantiserHere(std::string_view bytes);
WallpaperImages decodeWallpaperHere(std::string_view bytes);

} // namespace imagetheme
