#pragma once

#include "pages/QLNBaseController.hpp"

namespace qln {

// The edited state of the connectivity page, one for all its instances: true while the page
// edits the toggles' enabled state.
extern bool qlnEnabledConnectivityState;

// The connectivity toggles' colours, one state at a time, and the rows about rearranging them.
class QLNConnectivityController : public QLNBaseController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    const fw::SpecifierList& specifiers() override;
    // Every opening starts in the enabled state.
    void viewDidLoad() override;
    // The state-switch row's action: flips the edited state and rebuilds the rows.
    void switchState();
};

} // namespace qln
