#pragma once

#include "pages/QLNSectionController.hpp"

namespace qln {

// The sliders page, filtered by Prysm and CCRingerModule.
class QLNSlidersController : public QLNSectionController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    QLNSlidersController();
};

} // namespace qln
