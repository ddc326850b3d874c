#include "pages/QLNPrysmWeatherController.hpp"

namespace qln {

const fw::ClassDescriptor& QLNPrysmWeatherController::classObject()
{
    static const fw::ClassDescriptor cls
        = pageDescriptor<QLNPrysmWeatherController>("QLNPrysmWeatherController");
    return cls;
}

QLNPrysmWeatherController::QLNPrysmWeatherController()
    : QLNSectionController("PrysmWeather", {})
{
}

} // namespace qln
