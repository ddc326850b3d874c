#include "bundle/BundleClasses.hpp"

#include "cells/CellClasses.hpp"
#include "pages/PageClasses.hpp"
#include "presets/PresetClasses.hpp"

namespace qln {

void registerBundleClasses()
{
    registerCellClasses();
    registerPageClasses();
    registerPresetClasses();
}

} // namespace qln
