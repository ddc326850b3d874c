#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace device {

// What a simulated device has installed.
struct DeviceOptions {
    std::string systemVersion { "14.4" };
    bool prysm { false };
    bool powerModule { false };
    bool bcixWeather { false };
    bool ccRinger { false };
    bool noctis { false };
    bool controlCenterServices { true };
    bool shell { true };
    // Enabled Control Center modules in order; the shipped typical selection when unset.
    std::optional<std::vector<std::string>> enabledModules;
};

// The folder of the program's data: the bundle's resources ("Quillane.bundle"), the device's
// files ("device") and the browser UI ("web"). It is $QUILLANE_DATA_DIR when that is set, else
// share/quillane beside the program's own folder (<program folder>/../share/quillane). Throws
// std::runtime_error naming the folder it looked in when that does not hold the data.
std::filesystem::path dataDir();

// Lays out a device as a fresh installation under `root`. Throws std::runtime_error with a
// message for the user when it cannot (for example when `root` already holds a device and
// `replace` is false).
void initDevice(
    const std::filesystem::path& root, const DeviceOptions& options, bool replace = false);

// True when `root` looks like a device laid out by initDevice.
bool isDevice(const std::filesystem::path& root);

// The version the device's package database reports for the bundle.
const char* packageVersion();

} // namespace device
