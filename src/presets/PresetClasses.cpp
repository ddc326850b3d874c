#include "presets/PresetClasses.hpp"

#include "presets/QLNPreset.hpp"
#include "presets/QLNPresetsController.hpp"

namespace qln {

void registerPresetClasses()
{
    fw::registerClass(QLNPresetsController::classObject());
    fw::registerClass(QLNPreset::classObject());
}

} // namespace qln
