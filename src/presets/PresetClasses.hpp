#pragma once

namespace qln {

// Registers QLNPresetsController and QLNPreset for lookup by name.
void registerPresetClasses();

} // namespace qln
