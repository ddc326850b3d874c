#pragma once

#include "pages/QLNBaseController.hpp"

#include <memory>

namespace fw {
class NSBundle;
}

namespace qln {

// The edited state of the toggles page, one for all its instances and independent of the
// connectivity page's: true while the page edits the modules' enabled state.
extern bool qlnEnabledState;

// One colour row per Control Center module the user enabled, keyed by the module bundle's
// identifier and the edited state, then "Change All" for every one of them.
class QLNTogglesController : public QLNBaseController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    const fw::SpecifierList& specifiers() override;
    // Every opening starts in the enabled state.
    void viewDidLoad() override;
    // The state-switch row's action: flips the edited state and rebuilds the rows.
    void switchState();
    // The module's colour row, or nullptr when the module gets none.
    std::shared_ptr<fw::PSSpecifier> generateSpecifierForBundle(fw::NSBundle& bundle);

private:
    void appendModuleSpecifiers(fw::SpecifierList& rows);
    std::shared_ptr<fw::PSSpecifier> colourSpecifier(
        const std::string& name, const std::string& key);
};

} // namespace qln
