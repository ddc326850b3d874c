#include "pages/QLNBaseController.hpp"

#include "foundation/Process.hpp"
#include "foundation/StringCompare.hpp"
#include "foundation/UIDevice.hpp"
#include "store/Settings.hpp"
#include "store/SettingsStore.hpp"
#include "uikit/UIAlertController.hpp"

namespace qln {

const fw::ClassDescriptor& QLNBaseController::classObject()
{
    static const fw::ClassDescriptor cls = [] {
        fw::ClassDescriptor c;
        c.name = "QLNBaseController";
        c.superclass = &fw::PSListController::classObject();
        c.make = [] { return std::make_shared<QLNBaseController>(); };
        c.actions["respring"] = [](fw::NSObject& self, const fw::Args&) -> fw::ActionResult {
            static_cast<QLNBaseController&>(self).respring();
            return std::nullopt;
        };
        c.actions["setWithRespring:specifier:"]
            = [](fw::NSObject& self, const fw::Args& args) -> fw::ActionResult {
            const fw::Value* value = fw::argValue(args, 0);
            auto specifier = fw::argAs<fw::PSSpecifier>(args, 1);
            if (!value || !specifier)
                return std::nullopt;
            static_cast<QLNBaseController&>(self).setWithRespring(*value, specifier);
            return std::nullopt;
        };
        return c;
    }();
    return cls;
}

void QLNBaseController::viewWillAppear(bool animated)
{
    fw::PSListController::viewWillAppear(animated);
    if (auto navigation = navigationController())
        navigation->navigationBar().setTintColor(accentColor());
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
    setPreferenceValue(value, specifier);

    auto alert = fw::UIAlertController::alertControllerWithTitle("Respring required",
        "Changing this option requires a respring. Do you want to respring now?",
        fw::UIAlertControllerStyleAlert);
    std::weak_ptr<QLNBaseController> weakSelf
        = std::static_pointer_cast<QLNBaseController>(shared_from_this());
    alert->addAction(fw::UIAlertAction::actionWithTitle(
        "Yes", fw::UIAlertActionStyleDefault, [weakSelf](fw::UIAlertAction&) {
            if (auto self = weakSelf.lock())
                self->respring();
        }));
    alert->addAction(fw::UIAlertAction::actionWithTitle("No", fw::UIAlertActionStyleCancel));
    presentViewController(alert, true);
}

} // namespace qln
