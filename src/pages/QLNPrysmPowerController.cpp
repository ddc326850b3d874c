#include "pages/QLNPrysmPowerController.hpp"

namespace qln {

const fw::ClassDescriptor& QLNPrysmPowerController::classObject()
{
    static const fw::ClassDescriptor cls
        = pageDescriptor<QLNPrysmPowerController>("QLNPrysmPowerController");
    return cls;
}

QLNPrysmPowerController::QLNPrysmPowerController()
    : QLNSectionController("PrysmPower", {})
{
}

} // namespace qln
