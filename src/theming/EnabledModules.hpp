#pragma once

#include <string>
#include <vector>

namespace theming {

struct EnabledModule {
    std::string identifier; // CFBundleIdentifier of the module's bundle
    std::string name;
    // The toggles page lists the module: not for modules with pages of their own, nor for
    // Apple's modules without a display name.
    bool hasRow { true };
};

// The user's enabled Control Center modules in their order, each found among the installed
// module bundles (stock first). Identifiers without an installed bundle, and repeats, are left
// out. Names follow the settings' toggles page: the localised display name, the display name,
// fixed names for orientation lock and Do Not Disturb, the bundle name; the identifier when the
// bundle names nothing.
std::vector<EnabledModule> readEnabledModules();

} // namespace theming
