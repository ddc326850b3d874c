#include "foundation/NSFileManager.hpp"
#include "foundation/UIPasteboard.hpp"
#include "presets/PresetExchange.hpp"
#include "presets/PresetStore.hpp"
#include "presets/QLNPresetsController.hpp"
#include "uikit/UIAlertController.hpp"

// The presets page's export and import, and the alerts every dialog of the page is built from.
namespace qln {

namespace {

constexpr const char* kInvalidPresetMessage
    = "Please make sure that you have a valid Quillane preset in your clipboard and try again.";

std::shared_ptr<fw::UIAlertController> makeAlert(std::string title, std::string message)
{
    return fw::UIAlertController::alertControllerWithTitle(
        std::move(title), std::move(message), fw::UIAlertControllerStyleAlert);
}

std::shared_ptr<fw::UITextField> addNameField(fw::UIAlertController& alert)
{
    alert.addTextFieldWithConfigurationHandler(
        [](fw::UITextField& field) { field.setPlaceholder("Name"); });
    return alert.textFields().back();
}

} // namespace

// ---- Export and import ----

void QLNPresetsController::exportPreset(const std::string& name)
{
    PresetExchange::ExportText exported = PresetExchange::presetText(name);
    if (!exported.text) {
        showMessage("Export failed", exported.whyNot);
        return;
    }
    fw::UIPasteboard::generalPasteboard().setString(PresetExchange::encode(*exported.text));
    showMessage("Export successful",
        "A unique string containg this preset has been copied to the clipboard.");
}

void QLNPresetsController::importPreset()
{
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

void QLNPresetsController::askImportName(std::string presetText)
{
    askName("Import Preset", "Enter a name for the imported preset",
        [text = std::move(presetText)](QLNPresetsController& page, const std::string& name) {
            page.saveImportedPreset(name, text);
        });
}

void QLNPresetsController::saveImportedPreset(
    const std::string& name, const std::string& presetText)
{
    if (refuseBadName(name))
        return;
    if (fw::NSFileManager::defaultManager().fileExistsAtPath(PresetStore::presetFilePath(name))) {
        showMessage("Error", "A preset with this name already exists.");
        return;
    }
    // Closing the prompt without a word would pass a failed write off as an import.
    if (!PresetExchange::writeImportedPreset(name, presetText)) {
        showMessage("Import failed", "The preset could not be saved. Nothing was changed.");
        return;
    }
    reloadSpecifiers();
}

// ---- Alerts ----

void QLNPresetsController::confirm(
    std::string title, std::string message, const char* action, int style, Step step)
{
    auto alert = makeAlert(std::move(title), std::move(message));
    addAction(*alert, action, style, onPage(std::move(step)));
    addAction(*alert, "Cancel", fw::UIAlertActionStyleCancel);
    presentViewController(alert, true);
}

void QLNPresetsController::askName(std::string title, std::string message, NamedStep step)
{
    auto alert = makeAlert(std::move(title), std::move(message));
    auto field = addNameField(*alert);
    addAction(*alert, "Save", fw::UIAlertActionStyleDefault,
        onPage([field, step = std::move(step)](
                   QLNPresetsController& page) { step(page, field->text); }));
    addAction(*alert, "Cancel", fw::UIAlertActionStyleCancel);
    presentViewController(alert, true);
}

bool QLNPresetsController::refuseBadName(const std::string& name)
{
    std::optional<std::string> problem = PresetStore::nameProblem(name);
    if (!problem)
        return false;
    showMessage("Invalid name", *problem);
    return true;
}

void QLNPresetsController::showMessage(std::string title, std::string message)
{
    auto alert = makeAlert(std::move(title), std::move(message));
    addAction(*alert, "OK", fw::UIAlertActionStyleDefault);
    presentViewController(alert, true);
}

// ---- Alert building ----

void QLNPresetsController::addAction(
    fw::UIAlertController& alert, const char* title, int style, fw::UIAlertAction::Handler handler)
{
    alert.addAction(fw::UIAlertAction::actionWithTitle(title, style, std::move(handler)));
}

// Alerts live in the page, so their handlers hold it weakly and do nothing once it is gone.
fw::UIAlertAction::Handler QLNPresetsController::onPage(Step step)
{
    return [weakPage = std::weak_ptr<QLNPresetsController>(self()), step = std::move(step)](
               fw::UIAlertAction&) {
        if (auto page = weakPage.lock())
            step(*page);
    };
}

} // namespace qln
