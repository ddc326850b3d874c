#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace fw {

// The simulated device: every absolute path the bundle uses is a device path that resolves
// under this root, so nothing ever touches the real "/".
class Device {
public:
    static void setRoot(std::filesystem::path root);
    static const std::filesystem::path& root();

    // Resolves a device path ("/User/Library/...") under the root. ".." never climbs above the
    // root; "/User" resolves through the device's own relative link to "var/mobile".
    static std::filesystem::path resolve(std::string_view devicePath);
    // True when the device path, its links followed, stays under the root: the device's own
    // relative links ("/User") do, a link to "/etc" or "../.." does not. Parts not made yet
    // count as under the root. What the host writes or serves on a device it checks first.
    static bool resolvesInside(std::string_view devicePath);
};

} // namespace fw
