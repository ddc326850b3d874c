#pragma once

#include "bundle/BundleClasses.hpp"
#include "device/DeviceSetup.hpp"
#include "foundation/Dispatch.hpp"
#include "foundation/Journal.hpp"
#include "foundation/PropertyList.hpp"
#include "preferences/FrameworkClasses.hpp"
#include "preferences/PSListController.hpp"
#include "store/Settings.hpp"
#include "support/TestDevice.hpp"
#include "uikit/UIAlertController.hpp"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A whole simulated device with the real bundle, and the Settings app's navigation stack, for
// the root page and presets tests.
namespace bundletest {

class BundleDevice {
public:
    explicit BundleDevice(const device::DeviceOptions& options = {})
    {
        // The device layout wants an empty directory; the test device's own start goes first.
        std::filesystem::remove_all(device.root() / "var");
        std::filesystem::remove(device.root() / "User");
        device::initDevice(device.root(), options);
        fw::registerFrameworkClasses();
        qln::registerBundleClasses();
        fw::Journal::take();
    }
    // Version lookups of header cells finish before the device goes away.
    ~BundleDevice() { fw::settle(std::chrono::seconds(30)); }
    BundleDevice(const BundleDevice&) = delete;
    BundleDevice& operator=(const BundleDevice&) = delete;

    fw::Dictionary persistent() const
    {
        auto dictionary = fw::dictionaryWithContentsOfFile(qln::persistentFile);
        return dictionary ? *dictionary : fw::Dictionary {};
    }
    void setPersistent(const fw::Dictionary& dictionary) const
    {
        device.write(qln::persistentFile, fw::xmlPropertyList(fw::Value(dictionary)));
    }
    std::string presetFile(std::string_view name) const
    {
        return std::string(qln::presetPath) + std::string(name) + ".plist";
    }
    void writePreset(std::string_view name, std::string_view bytes) const
    {
        device.write(presetFile(name), bytes);
    }

    TestDevice device;
    // The Settings app's own list stays at the bottom of the stack.
    std::shared_ptr<fw::UIViewController> settingsList = std::make_shared<fw::UIViewController>();
    std::shared_ptr<fw::UINavigationController> navigation
        = std::make_shared<fw::UINavigationController>(settingsList);

    // Pushes a page as a link row would, builds its rows and puts them on screen.
    template <class Page> std::shared_ptr<Page> push()
    {
        auto page = std::make_shared<Page>();
        page->setBundlePath(std::string(qln::bundlePath));
        navigation->pushViewController(page, true);
        page->layoutTable();
        return page;
    }
};

inline std::shared_ptr<fw::UIAlertController> presented(fw::UIViewController& page)
{
    return std::dynamic_pointer_cast<fw::UIAlertController>(page.presentedViewController());
}

inline std::vector<std::string> actionTitles(const fw::UIAlertController& alert)
{
    std::vector<std::string> titles;
    for (const auto& action : alert.actions())
        titles.push_back(action->title);
    return titles;
}

// Fills the presented alert's text fields and chooses one of its actions.
inline bool choose(
    fw::UIViewController& page, std::string_view title, const std::vector<std::string>& texts = {})
{
    auto alert = presented(page);
    if (!alert)
        return false;
    for (std::size_t i = 0; i < texts.size() && i < alert->textFields().size(); ++i)
        alert->textFields()[i]->text = texts[i];
    return alert->chooseAction(title);
}

// The presented alert's title and message, or empty strings.
inline std::pair<std::string, std::string> shown(fw::UIViewController& page)
{
    auto alert = presented(page);
    return alert ? std::pair { alert->title, alert->message }
                 : std::pair<std::string, std::string> {};
}

} // namespace bundletest
