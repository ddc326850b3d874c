#pragma once

#include "pages/QLNBaseController.hpp"

#include <functional>
#include <memory>
#include <string>

namespace fw {
class UIAlertAction;
class UIAlertController;
} // namespace fw

namespace qln {

struct PresetEntry;

// The presets page: the rows of the "Presets" layout file, then one row per preset; a Save
// button for the current preset; an action sheet per preset; new, import and export.
//
// Each preset row carries "fileName" (the name) and, only where they hold, the booleans
// "isActive", "isUnsaved", "isDarkDefault" and "isLightDefault".
class QLNPresetsController : public QLNBaseController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }
    fw::PageRole pageRole() const override { return fw::PageRole::Presets; }

    const fw::SpecifierList& specifiers() override;
    void selectPreset(const std::shared_ptr<fw::PSSpecifier>& row);
    void newPreset();
    void importPreset();
    void loadPreset(const std::string& name);
    void savePreset();
    void exportPreset(const std::string& name);
    void deletePreset(const std::shared_ptr<fw::PSSpecifier>& row);
    void setPresetActive(const std::string& name);
    void setAsDefault(const std::string& name, const std::string& mode);
    void removeDefaultForMode(const std::string& mode);

    // Stops observing the preset-changed notification once the page has left the stack.
    void viewWillDisappear(bool animated) override;

private:
    std::shared_ptr<fw::PSSpecifier> makePresetRow(const PresetEntry& preset);
    void observePresetChanges();
    void installSaveButton();
    void addModeActions(fw::UIAlertController& sheet, const std::shared_ptr<fw::PSSpecifier>& row);
    void anchorSheet(fw::UIAlertController& sheet, const std::shared_ptr<fw::PSSpecifier>& row);
    void createPreset(const std::string& name);
    // The captured row while it is still listed, else the row now showing that preset's name.
    std::shared_ptr<fw::PSSpecifier> rowShowingPreset(
        const std::shared_ptr<fw::PSSpecifier>& captured, const std::string& name);
    void runLoad(const std::string& name);
    void askImportName(std::string presetText);
    void saveImportedPreset(const std::string& name, const std::string& presetText);
    bool refuseBadName(const std::string& name);
};

} // namespace qln
