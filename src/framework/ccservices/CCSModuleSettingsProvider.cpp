#include "ccservices/CCSModuleSettingsProvider.hpp"

#include "foundation/ClassDescription.hpp"
#include "foundation/PropertyList.hpp"

namespace fw {

const ClassDescriptor& CCSModuleSettingsProvider::classObject()
{
    static const ClassDescriptor cls
        = describeClass("CCSModuleSettingsProvider", NSObject::classObject());
    return cls;
}

std::shared_ptr<CCSModuleSettingsProvider> CCSModuleSettingsProvider::sharedProvider()
{
    static const auto provider = std::make_shared<CCSModuleSettingsProvider>();
    return provider;
}

std::vector<std::string> CCSModuleSettingsProvider::orderedUserEnabledModuleIdentifiers() const
{
    std::vector<std::string> identifiers;
    auto configuration = dictionaryWithContentsOfFile(configurationPath);
    if (!configuration)
        return identifiers;
    auto* list = lookup(*configuration, "module-identifiers");
    if (!list || !list->asArray())
        return identifiers;
    for (const auto& entry : *list->asArray()) {
        if (auto* identifier = entry.asString())
            identifiers.push_back(*identifier);
    }
    return identifiers;
}

} // namespace fw
