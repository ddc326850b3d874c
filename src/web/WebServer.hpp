#pragma once

#include <filesystem>

namespace web {

// `quillane serve`: the browser UI and the event protocol over HTTP on 127.0.0.1, until
// interrupted. Port 0 picks a free port. Returns the exit status.
int runServer(const std::filesystem::path& deviceRoot, int port);

} // namespace web
