#include "cells/QLNToggle.hpp"

#include "foundation/ClassDescription.hpp"
#include "store/Settings.hpp"

namespace qln {

const fw::ClassDescriptor& QLNToggle::classObject()
{
    static const fw::ClassDescriptor cls
        = fw::describeClass<QLNToggle>("QLNToggle", fw::PSSwitchTableCell::classObject());
    return cls;
}

bool QLNToggle::initWithStyle(int /*style*/, const std::string& reuseIdentifier,
    const std::shared_ptr<fw::PSSpecifier>& specifier)
{
    if (!fw::PSSwitchTableCell::initWithStyle(
            fw::UITableViewCellStyleSubtitle, reuseIdentifier, specifier))
        return false;
    if (auto toggle = std::dynamic_pointer_cast<fw::UISwitch>(control()))
        toggle->setOnTintColor(accentColour());
    return true;
}

} // namespace qln
