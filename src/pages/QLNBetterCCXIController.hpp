#pragma once

#include "pages/QLNSectionController.hpp"

namespace qln {

// The BetterCCXI page: its layout file unfiltered.
class QLNBetterCCXIController : public QLNSectionController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    QLNBetterCCXIController();
};

} // namespace qln
