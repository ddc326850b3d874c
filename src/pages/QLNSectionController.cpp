#include "pages/QLNSectionController.hpp"

#include "foundation/ClassDescription.hpp"

namespace qln {

const fw::ClassDescriptor& QLNSectionController::classObject()
{
    static const fw::ClassDescriptor cls
        = fw::describeClass("QLNSectionController", QLNBaseController::classObject());
    return cls;
}

const fw::SpecifierList& QLNSectionController::specifiers()
{
    if (_specifiers)
        return *_specifiers;
    auto rows = loadSpecifiersFromPlistName(m_layoutName, shared_from_this());
    if (!m_rules.empty())
        applyFeatureFilter(rows, m_rules, InstalledTweaks::detect());
    _specifiers = std::move(rows);
    return *_specifiers;
}

} // namespace qln
