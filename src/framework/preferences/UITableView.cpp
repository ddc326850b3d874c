#include "preferences/UITableView.hpp"

#include "foundation/ClassDescription.hpp"

namespace fw {

const ClassDescriptor& UITableView::classObject()
{
    static const ClassDescriptor cls
        = describeClass<UITableView>("UITableView", UIView::classObject());
    return cls;
}

} // namespace fw
