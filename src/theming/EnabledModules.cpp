#include "theming/EnabledModules.hpp"

#include "foundation/NSBundle.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "theming/ThemingPaths.hpp"

#include <algorithm>
#include <map>
#include <set>

namespace theming {

namespace {

using BundlePaths = std::map<std::string, std::string, std::less<>>; // identifier → bundle

std::string stringFor(const fw::Dictionary& dictionary, std::string_view key)
{
    const fw::Value* value = fw::lookup(dictionary, key);
    const std::string* text = value ? value->asString() : nullptr;
    return text ? *text : std::string();
}

BundlePaths installedModules()
{
    BundlePaths paths;
    auto& files = fw::NSFileManager::defaultManager();
    for (std::string_view folder : moduleFolders) {
        auto names = files.contentsOfDirectoryAtPath(folder);
        if (!names)
            continue;
        std::sort(names->begin(), names->end());
        for (const std::string& name : *names) {
            if (!name.ends_with(".bundle"))
                continue;
            std::string path = std::string(folder) + name;
            auto info = fw::dictionaryWithContentsOfFile(path + "/Info.plist");
            std::string identifier = info ? stringFor(*info, "CFBundleIdentifier") : "";
            if (!identifier.empty())
                paths.try_emplace(identifier, path);
        }
    }
    return paths;
}

std::string moduleName(fw::NSBundle& bundle, const std::string& identifier)
{
    if (identifier == "com.apple.control-center.OrientationLockModule")
        return "Orientation Lock";
    if (identifier == "com.apple.donotdisturb.DoNotDisturbModule")
        return "Do Not Disturb";
    for (const fw::Dictionary* info :
        { &bundle.localizedInfoDictionary(), &bundle.infoDictionary() }) {
        if (auto name = stringFor(*info, "CFBundleDisplayName"); !name.empty())
            return name;
    }
    if (auto name = stringFor(bundle.infoDictionary(), "CFBundleName"); !name.empty())
        return name;
    return identifier;
}

bool hasRow(fw::NSBundle& bundle, const std::string& identifier)
{
    if (identifier == powerModuleIdentifier || identifier == bcxiWeatherIdentifier)
        return false;
    if (identifier == "com.apple.control-center.OrientationLockModule"
        || identifier == "com.apple.donotdisturb.DoNotDisturbModule")
        return true;
    for (const fw::Dictionary* info :
        { &bundle.localizedInfoDictionary(), &bundle.infoDictionary() }) {
        if (!stringFor(*info, "CFBundleDisplayName").empty())
            return true;
    }
    return !identifier.starts_with("com.apple")
        && !stringFor(bundle.infoDictionary(), "CFBundleName").empty();
}

std::vector<std::string> enabledIdentifiers()
{
    auto configuration = fw::dictionaryWithContentsOfFile(moduleConfigurationFile);
    const fw::Value* list
        = configuration ? fw::lookup(*configuration, moduleIdentifiersKey) : nullptr;
    if (!list || !list->asArray())
        return {};
    std::vector<std::string> identifiers;
    for (const fw::Value& entry : *list->asArray()) {
        if (const std::string* identifier = entry.asString())
            identifiers.push_back(*identifier);
    }
    return identifiers;
}

} // namespace

std::vector<EnabledModule> readEnabledModules()
{
    BundlePaths bundles = installedModules();
    std::set<std::string, std::less<>> seen;
    std::vector<EnabledModule> modules;
    for (const std::string& identifier : enabledIdentifiers()) {
        auto found = bundles.find(identifier);
        if (found == bundles.end() || !seen.insert(identifier).second)
            continue;
        fw::NSBundle bundle(found->second);
        modules.push_back(
            { identifier, moduleName(bundle, identifier), hasRow(bundle, identifier) });
    }
    return modules;
}

} // namespace theming
