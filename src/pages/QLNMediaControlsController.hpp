#pragma once

#include "pages/QLNSectionController.hpp"

namespace qln {

// The media controls page; rows for Prysm show only with Prysm installed.
class QLNMediaControlsController : public QLNSectionController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    QLNMediaControlsController();
};

} // namespace qln
