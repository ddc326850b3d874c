#pragma once

#include <filesystem>

namespace cli {

// `quillane theme`: the theming component as a process of its own on the device at `root`. It
// prints the palette at start and after every change, and reads commands on standard input:
// "dark", "light", "toggle NAME", "show", "quit". Returns the exit status.
int runTheme(const std::filesystem::path& root);

} // namespace cli
