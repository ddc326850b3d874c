#pragma once

#include "device/DeviceProfile.hpp"

#include <string>
#include <string_view>

namespace web {

// The device's profile as one line of JSON for the device panel: {"systemVersion", "tweaks":
// [{"name", "title", "installed", "module"?: {"identifier", "displayName"}}], "modules":
// [{"identifier", "displayName", "kind" (stock, tweak or custom), "tweak"?}], "enabled":
// [identifier]}.
std::string deviceJson(const device::DeviceProfile& profile);

// A profile in the same form (only the custom modules of "modules" count; tweaks missing from
// "tweaks" are not installed). Throws device::ProfileError saying what is malformed.
device::DeviceProfile parseDeviceJson(std::string_view body);

} // namespace web
