#include "pages/QLNMediaControlsController.hpp"

namespace qln {

const fw::ClassDescriptor& QLNMediaControlsController::classObject()
{
    static const fw::ClassDescriptor cls
        = pageDescriptor<QLNMediaControlsController>("QLNMediaControlsController");
    return cls;
}

QLNMediaControlsController::QLNMediaControlsController()
    : QLNSectionController("MediaControls", mediaControlsFeatureRules())
{
}

} // namespace qln
