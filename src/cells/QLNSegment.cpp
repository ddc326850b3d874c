#include "cells/QLNSegment.hpp"

#include "store/Settings.hpp"

namespace qln {

const fw::ClassDescriptor& QLNSegment::classObject()
{
    static const fw::ClassDescriptor cls = [] {
        fw::ClassDescriptor c;
        c.name = "QLNSegment";
        c.superclass = &fw::PSSegmentTableCell::classObject();
        c.make = [] { return std::make_shared<QLNSegment>(); };
        return c;
    }();
    return cls;
}

bool QLNSegment::initWithStyle(int /*style*/, const std::string& reuseIdentifier,
    const std::shared_ptr<fw::PSSpecifier>& specifier)
{
    if (!fw::PSSegmentTableCell::initWithStyle(
            fw::UITableViewCellStyleSubtitle, reuseIdentifier, specifier))
        return false;
    if (auto segments = control())
        segments->setTintColor(accentColor());
    return true;
}

} // namespace qln
