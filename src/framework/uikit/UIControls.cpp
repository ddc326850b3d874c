#include "uikit/UIControls.hpp"

namespace fw {

const ClassDescriptor& UISwitch::classObject()
{
    static const ClassDescriptor cls = [] {
        ClassDescriptor c { "UISwitch", &UIView::classObject(), {}, {} };
        c.make = [] { return std::make_shared<UISwitch>(); };
        return c;
    }();
    return cls;
}

const ClassDescriptor& UISegmentedControl::classObject()
{
    static const ClassDescriptor cls = [] {
        ClassDescriptor c { "UISegmentedControl", &UIView::classObject(), {}, {} };
        c.make = [] { return std::make_shared<UISegmentedControl>(); };
        return c;
    }();
    return cls;
}

const ClassDescriptor& UITextField::classObject()
{
    static const ClassDescriptor cls = [] {
        ClassDescriptor c { "UITextField", &UIView::classObject(), {}, {} };
        c.make = [] { return std::make_shared<UITextField>(); };
        return c;
    }();
    return cls;
}

} // namespace fw
