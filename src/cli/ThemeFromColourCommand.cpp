#include "cli/ThemeFromColourCommand.hpp"

#include "foundation/Device.hpp"
#include "imagetheme/ColourEntry.hpp"
#include "imagetheme/ImagePreset.hpp"

#include <iostream>

namespace cli {

int runThemeFromColour(const std::filesystem::path& root, const std::string& colour,
    const std::string& harmony, const std::optional<std::string>& name)
{
    auto read = imagetheme::readColourEntry(colour);
    if (auto* problem = std::get_if<imagetheme::ColourEntryProblem>(&read)) {
        std::cerr << "quillane theme-from-colour: \"" << colour << "\": " << problem->message
                  << "\n";
        return 1;
    }
    auto chosen = imagetheme::harmonyNamed(harmony);
    if (!chosen) {
        std::cerr << "quillane theme-from-colour: the harmony is monochrome, analogous or "
                     "complementary, not \""
                  << harmony << "\"\n";
        return 1;
    }
    try {
        fw::Device::setRoot(root);
        std::cout << imagetheme::createPresetFromColour(
            std::get<theming::Rgba>(read), *chosen, name.value_or(colour))
                  << std::endl;
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "quillane theme-from-colour: " << error.what() << "\n";
    }
    return 1;
}

} // namespace cli
