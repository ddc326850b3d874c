#include "pages/QLNBaseController.hpp"

#include "foundation/ClassDescription.hpp"
#include "foundation/Process.hpp"
#include "foundation/StringCompare.hpp"
#include "foundation/UIDevice.hpp"
#include "store/Settings.hpp"
#include "store/SettingsStore.hpp"
#include "uikit/Alerts.hpp"

namespace qln {

const fw::ClassDescriptor& QLNBaseController::classObject()
{
    static const fw::ClassDescriptor cls = fw::describeClass<QLNBaseController>("QLNBaseController",
        fw::PSListController::classObject(),
        { { "respring", fw::action<&QLNBaseController::respring>() },
            { "setWithRespring:specifier:", fw::action<&QLNBaseController::setWithRespring>() } });
    return cls;
}

void QLNBaseController::viewWillAppear(bool animated)
{
    fw::PSListController::viewWillAppear(animated);
    if (auto navigation = navigationController())
        navigation->navigationBar().setTintColor(accentColour());
    const auto& subviews = view()->subviews();
    if (subviews.empty())
        return;
    if (auto table = std::dynamic_pointer_cast<fw::UITableView>(subviews.front()))
        table->setSeparatorStyle(fw::UITableViewCellSeparatorStyleNone);
}

int QLNBaseController::tableViewStyle()
{
    // Compared numerically, so "9.3" counts as older than "13.0".
    if (fw::compareNumeric(fw::UIDevice::currentDevice().systemVersion(), "13.0") < 0)
        return fw::PSListController::tableViewStyle();
    return fw::UITableViewStyleInsetGrouped;
}

std::optional<fw::Value> QLNBaseController::readPreferenceValue(
    const std::shared_ptr<fw::PSSpecifier>& specifier)
{
    if (!specifier)
        return std::nullopt;
    const std::string* key = specifier->stringForKey("key");
    if (key) {
        auto path = preferencesPathForDomain(specifier->stringForKey("defaults"));
        if (auto stored = readSetting(*key, path))
            return stored;
    }
    if (const fw::Value* fallback = specifier->valueForKey("default"))
        return *fallback;
    return std::nullopt;
}

void QLNBaseController::setPreferenceValue(
    const fw::Value& value, const std::shared_ptr<fw::PSSpecifier>& specifier)
{
    // A row without a key has nowhere to store its value: nothing is written or announced.
    const std::string* key = specifier ? specifier->stringForKey("key") : nullptr;
    if (!key)
        return;
    std::string path = preferencesPathForDomain(specifier->stringForKey("defaults"));
    if (auto settings = readSettings(path)) {
        (*settings)[*key] = value;
        writeSettings(*settings, path);
    }
    markUnsaved();
    postUpdateNotification();
}

void QLNBaseController::respring()
{
    view()->endEditing(true);
    fw::posixSpawn(std::string(sbreloadPath), { "sbreload" });
}

void QLNBaseController::setWithRespring(
    const fw::Value& value, const std::shared_ptr<fw::PSSpecifier>& specifier)
{
    // Only a row's switch asks for a respring; without the row there is no change to apply.
    if (!specifier)
        return;
    setPreferenceValue(value, specifier);
    fw::presentConfirmation(*this, "Respring required",
        "Changing this option requires a respring. Do you want to respring now?",
        { .cancel = "No" }, [](QLNBaseController& page) { page.respring(); });
}

} // namespace qln
