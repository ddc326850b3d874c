#include "cli/ThemeFromImageCommand.hpp"

#include "foundation/Device.hpp"
#include "imagetheme/ImagePreset.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

namespace cli {

namespace {

std::string readImage(const std::filesystem::path& image)
{
    std::error_code error;
    if (std::filesystem::is_directory(image, error))
        throw std::runtime_error(image.string() + " is a directory, not an image");
    auto size = std::filesystem::file_size(image, error);
    if (error)
        throw std::runtime_error("cannot read " + image.string() + ": " + error.message());
    // Refused before reading, so a huge file costs nothing.
    if (size > imagetheme::kMaxImageBytes)
        throw imagetheme::ImageRefused("the image file is larger than 32 MiB");
    std::ifstream in(image, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + image.string() + ": " + std::strerror(errno));
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!in)
        throw std::runtime_error("cannot read " + image.string());
    return bytes;
}

} // namespace

int runThemeFromImage(const std::filesystem::path& root, const std::filesystem::path& image,
    const std::optional<std::string>& name)
{
    try {
        fw::Device::setRoot(root);
        std::string bytes = readImage(image);
        std::string presetName
            = imagetheme::createPresetFromImage(bytes, name ? *name : image.stem().string());
        std::cout << presetName << std::endl;
        return 0;
    } catch (const imagetheme::ImageRefused& refusal) {
        std::cerr << "quillane theme-from-image: " << image.string() << ": " << refusal.what()
                  << "\n";
    } catch (const std::exception& error) {
        std::cerr << "quillane theme-from-image: " << error.what() << "\n";
    }
    return 1;
}

} // namespace cli
