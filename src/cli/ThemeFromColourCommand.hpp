#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace cli {

// `quillane theme-from-colour`: makes a new preset from one colour (any text the picker's field
// reads) and a harmony, and prints its name. Returns the exit status; every refusal is a message
// on standard error.
int runThemeFromColour(const std::filesystem::path& root, const std::string& colour,
    const std::string& harmony, const std::optional<std::string>& name);

} // namespace cli
