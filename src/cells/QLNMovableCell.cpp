#include "cells/QLNMovableCell.hpp"

namespace qln {

const fw::ClassDescriptor& QLNMovableCell::classObject()
{
    static const fw::ClassDescriptor cls = [] {
        fw::ClassDescriptor c;
        c.name = "QLNMovableCell";
        c.superclass = &fw::PSTableCell::classObject();
        c.make = [] { return std::make_shared<QLNMovableCell>(); };
        return c;
    }();
    return cls;
}

void QLNMovableCell::layoutSubviews()
{
    fw::PSTableCell::layoutSubviews();
    setShowsReorderControl(true);
    setEditing(true);
}

} // namespace qln
