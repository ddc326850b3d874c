#pragma once

#include "foundation/NSObject.hpp"

#include <optional>
#include <string>

namespace fw {

// What the module repository knows of one installed Control Center module.
class CCSModuleMetadata : public NSObject {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    CCSModuleMetadata(std::string moduleIdentifier, std::optional<std::string> moduleBundleURL)
        : m_moduleIdentifier(std::move(moduleIdentifier))
        , m_moduleBundleURL(std::move(moduleBundleURL))
    {
    }

    const std::string& moduleIdentifier() const { return m_moduleIdentifier; }
    // The device path of the module's bundle directory, or nothing.
    const std::optional<std::string>& moduleBundleURL() const { return m_moduleBundleURL; }

private:
    std::string m_moduleIdentifier;
    std::optional<std::string> m_moduleBundleURL;
};

} // namespace fw
