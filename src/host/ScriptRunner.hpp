#pragma once

#include <filesystem>

namespace host {

// `quillane script`: one event per line on standard input, one screen per line on standard
// output. Returns the exit status.
int runScript(const std::filesystem::path& deviceRoot);

} // namespace host
