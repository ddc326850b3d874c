#include "presets/QLNPresetsController.hpp"

#include "foundation/ClassDescription.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/Notifications.hpp"
#include "foundation/StringCompare.hpp"
#include "foundation/UIDevice.hpp"
#include "presets/PresetStore.hpp"
#include "store/Settings.hpp"
#include "uikit/Alerts.hpp"
#include "uikit/UILabel.hpp"

#include <algorithm>

namespace qln {

namespace {

using Page = QLNPresetsController;

bool modeActionsOffered()
{
    if (fw::compareNumeric(fw::UIDevice::currentDevice().systemVersion(), "13.0") >= 0)
        return true;
    return fw::NSFileManager::defaultManager().fileExistsAtPath(noctisTogglePath);
}

} // namespace

const fw::ClassDescriptor& QLNPresetsController::classObject()
{
    static const fw::ClassDescriptor cls
        = fw::describeClass<Page>("QLNPresetsController", QLNBaseController::classObject(),
            {
                { "selectPreset:", fw::action<&Page::selectPreset>() },
                { "newPreset", fw::action<&Page::newPreset>() },
                { "importPreset", fw::action<&Page::importPreset>() },
                { "savePreset", fw::action<&Page::savePreset>() },
                { "deletePreset:", fw::action<&Page::deletePreset>() },
                { "loadPreset:", fw::action<&Page::loadPreset>() },
                { "exportPreset:", fw::action<&Page::exportPreset>() },
                { "setPresetActive:", fw::action<&Page::setPresetActive>() },
                { "removeDefaultForMode:", fw::action<&Page::removeDefaultForMode>() },
                { "setAsDefault:forMode:", fw::action<&Page::setAsDefault>() },
            });
    return cls;
}

// ---- Rows ----

const fw::SpecifierList& QLNPresetsController::specifiers()
{
    if (_specifiers)
        return *_specifiers;
    PresetStore::createPresetDirectory();
    fw::SpecifierList list = loadSpecifiersFromPlistName("Presets", shared_from_this());
    for (const PresetEntry& preset : PresetStore::listPresets())
        list.push_back(makePresetRow(preset));
    observePresetChanges();
    installSaveButton();
    _specifiers = std::move(list);
    return *_specifiers;
}

std::shared_ptr<fw::PSSpecifier> QLNPresetsController::makePresetRow(const PresetEntry& preset)
{
    auto row = fw::PSSpecifier::preferenceSpecifierNamed(
        preset.name, shared_from_this(), "", "", nullptr, fw::PSButtonCell, nullptr);
    if (const fw::ClassDescriptor* cellClass = fw::NSClassFromString("QLNPreset"))
        row->setProperty(cellClass, "cellClass");
    row->setProperty(fw::Value("regular"), "textColor");
    row->setProperty(fw::Value(preset.name), "fileName");
    if (preset.active)
        row->setProperty(fw::Value(true), "isActive");
    if (preset.unsaved)
        row->setProperty(fw::Value(true), "isUnsaved");
    if (preset.darkDefault)
        row->setProperty(fw::Value(true), "isDarkDefault");
    if (preset.lightDefault)
        row->setProperty(fw::Value(true), "isLightDefault");
    row->setButtonAction("selectPreset:");
    return row;
}

void QLNPresetsController::observePresetChanges()
{
    auto& center = fw::NSDistributedNotificationCenter::defaultCenter();
    center.removeObserver(this, presetChangedNotification);
    center.addObserver(
        shared_from_this(), "reloadSpecifiers", std::string(presetChangedNotification));
}

void QLNPresetsController::installSaveButton()
{
    auto button = std::make_shared<fw::UIBarButtonItem>(
        "Save", fw::UIBarButtonItem::UIBarButtonItemStylePlain, shared_from_this(), "savePreset");
    button->setEnabled(PresetStore::currentPreset().has_value() && PresetStore::isUnsaved());
    navigationItem().setRightBarButtonItem(button);
}

void QLNPresetsController::viewWillDisappear(bool animated)
{
    QLNBaseController::viewWillDisappear(animated);
    auto navigation = navigationController();
    if (!navigation)
        return;
    const auto& stack = navigation->viewControllers();
    bool stillListed = std::any_of(stack.begin(), stack.end(),
        [this](const auto& controller) { return controller.get() == this; });
    if (!stillListed)
        fw::NSDistributedNotificationCenter::defaultCenter().removeObserver(
            this, presetChangedNotification);
}

// ---- Action sheet ----

void QLNPresetsController::selectPreset(const std::shared_ptr<fw::PSSpecifier>& row)
{
    const std::string* fileName = row ? row->stringForKey("fileName") : nullptr;
    if (!fileName)
        return;
    std::string name = *fileName;

    auto sheet = fw::UIAlertController::alertControllerWithTitle(
        name, "Select an action for this preset", fw::UIAlertControllerStyleActionSheet);
    sheet->addAction(fw::UIAlertAction::actionWithTitle("Cancel", fw::UIAlertActionStyleCancel));
    sheet->addAction(fw::UIAlertAction::actionWithTitle("Load", fw::UIAlertActionStyleDefault,
        fw::onPage(*this, [name](Page& page) { page.loadPreset(name); })));
    sheet->addAction(fw::UIAlertAction::actionWithTitle("Export", fw::UIAlertActionStyleDefault,
        fw::onPage(*this, [name](Page& page) { page.exportPreset(name); })));
    if (modeActionsOffered())
        addModeActions(*sheet, row);
    sheet->addAction(fw::UIAlertAction::actionWithTitle("Delete", fw::UIAlertActionStyleDestructive,
        fw::onPage(*this, [row](Page& page) { page.deletePreset(row); })));

    sheet->setModalPresentationStyle(fw::UIModalPresentationPopover);
    anchorSheet(*sheet, row);
    presentViewController(sheet, true);
}

void QLNPresetsController::addModeActions(
    fw::UIAlertController& sheet, const std::shared_ptr<fw::PSSpecifier>& row)
{
    std::string name = *row->stringForKey("fileName");
    auto modeAction = [&](bool isDefault, const char* use, const char* stop, std::string mode) {
        if (isDefault)
            sheet.addAction(fw::UIAlertAction::actionWithTitle(stop, fw::UIAlertActionStyleDefault,
                fw::onPage(*this, [mode](Page& page) { page.removeDefaultForMode(mode); })));
        else
            sheet.addAction(fw::UIAlertAction::actionWithTitle(use, fw::UIAlertActionStyleDefault,
                fw::onPage(*this, [name, mode](Page& page) { page.setAsDefault(name, mode); })));
    };
    modeAction(
        row->boolForKey("isDarkDefault"), "Use for Dark Mode", "Stop using for Dark Mode", "dark");
    modeAction(row->boolForKey("isLightDefault"), "Use for Light Mode", "Stop using for Light Mode",
        "light");
}

void QLNPresetsController::anchorSheet(
    fw::UIAlertController& sheet, const std::shared_ptr<fw::PSSpecifier>& row)
{
    static const fw::ClassDescriptor* labelClass = nullptr;
    if (!labelClass)
        labelClass = fw::NSClassFromString("UITableViewLabel");

    const std::string& name = *row->stringForKey("fileName");
    std::shared_ptr<fw::UIView> anchor;
    // An empty name would match any empty label of another row.
    if (labelClass && !name.empty()) {
        for (const auto& view : this->view()->allSubviews()) {
            if (!view->isKindOfClass(*labelClass))
                continue;
            auto label = std::dynamic_pointer_cast<fw::UILabel>(view);
            if (label && label->text() == name)
                anchor = view; // the last match wins
        }
    }
    // Without a matching title a popover would have nothing to point at: use the row itself.
    if (!anchor)
        anchor = cellForSpecifier(row);
    if (!anchor)
        return;
    sheet.popoverPresentationController().setSourceView(anchor);
    sheet.popoverPresentationController().setSourceRect(anchor->bounds());
}

// ---- New, load, save, delete ----

void QLNPresetsController::newPreset()
{
    fw::presentTextPrompt(*this, "New Preset",
        "This will create a new preset with your current settings. Please enter a name:", "Name",
        "Save", [](Page& page, const std::string& name) { page.createPreset(name); });
}

void QLNPresetsController::createPreset(const std::string& name)
{
    if (refuseBadName(name))
        return;
    switch (PresetStore::create(name)) {
    case PresetStore::CopyResult::Copied:
        setPresetActive(name);
        return;
    case PresetStore::CopyResult::NameTaken:
        fw::presentMessage(*this, "Error",
            "A preset with this name already exists. If you want to overwrite it, use the Save "
            "button instead.");
        return;
    case PresetStore::CopyResult::Missing:
    case PresetStore::CopyResult::Failed:
        // Activating a preset without a file would mark unsaved work as saved.
        fw::presentMessage(*this, "Save failed",
            "Your current settings could not be copied into the new preset. Nothing was changed.");
        return;
    }
}

void QLNPresetsController::loadPreset(const std::string& name)
{
    if (!PresetStore::isUnsaved()) {
        runLoad(name);
        return;
    }
    fw::presentConfirmation(*this, name,
        "You have unsaved changes. If you load this preset, all your changes will be lost!",
        { "OK" }, [name](Page& page) { page.runLoad(name); });
}

void QLNPresetsController::runLoad(const std::string& name)
{
    switch (PresetStore::load(name)) {
    case PresetStore::CopyResult::Copied:
        setPresetActive(name);
        return;
    case PresetStore::CopyResult::Missing:
        // The file went away since the list was built: show the list as it is now.
        reloadSpecifiers();
        fw::presentMessage(
            *this, "Load failed", "This preset no longer exists. Your settings were not changed.");
        return;
    case PresetStore::CopyResult::NameTaken:
    case PresetStore::CopyResult::Failed:
        fw::presentMessage(*this, "Load failed",
            "The preset could not be copied over your settings. Nothing was changed.");
        return;
    }
}

void QLNPresetsController::savePreset()
{
    std::optional<std::string> name = PresetStore::currentPreset();
    if (!name)
        return;
    if (PresetStore::saveCurrent() != PresetStore::CopyResult::Copied) {
        fw::presentMessage(*this, "Save failed",
            "Your current settings could not be copied into the preset. "
            "Nothing was changed.");
        return;
    }
    setPresetActive(*name);
}

void QLNPresetsController::deletePreset(const std::shared_ptr<fw::PSSpecifier>& row)
{
    const std::string* fileName = row ? row->stringForKey("fileName") : nullptr;
    if (!fileName)
        return;
    std::string name = *fileName;
    fw::presentConfirmation(*this, name, "Are you sure you want to delete this preset?",
        { "Yes", fw::UIAlertActionStyleDestructive }, [name, row](Page& page) {
            // Dropping the row and the preset's marks would report a deletion that failed.
            if (!PresetStore::removePresetFile(name)) {
                fw::presentMessage(
                    page, "Delete failed", "The preset could not be deleted. Nothing was changed.");
                return;
            }
            page.removeSpecifier(page.rowShowingPreset(row, name), true);
            bool wasCurrent = PresetStore::forgetPreset(name);
            // The rows are not rebuilt, so the button learns it here.
            auto& saveButton = page.navigationItem().rightBarButtonItem;
            if (wasCurrent && saveButton)
                saveButton->setEnabled(false);
        });
}

std::shared_ptr<fw::PSSpecifier> QLNPresetsController::rowShowingPreset(
    const std::shared_ptr<fw::PSSpecifier>& captured, const std::string& name)
{
    // A rebuild while the confirmation was up replaced the captured row; its successor shows
    // the same name, and leaving it would offer a preset that no longer exists.
    const auto& rows = specifiers();
    if (std::find(rows.begin(), rows.end(), captured) != rows.end())
        return captured;
    for (const auto& row : rows) {
        const std::string* fileName = row->stringForKey("fileName");
        if (fileName && *fileName == name)
            return row;
    }
    return nullptr;
}

// ---- Preset state ----

void QLNPresetsController::setPresetActive(const std::string& name)
{
    PresetStore::activate(name);
    reloadSpecifiers();
}

void QLNPresetsController::setAsDefault(const std::string& name, const std::string& mode)
{
    PresetStore::setAsDefault(name, mode);
    reloadSpecifiers();
}

void QLNPresetsController::removeDefaultForMode(const std::string& mode)
{
    PresetStore::removeDefaultForMode(mode);
    reloadSpecifiers();
}

} // namespace qln
