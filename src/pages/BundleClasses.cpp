#include "pages/BundleClasses.hpp"

#include "cells/CellClasses.hpp"
#include "pages/QLNBaseController.hpp"
#include "pages/RootPageClasses.hpp"
#include "pages/SectionPageClasses.hpp"

namespace qln {

void registerBundleClasses()
{
    fw::registerClass(QLNBaseController::classObject());
    registerCellClasses();
    registerSectionPageClasses();
    registerRootAndPresetClasses();
}

} // namespace qln
