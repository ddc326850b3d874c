#pragma once

#include "pages/QLNSectionController.hpp"

namespace qln {

// The Prysm power page: its layout file unfiltered.
class QLNPrysmPowerController : public QLNSectionController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    QLNPrysmPowerController();
};

} // namespace qln
