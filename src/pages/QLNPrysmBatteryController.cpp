#include "pages/QLNPrysmBatteryController.hpp"

namespace qln {

const fw::ClassDescriptor& QLNPrysmBatteryController::classObject()
{
    static const fw::ClassDescriptor cls
        = pageDescriptor<QLNPrysmBatteryController>("QLNPrysmBatteryController");
    return cls;
}

QLNPrysmBatteryController::QLNPrysmBatteryController()
    : QLNSectionController("PrysmBattery", {})
{
}

} // namespace qln
