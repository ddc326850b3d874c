#pragma once

namespace cli {

// The `quillane` command line: serve, script, device init. Returns the exit status.
int runCli(int argc, char** argv);

} // namespace cli
