#include "host/imagetheme/WallpaperStore.hpp"

#include "foundation/FileIO.hpp"

#include <stdexcept>

namespace imagetheme {

namespace {

constexpr std::size_t kInputBytes = static_cast<std::size_t>(kQuantiserSide) * kQuantiserSide * 4;

std::string packed(const QuantiserInput& input)
{
    std::string bytes;
    bytes.reserve(kInputBytes);
    for (const Pixel& pixel : input.pixels) {
        bytes.push_back(static_cast<char>(pixel.red));
        bytes.push_back(static_cast<char>(pixel.green));
        bytes.push_back(static_cast<char>(pixel.blue));
        bytes.push_back(static_cast<char>(pixel.alpha));
    }
    return bytes;
}

} // namespace

WallpaperStore::WallpaperStore(std::filesystem::path deviceRoot)
    : m_display(deviceRoot / ".wallpaper.jpg")
    , m_input(deviceRoot / ".wallpaper.rgba")
{
}

void WallpaperStore::set(std::string_view imageBytes)
{
    WallpaperImages images = decodeWallpaper(imageBytes);
    // The colours first: a display copy without them would offer a theme from the old picture.
    if (!fw::writeFileAtomically(m_input, packed(images.input))
        || !fw::writeFileAtomically(m_display, images.display)) {
        remove();
        throw std::runtime_error("the wallpaper could not be stored on the device");
    }
}

std::optional<std::string> WallpaperStore::display() const
{
    if (!fw::readFileContents(m_input, kInputBytes))
        return std::nullopt;
    return fw::readFileContents(m_display, kMaxImageBytes);
}

std::optional<QuantiserInput> WallpaperStore::quantiserInput() const
{
    auto bytes = fw::readFileContents(m_input, kInputBytes);
    if (!bytes || bytes->size() != kInputBytes || !fw::readFileContents(m_display, kMaxImageBytes))
        return std::nullopt;
    QuantiserInput input;
    input.pixels.reserve(kInputBytes / 4);
    for (std::size_t at = 0; at < kInputBytes; at += 4) {
        auto byte
            = [&](std::size_t offset) { return static_cast<std::uint8_t>((*bytes)[at + offset]); };
        input.pixels.push_back({ byte(0), byte(1), byte(2), byte(3) });
    }
    return input;
}

bool WallpaperStore::remove()
{
    std::error_code ignored;
    bool display = std::filesystem::remove(m_display, ignored);
    bool input = std::filesystem::remove(m_input, ignored);
    return display || input;
}

} // namespace imagetheme
