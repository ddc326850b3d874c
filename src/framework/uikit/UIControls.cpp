#include "uikit/UIControls.hpp"

#include "foundation/ClassDescription.hpp"

namespace fw {

const ClassDescriptor& UISwitch::classObject()
{
    static const ClassDescriptor cls = describeClass<UISwitch>("UISwitch", UIView::classObject());
    return cls;
}

const ClassDescriptor& UISegmentedControl::classObject()
{
    static const ClassDescriptor cls
        = describeClass<UISegmentedControl>("UISegmentedControl", UIView::classObject());
    return cls;
}

const ClassDescriptor& UITextField::classObject()
{
    static const ClassDescriptor cls
        = describeClass<UITextField>("UITextField", UIView::classObject());
    return cls;
}

} // namespace fw
