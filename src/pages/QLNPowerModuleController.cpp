#include "pages/QLNPowerModuleController.hpp"

namespace qln {

const fw::ClassDescriptor& QLNPowerModuleController::classObject()
{
    static const fw::ClassDescriptor cls
        = pageDescriptor<QLNPowerModuleController>("QLNPowerModuleController");
    return cls;
}

QLNPowerModuleController::QLNPowerModuleController()
    : QLNSectionController("PowerModule", {})
{
}

} // namespace qln
