#pragma once

#include "pages/QLNSectionController.hpp"

namespace qln {

// The PowerModule page: its layout file unfiltered.
class QLNPowerModuleController : public QLNSectionController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    QLNPowerModuleController();
};

} // namespace qln
