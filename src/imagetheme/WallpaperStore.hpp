#pragma once

#include "imagetheme/ImageDecoder.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace imagetheme {

// The wallpaper behind the preview, kept on the device beside the host's pasteboard: outside the
// files the bundle and the theming component read. Only the display copy and the quantiser's
// input are kept, never the original.
class WallpaperStore {
public:
    explicit WallpaperStore(std::filesystem::path deviceRoot);

    // Decodes and stores the image; throws ImageRefused, and then the stored wallpaper (if any)
    // stays as it was.
    void set(std::string_view imageBytes);
    std::optional<std::string> display() const;
    std::optional<QuantiserInput> quantiserInput() const;
    // False when there was none.
    bool remove();

private:
    std::filesystem::path m_display;
    std::filesystem::path m_input;
};

} // namespace imagetheme
