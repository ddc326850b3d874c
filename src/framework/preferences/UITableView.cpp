#include "preferences/UITableView.hpp"

namespace fw {

const ClassDescriptor& UITableView::classObject()
{
    static const ClassDescriptor cls = [] {
        ClassDescriptor c { "UITableView", &UIView::classObject(), {}, {} };
        c.make = [] { return std::make_shared<UITableView>(); };
        return c;
    }();
    return cls;
}

} // namespace fw
