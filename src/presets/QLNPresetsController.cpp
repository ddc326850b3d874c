#include "presets/QLNPresetsController.hpp"

#include "foundation/NSFileManager.hpp"
#include "foundation/Notifications.hpp"
#include "foundation/StringCompare.hpp"
#include "foundation/UIDevice.hpp"
#include "foundation/UIPasteboard.hpp"
#include "presets/PresetExchange.hpp"
#include "presets/PresetStore.hpp"
#include "store/Settings.hpp"
#include "uikit/UIAlertController.hpp"
#include "uikit/UILabel.hpp"

#include <algorithm>

namespace qln {

namespace {

constexpr const char* kInvalidPresetMessage =
    "Please make sure that you have a valid Quillane preset in your clipboard and try again.";

QLNPresetsController& page(fw::NSObject& self) {
    return static_cast<QLNPresetsController&>(self);
}

const std::string* stringArg(const fw::Args& args, std::size_t index) {
    const fw::Value* value = fw::argValue(args, index);
    return value ? value->asString() : nullptr;
}

void addPageActions(fw::ClassDescriptor& c) {
    c.actions["selectPreset:"] = [](fw::NSObject& self, const fw::Args& args) -> fw::ActionResult {
        page(self).selectPreset(fw::argAs<fw::PSSpecifier>(args, 0));
        return std::nullopt;
    };
    c.actions["newPreset"] = [](fw::NSObject& self, const fw::Args&) -> fw::ActionResult {
        page(self).newPreset();
        return std::nullopt;
    };
    c.actions["importPreset"] = [](fw::NSObject& self, const fw::Args&) -> fw::ActionResult {
        page(self).importPreset();
        return std::nullopt;
    };
    c.actions["savePreset"] = [](fw::NSObject& self, const fw::Args&) -> fw::ActionResult {
        page(self).savePreset();
        return std::nullopt;
    };
    c.actions["deletePreset:"] = [](fw::NSObject& self, const fw::Args& args) -> fw::ActionResult {
        page(self).deletePreset(fw::argAs<fw::PSSpecifier>(args, 0));
        return std::nullopt;
    };
}

// The steps that take a preset name (and a mode), for callers that perform them by selector.
void addNamedActions(fw::ClassDescriptor& c) {
    c.actions["loadPreset:"] = [](fw::NSObject& self, const fw::Args& args) -> fw::ActionResult {
        if (const std::string* name = stringArg(args, 0))
            page(self).loadPreset(*name);
        return std::nullopt;
    };
    c.actions["exportPreset:"] = [](fw::NSObject& self, const fw::Args& args) -> fw::ActionResult {
        if (const std::string* name = stringArg(args, 0))
            page(self).exportPreset(*name);
        return std::nullopt;
    };
    c.actions["setPresetActive:"] = [](fw::NSObject& self,
                                       const fw::Args& args) -> fw::ActionResult {
        if (const std::string* name = stringArg(args, 0))
            page(self).setPresetActive(*name);
        return std::nullopt;
    };
    c.actions["setAsDefault:forMode:"] = [](fw::NSObject& self,
                                            const fw::Args& args) -> fw::ActionResult {
        const std::string* name = stringArg(args, 0);
        const std::string* mode = stringArg(args, 1);
        if (name && mode)
            page(self).setAsDefault(*name, *mode);
        return std::nullopt;
    };
    c.actions["removeDefaultForMode:"] = [](fw::NSObject& self,
                                            const fw::Args& args) -> fw::ActionResult {
        if (const std::string* mode = stringArg(args, 0))
            page(self).removeDefaultForMode(*mode);
        return std::nullopt;
    };
}

std::shared_ptr<fw::UIAlertController> makeAlert(std::string title, std::string message) {
    return fw::UIAlertController::alertControllerWithTitle(std::move(title), std::move(message),
                                                           fw::UIAlertControllerStyleAlert);
}

std::shared_ptr<fw::UITextField> addNameField(fw::UIAlertController& alert) {
    alert.addTextFieldWithConfigurationHandler(
        [](fw::UITextField& field) { field.setPlaceholder("Name"); });
    return alert.textFields().back();
}

bool modeActionsOffered() {
    if (fw::compareNumeric(fw::UIDevice::currentDevice().systemVersion(), "13.0") >= 0)
        return true;
    return fw::NSFileManager::defaultManager().fileExistsAtPath(noctisTogglePath);
}

} // namespace

const fw::ClassDescriptor& QLNPresetsController::classObject() {
    static const fw::ClassDescriptor cls = [] {
        fw::ClassDescriptor c;
        c.name = "QLNPresetsController";
        c.superclass = &QLNBaseController::classObject();
        c.make = [] { return std::make_shared<QLNPresetsController>(); };
        addPageActions(c);
        addNamedActions(c);
        return c;
    }();
    return cls;
}

std::shared_ptr<QLNPresetsController> QLNPresetsController::self() {
    return std::static_pointer_cast<QLNPresetsController>(shared_from_this());
}

// ---- Rows ----

const fw::SpecifierList& QLNPresetsController::specifiers() {
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

std::shared_ptr<fw::PSSpecifier> QLNPresetsController::makePresetRow(const PresetEntry& preset) {
    auto row = fw::PSSpecifier::preferenceSpecifierNamed(preset.name, shared_from_this(), "", "",
                                                         nullptr, fw::PSButtonCell, nullptr);
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

void QLNPresetsController::observePresetChanges() {
    auto& center = fw::NSDistributedNotificationCenter::defaultCenter();
    center.removeObserver(this, presetChangedNotification);
    center.addObserver(shared_from_this(), "reloadSpecifiers",
                       std::string(presetChangedNotification));
}

void QLNPresetsController::installSaveButton() {
    auto button = std::make_shared<fw::UIBarButtonItem>(
        "Save", fw::UIBarButtonItem::UIBarButtonItemStylePlain, shared_from_this(), "savePreset");
    button->setEnabled(PresetStore::currentPreset().has_value() && PresetStore::isUnsaved());
    navigationItem().setRightBarButtonItem(button);
}

void QLNPresetsController::viewWillDisappear(bool animated) {
    QLNBaseController::viewWillDisappear(animated);
    auto navigation = navigationController();
    if (!navigation)
        return;
    const auto& stack = navigation->viewControllers();
    bool stillListed = std::any_of(stack.begin(), stack.end(), [this](const auto& controller) {
        return controller.get() == this;
    });
    if (!stillListed)
        fw::NSDistributedNotificationCenter::defaultCenter().removeObserver(
            this, presetChangedNotification);
}

// ---- Action sheet ----

void QLNPresetsController::selectPreset(const std::shared_ptr<fw::PSSpecifier>& row) {
    const std::string* fileName = row ? row->stringForKey("fileName") : nullptr;
    if (!fileName)
        return;
    std::string name = *fileName;
    std::weak_ptr<QLNPresetsController> weakSelf = self();

    auto sheet = fw::UIAlertController::alertControllerWithTitle(
        name, "Select an action for this preset", fw::UIAlertControllerStyleActionSheet);
    sheet->addAction(fw::UIAlertAction::actionWithTitle("Cancel", fw::UIAlertActionStyleCancel));
    sheet->addAction(fw::UIAlertAction::actionWithTitle("Load", fw::UIAlertActionStyleDefault,
                                                        [weakSelf, name](fw::UIAlertAction&) {
                                                            if (auto page = weakSelf.lock())
                                                                page->loadPreset(name);
                                                        }));
    sheet->addAction(fw::UIAlertAction::actionWithTitle("Export", fw::UIAlertActionStyleDefault,
                                                        [weakSelf, name](fw::UIAlertAction&) {
                                                            if (auto page = weakSelf.lock())
                                                                page->exportPreset(name);
                                                        }));
    if (modeActionsOffered())
        addModeActions(*sheet, row);
    sheet->addAction(fw::UIAlertAction::actionWithTitle("Delete", fw::UIAlertActionStyleDestructive,
                                                        [weakSelf, row](fw::UIAlertAction&) {
                                                            if (auto page = weakSelf.lock())
                                                                page->deletePreset(row);
                                                        }));

    sheet->setModalPresentationStyle(fw::UIModalPresentationPopover);
    anchorSheet(*sheet, row);
    presentViewController(sheet, true);
}

void QLNPresetsController::addModeActions(fw::UIAlertController& sheet,
                                          const std::shared_ptr<fw::PSSpecifier>& row) {
    std::string name = *row->stringForKey("fileName");
    std::weak_ptr<QLNPresetsController> weakSelf = self();
    auto modeAction = [&](bool isDefault, const char* use, const char* stop, std::string mode) {
        sheet.addAction(fw::UIAlertAction::actionWithTitle(
            isDefault ? stop : use, fw::UIAlertActionStyleDefault,
            [weakSelf, name, mode, isDefault](fw::UIAlertAction&) {
                auto page = weakSelf.lock();
                if (!page)
                    return;
                if (isDefault)
                    page->removeDefaultForMode(mode);
                else
                    page->setAsDefault(name, mode);
            }));
    };
    modeAction(row->boolForKey("isDarkDefault"), "Use for Dark Mode", "Stop using for Dark Mode",
               "dark");
    modeAction(row->boolForKey("isLightDefault"), "Use for Light Mode", "Stop using for Light Mode",
               "light");
}

void QLNPresetsController::anchorSheet(fw::UIAlertController& sheet,
                                       const std::shared_ptr<fw::PSSpecifier>& row) {
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

void QLNPresetsController::newPreset() {
    auto alert =
        makeAlert("New Preset",
                  "This will create a new preset with your current settings. Please enter a name:");
    auto field = addNameField(*alert);
    std::weak_ptr<QLNPresetsController> weakSelf = self();
    alert->addAction(fw::UIAlertAction::actionWithTitle("Save", fw::UIAlertActionStyleDefault,
                                                        [weakSelf, field](fw::UIAlertAction&) {
                                                            if (auto page = weakSelf.lock())
                                                                page->createPreset(field->text);
                                                        }));
    alert->addAction(fw::UIAlertAction::actionWithTitle("Cancel", fw::UIAlertActionStyleCancel));
    presentViewController(alert, true);
}

void QLNPresetsController::createPreset(const std::string& name) {
    if (refuseBadName(name))
        return;
    switch (PresetStore::create(name)) {
    case PresetStore::CopyResult::Copied:
        setPresetActive(name);
        return;
    case PresetStore::CopyResult::NameTaken:
        showMessage("Error", "A preset with this name already exists. If you want to overwrite "
                             "it, use the Save button instead.");
        return;
    case PresetStore::CopyResult::Missing:
    case PresetStore::CopyResult::Failed:
        // Activating a preset without a file would mark unsaved work as saved.
        showMessage("Save failed", "Your current settings could not be copied into the new "
                                   "preset. Nothing was changed.");
        return;
    }
}

void QLNPresetsController::loadPreset(const std::string& name) {
    if (!PresetStore::isUnsaved()) {
        runLoad(name);
        return;
    }
    auto alert =
        makeAlert(name, "You have unsaved changes. If you load this preset, all your changes will "
                        "be lost!");
    std::weak_ptr<QLNPresetsController> weakSelf = self();
    alert->addAction(fw::UIAlertAction::actionWithTitle("OK", fw::UIAlertActionStyleDefault,
                                                        [weakSelf, name](fw::UIAlertAction&) {
                                                            if (auto page = weakSelf.lock())
                                                                page->runLoad(name);
                                                        }));
    alert->addAction(fw::UIAlertAction::actionWithTitle("Cancel", fw::UIAlertActionStyleCancel));
    presentViewController(alert, true);
}

void QLNPresetsController::runLoad(const std::string& name) {
    switch (PresetStore::load(name)) {
    case PresetStore::CopyResult::Copied:
        setPresetActive(name);
        return;
    case PresetStore::CopyResult::Missing:
        // The file went away since the list was built: show the list as it is now.
        reloadSpecifiers();
        showMessage("Load failed", "This preset no longer exists. Your settings were not changed.");
        return;
    case PresetStore::CopyResult::NameTaken:
    case PresetStore::CopyResult::Failed:
        showMessage("Load failed", "The preset could not be copied over your settings. Nothing "
                                   "was changed.");
        return;
    }
}

void QLNPresetsController::savePreset() {
    std::optional<std::string> name = PresetStore::currentPreset();
    if (!name)
        return;
    if (PresetStore::saveCurrent() != PresetStore::CopyResult::Copied) {
        showMessage("Save failed", "Your current settings could not be copied into the preset. "
                                   "Nothing was changed.");
        return;
    }
    setPresetActive(*name);
}

void QLNPresetsController::deletePreset(const std::shared_ptr<fw::PSSpecifier>& row) {
    const std::string* fileName = row ? row->stringForKey("fileName") : nullptr;
    if (!fileName)
        return;
    std::string name = *fileName;
    auto alert = makeAlert(name, "Are you sure you want to delete this preset?");
    std::weak_ptr<QLNPresetsController> weakSelf = self();
    alert->addAction(fw::UIAlertAction::actionWithTitle(
        "Yes", fw::UIAlertActionStyleDestructive, [weakSelf, name, row](fw::UIAlertAction&) {
            auto page = weakSelf.lock();
            if (!page)
                return;
            PresetStore::removePresetFile(name);
            page->removeSpecifier(row, true);
            bool wasCurrent = PresetStore::forgetPreset(name);
            auto& saveButton = page->navigationItem().rightBarButtonItem;
            if (wasCurrent && saveButton)
                saveButton->setEnabled(false);
        }));
    alert->addAction(fw::UIAlertAction::actionWithTitle("Cancel", fw::UIAlertActionStyleCancel));
    presentViewController(alert, true);
}

// ---- Preset state ----

void QLNPresetsController::setPresetActive(const std::string& name) {
    PresetStore::activate(name);
    reloadSpecifiers();
}

void QLNPresetsController::setAsDefault(const std::string& name, const std::string& mode) {
    PresetStore::setAsDefault(name, mode);
    reloadSpecifiers();
}

void QLNPresetsController::removeDefaultForMode(const std::string& mode) {
    PresetStore::removeDefaultForMode(mode);
    reloadSpecifiers();
}

// ---- Export and import ----

void QLNPresetsController::exportPreset(const std::string& name) {
    PresetExchange::ExportText exported = PresetExchange::presetText(name);
    if (!exported.text) {
        showMessage("Export failed", exported.whyNot);
        return;
    }
    fw::UIPasteboard::generalPasteboard().setString(PresetExchange::encode(*exported.text));
    showMessage("Export successful",
                "A unique string containg this preset has been copied to the clipboard.");
}

void QLNPresetsController::importPreset() {
    std::optional<std::string> string = fw::UIPasteboard::generalPasteboard().string();
    if (!string) {
        showMessage("Clipboard empty", kInvalidPresetMessage);
        return;
    }
    std::optional<std::string> presetText = PresetExchange::decode(*string);
    if (!presetText) {
        showMessage("Import failed", kInvalidPresetMessage);
        return;
    }
    askImportName(std::move(*presetText));
}

void QLNPresetsController::askImportName(std::string presetText) {
    auto alert = makeAlert("Import Preset", "Enter a name for the imported preset");
    auto field = addNameField(*alert);
    std::weak_ptr<QLNPresetsController> weakSelf = self();
    alert->addAction(fw::UIAlertAction::actionWithTitle(
        "Save", fw::UIAlertActionStyleDefault,
        [weakSelf, field, text = std::move(presetText)](fw::UIAlertAction&) {
            if (auto page = weakSelf.lock())
                page->saveImportedPreset(field->text, text);
        }));
    alert->addAction(fw::UIAlertAction::actionWithTitle("Cancel", fw::UIAlertActionStyleCancel));
    presentViewController(alert, true);
}

void QLNPresetsController::saveImportedPreset(const std::string& name,
                                              const std::string& presetText) {
    if (refuseBadName(name))
        return;
    if (fw::NSFileManager::defaultManager().fileExistsAtPath(PresetStore::presetFilePath(name))) {
        showMessage("Error", "A preset with this name already exists.");
        return;
    }
    PresetExchange::writeImportedPreset(name, presetText);
    reloadSpecifiers();
}

// ---- Messages ----

bool QLNPresetsController::refuseBadName(const std::string& name) {
    std::optional<std::string> problem = PresetStore::nameProblem(name);
    if (!problem)
        return false;
    showMessage("Invalid name", *problem);
    return true;
}

void QLNPresetsController::showMessage(std::string title, std::string message) {
    auto alert = makeAlert(std::move(title), std::move(message));
    alert->addAction(fw::UIAlertAction::actionWithTitle("OK", fw::UIAlertActionStyleDefault));
    presentViewController(alert, true);
}

} // namespace qln
