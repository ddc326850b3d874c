#include "imagetheme/WallpaperStore.hpp"

#include "foundation/FileIO.hpp"

#include <stdexcept>

namespace imagetheme {

WallpaperStore::WallpaperStore(std::filesystem::path deviceRoot)
    : m_display(deviceRoot / ".wallpaper.jpg")
    , m_input(deviceRoot / ".wallpaper.rgba")
{
}

void WallpaperStore::set(std::string_view imageBytes)
{
    WallpaperImages images = decodeWallpaper(imageBytes);
    // The colours first: a display copy without them would offer a theme from the old picture.
    if (!fw::writeFileAtomically(m_input, pixelBytes(images.input))
        || !fw::writeFileAtomically(m_display, images.display)) {
        remove();
        throw std::runtime_error("the wallpaper could not be stored on the device");
    }
}

// The files are the host's own: never read through a link, which could point at any file the
// user can read and have it served.
std::optional<std::string> WallpaperStore::display() const
{
    if (!fw::readFileContents(m_input, kQuantiserInputBytes, fw::Links::Refuse))
        return std::nullopt;
    return fw::readFileContents(m_display, kMaxImageBytes, fw::Links::Refuse);
}

std::optional<QuantiserInput> WallpaperStore::quantiserInput() const
{
    auto bytes = fw::readFileContents(m_input, kQuantiserInputBytes, fw::Links::Refuse);
    if (!bytes || bytes->size() != kQuantiserInputBytes
        || !fw::readFileContents(m_display, kMaxImageBytes, fw::Links::Refuse))
        return std::nullopt;
    return pixelsFromBytes(*bytes);
}

bool WallpaperStore::remove()
{
    std::error_code ignored;
    bool display = std::filesystem::remove(m_display, ignored);
    bool input = std::filesystem::remove(m_input, ignored);
    return display || input;
}

} // namespace imagetheme
