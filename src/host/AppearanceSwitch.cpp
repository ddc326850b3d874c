#include "host/AppearanceSwitch.hpp"

#include "foundation/Device.hpp"
#include "foundation/FileIO.hpp"
#include "foundation/PropertyList.hpp"
#include "history/History.hpp"
#include "host/HistoryLabels.hpp"
#include "store/Settings.hpp"

namespace host {

namespace {

bool hasUnsavedEdits()
{
    auto bytes
        = fw::readFileContents(fw::Device::resolve(qln::persistentFile), fw::kMaxPropertyListBytes);
    auto value = bytes ? fw::parsePropertyList(*bytes) : std::nullopt;
    if (!value || !value->asDictionary())
        return false;
    const fw::Value* unsaved = fw::lookup(*value->asDictionary(), qln::unsavedKey);
    return unsaved && unsaved->boolValue();
}

} // namespace

std::optional<theming::PresetApplication> switchAppearance(
    theming::ThemingComponent& component, theming::Appearance appearance)
{
    auto& history = labelledHistory();
    bool ownChange = !history.isOpen();
    if (ownChange)
        history.begin();
    bool unsaved = hasUnsavedEdits();
    auto application = component.setAppearance(appearance);
    if (!ownChange)
        return application;
    history.finish([&](const history::ChangeSet& changes) {
        std::string preset
            = "\u201c" + (application ? application->preset : std::string()) + "\u201d";
        std::string mode = appearance == theming::Appearance::Dark ? "Dark Mode" : "Light Mode";
        history::StepName name { mode + " applied " + preset, mode + " applied " + preset + "." };
        bool settingsReplaced = changes.after.contains(std::string(qln::settingsFile))
            || changes.before.contains(std::string(qln::settingsFile));
        if (unsaved && settingsReplaced)
            name.notice = "Your unsaved changes were replaced by " + preset + ".";
        return name;
    });
    return application;
}

} // namespace host
