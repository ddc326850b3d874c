#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace theming {

// A preset name that the host refuses to write or serve under; what() says why.
class PresetNameRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the host does with a preset's file: a name to write must also fit in a property list (the
// persistent file names presets); one to read need only stay in the presets folder.
enum class PresetUse { Read, Write };

// The device path of the preset named `name`, for the presets the host writes and serves beside
// the bundle (a file imported or downloaded, a theme from an image). Throws PresetNameRefused
// when the name is empty or cannot be a preset's (see fw::fileNameProblem), or when the preset
// leads off the device through a link.
std::string checkedPresetPath(std::string_view name, PresetUse use);

} // namespace theming
