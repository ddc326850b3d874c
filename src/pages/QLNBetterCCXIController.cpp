#include "pages/QLNBetterCCXIController.hpp"

namespace qln {

const fw::ClassDescriptor& QLNBetterCCXIController::classObject()
{
    static const fw::ClassDescriptor cls
        = pageDescriptor<QLNBetterCCXIController>("QLNBetterCCXIController");
    return cls;
}

QLNBetterCCXIController::QLNBetterCCXIController()
    : QLNSectionController("BetterCCXI", {})
{
}

} // namespace qln
