// Page layout files of any shape: the loader turns the parsed property list into rows, and a
// page shows them, making and laying out a cell for every row. Nothing may crash.
#include "FuzzDevice.hpp"
#include "bundle/BundleClasses.hpp"
#include "foundation/Device.hpp"
#include "foundation/PropertyList.hpp"
#include "pages/QLNBaseController.hpp"
#include "preferences/FrameworkClasses.hpp"
#include "preferences/SpecifierLoader.hpp"

#include <cstdint>

namespace {

// A settings page whose rows come from the fuzzed layout.
class FuzzedPage : public qln::QLNBaseController {
public:
    explicit FuzzedPage(const fw::Dictionary& layout)
        : m_layout(layout)
    {
    }
    const fw::SpecifierList& specifiers() override
    {
        if (!_specifiers)
            _specifiers
                = fw::SpecifierLoader::loadDictionary(m_layout, shared_from_this()).specifiers;
        return *_specifiers;
    }

private:
    fw::Dictionary m_layout;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static bool ready = [] {
        fw::registerFrameworkClasses();
        qln::registerBundleClasses();
        fw::Device::setRoot(FuzzDevice::instance().root());
        return true;
    }();
    (void)ready;
    auto value = fw::parsePropertyList(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!value || !value->asDictionary())
        return 0;
    auto page = std::make_shared<FuzzedPage>(*value->asDictionary());
    page->setBundlePath("/Library/PreferenceBundles/Quillane.bundle");
    page->loadView();
    for (const auto& specifier : page->displayedSpecifiers())
        page->cellForSpecifier(specifier);
    page->layoutTable();
    page->reloadSpecifiers();
    page->layoutTable(320);
    return 0;
}
