#pragma once

#include <string>
#include <string_view>

namespace fw {

// The device's identity as the bundle asks for it.
class UIDevice {
public:
    static UIDevice& currentDevice();

    // "ProductVersion" of the device's SystemVersion.plist, read afresh on every call because
    // the host may change it while running. A device always has the file; when it is missing or
    // damaged this is "14.0", so that a damaged device still behaves like a current one.
    std::string systemVersion() const;
    // systemVersion() compared with `version` as NSNumericSearch does: true when not older.
    bool systemVersionAtLeast(std::string_view version) const;
};

inline constexpr std::string_view kSystemVersionPath
    = "/System/Library/CoreServices/SystemVersion.plist";
inline constexpr std::string_view kFallbackSystemVersion = "14.0";

} // namespace fw
