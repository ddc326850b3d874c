#include "foundation/NSBundle.hpp"

#include "ccservices/ControlCenterServices.hpp"
#include "foundation/ClassDescription.hpp"
#include "foundation/Device.hpp"
#include "foundation/PropertyList.hpp"

#include <filesystem>
#include <map>
#include <system_error>

namespace fw {

namespace {

std::string withoutTrailingSlashes(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return std::string(path);
}

bool isDirectory(const std::string& devicePath)
{
    std::error_code error;
    return std::filesystem::is_directory(Device::resolve(devicePath), error);
}

// The code that framework bundles carry: what their executable would register when loaded.
using BundleCode = void (*)();
const std::map<std::string, BundleCode, std::less<>>& bundleCode()
{
    static const std::map<std::string, BundleCode, std::less<>> code {
        { "/System/Library/PrivateFrameworks/ControlCenterServices.framework",
            &registerControlCenterServicesClasses },
    };
    return code;
}

std::optional<Dictionary> dictionaryAt(const std::string& path)
{
    auto value = propertyListWithContentsOfFile(path);
    if (!value || !value->isDictionary())
        return std::nullopt;
    return *value->asDictionary();
}

} // namespace

const ClassDescriptor& NSBundle::classObject()
{
    static const ClassDescriptor cls = describeClass("NSBundle", NSObject::classObject());
    return cls;
}

NSBundle::NSBundle(std::string path)
    : m_path(withoutTrailingSlashes(path))
{
}

std::shared_ptr<NSBundle> NSBundle::bundleWithPath(std::string_view path)
{
    return std::make_shared<NSBundle>(std::string(path));
}

std::shared_ptr<NSBundle> NSBundle::bundleWithURL(std::string_view url)
{
    auto bundle = bundleWithPath(url);
    if (!isDirectory(bundle->m_path))
        return nullptr;
    return bundle;
}

bool NSBundle::load()
{
    if (!isDirectory(m_path))
        return false;
    if (m_loaded)
        return true;
    m_loaded = true;
    auto code = bundleCode().find(m_path);
    if (code != bundleCode().end())
        code->second();
    return true;
}

const Dictionary& NSBundle::infoDictionary()
{
    if (!m_infoDictionary)
        m_infoDictionary = dictionaryAt(m_path + "/Info.plist").value_or(Dictionary {});
    return *m_infoDictionary;
}

const Dictionary& NSBundle::localizedInfoDictionary()
{
    if (!m_localizedInfoDictionary) {
        auto strings = dictionaryAt(m_path + "/en.lproj/InfoPlist.strings");
        m_localizedInfoDictionary = strings ? std::move(*strings) : infoDictionary();
    }
    return *m_localizedInfoDictionary;
}

} // namespace fw
