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

// The project's resources folder (bundle resources, device data, browser UI).
std::filesystem::path resourcesDir();

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
