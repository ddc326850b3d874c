#include "pages/QLNRootListController.hpp"

#include "foundation/ClassDescription.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "pages/FeatureFilter.hpp"
#include "store/Settings.hpp"
#include "store/SettingsStore.hpp"
#include "uikit/Alerts.hpp"

namespace qln {

namespace {

constexpr const char* kWelcomeMessage
    = "Thank you for buying Quillane! Here you can configure colors and other settings for all "
      "parts of your Control Center.\n\nWhenever you want to reset a specific color setting, "
      "simply long-press on the setting name and the color will be reset to the default.";

void removeCurrentPreset()
{
    auto persistent = fw::dictionaryWithContentsOfFile(persistentFile);
    if (!persistent)
        return;
    auto current = persistent->find(currentPresetKey);
    if (current != persistent->end())
        persistent->erase(current);
    fw::writeToFile(*persistent, persistentFile);
}

} // namespace

const fw::ClassDescriptor& QLNRootListController::classObject()
{
    static const fw::ClassDescriptor cls = fw::describeClass<QLNRootListController>(
        "QLNRootListController", QLNBaseController::classObject(),
        { { "resetSettings", fw::action<&QLNRootListController::resetSettings>() } });
    return cls;
}

void QLNRootListController::viewWillDisappear(bool animated)
{
    QLNBaseController::viewWillDisappear(animated);
    auto navigation = navigationController();
    // Only the Settings app's own list is left: the user is leaving our pages.
    if (navigation && navigation->viewControllers().size() == 1)
        navigation->navigationBar().setTintColor(std::nullopt);
}

const fw::SpecifierList& QLNRootListController::specifiers()
{
    if (_specifiers)
        return *_specifiers;
    fw::SpecifierList list = loadSpecifiersFromPlistName("Root", shared_from_this());
    // The root page's rules ask about Prysm only, so only Prysm is looked for.
    InstalledTweaks tweaks;
    tweaks.prysm = prysmInstalled();
    applyFeatureFilter(list, rootFeatureRules(), tweaks);
    if (!fw::NSFileManager::defaultManager().fileExistsAtPath(configuredMarker))
        greetFirstTimeUser();
    _specifiers = std::move(list);
    return *_specifiers;
}

void QLNRootListController::greetFirstTimeUser()
{
    fw::presentMessage(*this, "Welcome", kWelcomeMessage);
    fw::NSFileManager::defaultManager().createFileAtPath(configuredMarker);
}

void QLNRootListController::resetSettings()
{
    fw::presentConfirmation(*this, "Reset All Settings",
        "Are you sure you want to reset all settings to the default value?",
        { "Yes", fw::UIAlertActionStyleDestructive },
        [](QLNRootListController& page) { page.resetToDefaults(); });
}

void QLNRootListController::resetToDefaults()
{
    // Removing the settings file before the defaults are known to be usable would leave the
    // theming component with no settings at all.
    if (!fw::dictionaryWithContentsOfFile(defaultsFile)) {
        showResetFailure("The default settings could not be read. Your settings were not changed.");
        return;
    }
    // One atomic step: the settings file is never missing, not even for a moment.
    if (!fw::NSFileManager::defaultManager().replaceItemWithCopyOfItem(
            settingsFile, defaultsFile)) {
        showResetFailure(
            "The default settings could not be copied. Your settings were not changed.");
        return;
    }
    postUpdateNotification();
    removeCurrentPreset();
    fw::presentMessage(*this, "Success", "All settings resetted.");
}

void QLNRootListController::showResetFailure(std::string message)
{
    fw::presentMessage(*this, "Reset failed", std::move(message));
}

} // namespace qln
