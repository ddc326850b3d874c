#include "cells/QLNMovableCell.hpp"

#include "foundation/ClassDescription.hpp"

namespace qln {

const fw::ClassDescriptor& QLNMovableCell::classObject()
{
    static const fw::ClassDescriptor cls
        = fw::describeClass<QLNMovableCell>("QLNMovableCell", fw::PSTableCell::classObject());
    return cls;
}

void QLNMovableCell::layoutSubviews()
{
    fw::PSTableCell::layoutSubviews();
    setShowsReorderControl(true);
    setEditing(true);
}

} // namespace qln
