#pragma once

#include "pages/QLNSectionController.hpp"

namespace qln {

// The Prysm battery page: its layout file unfiltered.
class QLNPrysmBatteryController : public QLNSectionController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    QLNPrysmBatteryController();
};

} // namespace qln
