#pragma once

#include "uikit/UIView.hpp"

namespace fw {

enum UITableViewStyle : int {
    UITableViewStylePlain = 0,
    UITableViewStyleGrouped = 1,
    UITableViewStyleInsetGrouped = 2,
};
enum UITableViewCellSeparatorStyle : int {
    UITableViewCellSeparatorStyleNone = 0,
    UITableViewCellSeparatorStyleSingleLine = 1,
};

struct NSIndexPath {
    int section { 0 };
    int row { 0 };
};

// The page's table: its style and separators. Rows and cells are managed by the list
// controller that owns it.
class UITableView : public UIView {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    explicit UITableView(int style = UITableViewStyleGrouped)
        : m_style(style)
    {
    }
    int style() const { return m_style; }
    int separatorStyle() const { return m_separatorStyle; }
    void setSeparatorStyle(int style) { m_separatorStyle = style; }

private:
    int m_style;
    int m_separatorStyle { UITableViewCellSeparatorStyleSingleLine };
};

} // namespace fw
