#pragma once

#include "pages/QLNBaseController.hpp"

namespace qln {

// The first page: the rows of "Root" (without the Prysm rows when Prysm is missing), the
// welcome alert on the first opening, and the full reset.
class QLNRootListController : public QLNBaseController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    void viewWillDisappear(bool animated) override;
    const fw::SpecifierList& specifiers() override;
    void resetSettings();

private:
    void greetFirstTimeUser();
    void resetToDefaults();
    void showResetFailure(std::string message);
};

} // namespace qln
