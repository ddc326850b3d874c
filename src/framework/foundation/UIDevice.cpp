#include "foundation/UIDevice.hpp"

#include "foundation/PropertyList.hpp"
#include "foundation/StringCompare.hpp"

namespace fw {

UIDevice& UIDevice::currentDevice()
{
    static UIDevice device;
    return device;
}

std::string UIDevice::systemVersion() const
{
    auto dictionary = dictionaryWithContentsOfFile(kSystemVersionPath);
    if (!dictionary)
        return std::string(kFallbackSystemVersion);
    const Value* version = lookup(*dictionary, "ProductVersion");
    if (!version || !version->isString() || version->asString()->empty())
        return std::string(kFallbackSystemVersion);
    return *version->asString();
}

bool UIDevice::systemVersionAtLeast(std::string_view version) const
{
    return compareNumeric(systemVersion(), version) >= 0;
}

} // namespace fw
