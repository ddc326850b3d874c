#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace cli {

// `quillane theme-from-image`: makes a new preset from the image at `image` (a path of this
// machine, not of the device) and prints its name. Returns the exit status; every refusal is a
// message on standard error.
int runThemeFromImage(const std::filesystem::path& root, const std::filesystem::path& image,
    const std::optional<std::string>& name);

} // namespace cli
