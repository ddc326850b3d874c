#pragma once

#include "foundation/Value.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the benchmark programs share: the files they read, the devices they lay out and the
// options they take beside Google Benchmark's own.
namespace bench {

std::filesystem::path sourceDir();
// The shipped bundle resources (layout files, defaults.plist).
std::filesystem::path bundleResources();

std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, std::string_view bytes);

// A stored colour value, different for every index ("#RRGGBB:alpha").
std::string colourValue(std::size_t index);
// The keys of the colour rows of every shipped layout file.
std::vector<std::string> shippedColourKeys();
// A settings dictionary of `keys` entries: defaults.plist, a colour for every shipped colour
// row, then colours under made-up keys of the same shape, as a user's file grows.
fw::Dictionary settingsWithKeys(std::size_t keys);

// Takes "--name=value" out of the command line before Google Benchmark reads it.
std::optional<std::string> takeOption(int& argc, char** argv, std::string_view name);
// Runs the registered benchmarks with Google Benchmark's own options; the program's exit code.
int runBenchmarks(int& argc, char** argv);

// A directory for one run's devices and files, removed when the program ends.
std::filesystem::path scratchDirectory();

// A device laid out as the host lays it out, in the scratch directory.
struct DeviceSpec {
    bool allTweaks { false };
    std::optional<std::vector<std::string>> enabledModules;
};
std::filesystem::path newDevice(std::string_view name, const DeviceSpec& spec = {});
// The settings file of a device, by host path.
std::filesystem::path settingsFileOf(const std::filesystem::path& device);
std::filesystem::path bundleDirOf(const std::filesystem::path& device);

// Process CPU time in seconds (every thread).
double processCpuSeconds();

} // namespace bench
