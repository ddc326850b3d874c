#include "foundation/NSFileManager.hpp"
#include "foundation/UIPasteboard.hpp"
#include "presets/PresetExchange.hpp"
#include "presets/PresetStore.hpp"
#include "presets/QLNPresetsController.hpp"
#include "uikit/Alerts.hpp"

// The presets page's export and import.
namespace qln {

namespace {

constexpr const char* kInvalidPresetMessage
    = "Please make sure that you have a valid Quillane preset in your clipboard and try again.";

} // namespace

// ---- Export and import ----

void QLNPresetsController::exportPreset(const std::string& name)
{
    PresetExchange::ExportText exported = PresetExchange::presetText(name);
    if (!exported.text) {
        fw::presentMessage(*this, "Export failed", exported.whyNot);
        return;
    }
    fw::UIPasteboard::generalPasteboard().setString(PresetExchange::encode(*exported.text));
    fw::presentMessage(*this, "Export successful",
        "A unique string containg this preset has been copied to the clipboard.");
}

void QLNPresetsController::importPreset()
{
    std::optional<std::string> string = fw::UIPasteboard::generalPasteboard().string();
    if (!string) {
        fw::presentMessage(*this, "Clipboard empty", kInvalidPresetMessage);
        return;
    }
    std::optional<std::string> presetText = PresetExchange::decode(*string);
    if (!presetText) {
        fw::presentMessage(*this, "Import failed", kInvalidPresetMessage);
        return;
    }
    askImportName(std::move(*presetText));
}

void QLNPresetsController::askImportName(std::string presetText)
{
    fw::presentTextPrompt(*this, "Import Preset", "Enter a name for the imported preset", "Name",
        "Save",
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
        fw::presentMessage(*this, "Error", "A preset with this name already exists.");
        return;
    }
    // Closing the prompt without a word would pass a failed write off as an import.
    if (!PresetExchange::writeImportedPreset(name, presetText)) {
        fw::presentMessage(
            *this, "Import failed", "The preset could not be saved. Nothing was changed.");
        return;
    }
    reloadSpecifiers();
}

bool QLNPresetsController::refuseBadName(const std::string& name)
{
    std::optional<std::string> problem = PresetStore::nameProblem(name);
    if (!problem)
        return false;
    fw::presentMessage(*this, "Invalid name", *problem);
    return true;
}

} // namespace qln
