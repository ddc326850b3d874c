#pragma once

#include "ccservices/CCSModuleMetadata.hpp"
#include "foundation/NSObject.hpp"

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace fw {

// The installed Control Center modules: every "*.bundle" directory of the stock and the
// third-party module folders, known by the CFBundleIdentifier of its Info.plist.
class CCSModuleRepository : public NSObject {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    // Stock modules come first: when two bundles claim one identifier, the stock one wins.
    static constexpr std::string_view stockModulesPath = "/System/Library/ControlCenter/Bundles/";
    static constexpr std::string_view thirdPartyModulesPath = "/Library/ControlCenter/Bundles/";

    // A repository of the modules installed now (the folders are read when it is made).
    static std::shared_ptr<CCSModuleRepository> repositoryWithDefaults();

    // The module's metadata, or nullptr when no installed bundle has that identifier.
    std::shared_ptr<CCSModuleMetadata> moduleMetadataForModuleIdentifier(
        std::string_view moduleIdentifier) const;

private:
    void addModulesIn(std::string_view folder);

    std::map<std::string, std::string, std::less<>> m_bundlePaths; // identifier → bundle path
};

} // namespace fw
