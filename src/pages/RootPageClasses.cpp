#include "pages/RootPageClasses.hpp"

#include "pages/QLNHeader.hpp"
#include "pages/QLNRootListController.hpp"
#include "presets/QLNPreset.hpp"
#include "presets/QLNPresetsController.hpp"

namespace qln {

void registerRootAndPresetClasses()
{
    fw::registerClass(QLNRootListController::classObject());
    fw::registerClass(QLNHeader::classObject());
    fw::registerClass(QLNPresetsController::classObject());
    fw::registerClass(QLNPreset::classObject());
}

} // namespace qln
