#pragma once

namespace cli {

// `quillane open`: opens the settings in the default browser, at the address a running server
// recorded, or after starting one (through the user service when it is installed). With
// `printOnly` it prints the address instead. Returns the exit status.
int runOpen(bool printOnly);

} // namespace cli
