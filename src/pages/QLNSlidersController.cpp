#include "pages/QLNSlidersController.hpp"

namespace qln {

const fw::ClassDescriptor& QLNSlidersController::classObject()
{
    static const fw::ClassDescriptor cls
        = pageDescriptor<QLNSlidersController>("QLNSlidersController");
    return cls;
}

QLNSlidersController::QLNSlidersController()
    : QLNSectionController("Sliders", slidersFeatureRules())
{
}

} // namespace qln
