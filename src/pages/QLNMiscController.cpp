#include "pages/QLNMiscController.hpp"

namespace qln {

const fw::ClassDescriptor& QLNMiscController::classObject()
{
    static const fw::ClassDescriptor cls = pageDescriptor<QLNMiscController>("QLNMiscController");
    return cls;
}

QLNMiscController::QLNMiscController()
    : QLNSectionController("Misc", miscFeatureRules())
{
}

} // namespace qln
