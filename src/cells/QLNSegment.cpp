#include "cells/QLNSegment.hpp"

#include "foundation/ClassDescription.hpp"
#include "store/Settings.hpp"

namespace qln {

const fw::ClassDescriptor& QLNSegment::classObject()
{
    static const fw::ClassDescriptor cls
        = fw::describeClass<QLNSegment>("QLNSegment", fw::PSSegmentTableCell::classObject());
    return cls;
}

bool QLNSegment::initWithStyle(int /*style*/, const std::string& reuseIdentifier,
    const std::shared_ptr<fw::PSSpecifier>& specifier)
{
    if (!fw::PSSegmentTableCell::initWithStyle(
            fw::UITableViewCellStyleSubtitle, reuseIdentifier, specifier))
        return false;
    if (auto segments = control())
        segments->setTintColor(accentColour());
    return true;
}

} // namespace qln
