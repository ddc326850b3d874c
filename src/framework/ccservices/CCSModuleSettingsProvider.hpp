#pragma once

#include "foundation/NSObject.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// The user's Control Center configuration.
class CCSModuleSettingsProvider : public NSObject {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    static constexpr std::string_view configurationPath
        = "/var/mobile/Library/ControlCenter/ModuleConfiguration.plist";

    static std::shared_ptr<CCSModuleSettingsProvider> sharedProvider();

    // The identifiers of the enabled modules in Control Center order, read afresh from the
    // configuration file's "module-identifiers"; empty when the file is missing or unreadable.
    // Entries that are not strings are left out.
    std::vector<std::string> orderedUserEnabledModuleIdentifiers() const;
};

} // namespace fw
