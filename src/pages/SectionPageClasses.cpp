#include "pages/SectionPageClasses.hpp"

#include "pages/QLNBetterCCXIController.hpp"
#include "pages/QLNConnectivityController.hpp"
#include "pages/QLNConnectivityOrderController.hpp"
#include "pages/QLNMediaControlsController.hpp"
#include "pages/QLNMiscController.hpp"
#include "pages/QLNPowerModuleController.hpp"
#include "pages/QLNPrysmBatteryController.hpp"
#include "pages/QLNPrysmPowerController.hpp"
#include "pages/QLNPrysmWeatherController.hpp"
#include "pages/QLNSlidersController.hpp"
#include "pages/QLNTogglesController.hpp"

namespace qln {

void registerSectionPageClasses()
{
    fw::registerClass(QLNMediaControlsController::classObject());
    fw::registerClass(QLNMiscController::classObject());
    fw::registerClass(QLNSlidersController::classObject());
    fw::registerClass(QLNPowerModuleController::classObject());
    fw::registerClass(QLNPrysmBatteryController::classObject());
    fw::registerClass(QLNPrysmPowerController::classObject());
    fw::registerClass(QLNPrysmWeatherController::classObject());
    fw::registerClass(QLNBetterCCXIController::classObject());
    fw::registerClass(QLNConnectivityController::classObject());
    fw::registerClass(QLNConnectivityOrderController::classObject());
    fw::registerClass(QLNTogglesController::classObject());
}

} // namespace qln
