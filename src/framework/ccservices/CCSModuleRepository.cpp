#include "ccservices/CCSModuleRepository.hpp"

#include "foundation/ClassDescription.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"

#include <algorithm>

namespace fw {

namespace {

bool isBundleName(std::string_view name)
{
    constexpr std::string_view suffix = ".bundle";
    return name.size() > suffix.size() && name.ends_with(suffix);
}

} // namespace

const ClassDescriptor& CCSModuleRepository::classObject()
{
    static const ClassDescriptor cls
        = describeClass("CCSModuleRepository", NSObject::classObject());
    return cls;
}

std::shared_ptr<CCSModuleRepository> CCSModuleRepository::repositoryWithDefaults()
{
    auto repository = std::make_shared<CCSModuleRepository>();
    repository->addModulesIn(stockModulesPath);
    repository->addModulesIn(thirdPartyModulesPath);
    return repository;
}

void CCSModuleRepository::addModulesIn(std::string_view folder)
{
    auto names = NSFileManager::defaultManager().contentsOfDirectoryAtPath(folder);
    if (!names)
        return;
    // Listing order is the file system's; sorting makes a shared identifier resolve alike
    // on every device.
    std::sort(names->begin(), names->end());
    for (const auto& name : *names) {
        if (!isBundleName(name))
            continue;
        std::string bundlePath = std::string(folder) + name;
        auto info = dictionaryWithContentsOfFile(bundlePath + "/Info.plist");
        if (!info)
            continue;
        auto* identifier = lookup(*info, "CFBundleIdentifier");
        if (!identifier || !identifier->asString() || identifier->asString()->empty())
            continue;
        m_bundlePaths.try_emplace(*identifier->asString(), std::move(bundlePath));
    }
}

std::shared_ptr<CCSModuleMetadata> CCSModuleRepository::moduleMetadataForModuleIdentifier(
    std::string_view moduleIdentifier) const
{
    auto found = m_bundlePaths.find(moduleIdentifier);
    if (found == m_bundlePaths.end())
        return nullptr;
    return std::make_shared<CCSModuleMetadata>(found->first, found->second);
}

} // namespace fw
