#pragma once

#include "pages/QLNSectionController.hpp"

namespace qln {

// The Prysm weather page: its layout file unfiltered.
class QLNPrysmWeatherController : public QLNSectionController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    QLNPrysmWeatherController();
};

} // namespace qln
