#pragma once

#include "pages/QLNSectionController.hpp"

namespace qln {

// The miscellaneous page, filtered by Prysm, PowerModule and BCIXWeatherModule.
class QLNMiscController : public QLNSectionController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    QLNMiscController();
};

} // namespace qln
