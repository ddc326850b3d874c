#pragma once

namespace qln {

// Registers QLNRootListController, QLNHeader, QLNPresetsController and QLNPreset for lookup by
// name.
void registerRootAndPresetClasses();

} // namespace qln
