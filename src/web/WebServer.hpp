#pragma once

#include <filesystem>

namespace web {

// `quillane serve`: the browser UI and the event protocol over HTTP on 127.0.0.1, until
// interrupted. Port 0 picks a free port. With `shareWithPhone` the picture is shared on the
// local network from the start. Returns the exit status.
int runServer(const std::filesystem::path& deviceRoot, int port, bool shareWithPhone = false);

} // namespace web
