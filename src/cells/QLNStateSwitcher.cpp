#include "cells/QLNStateSwitcher.hpp"

#include "foundation/ClassDescription.hpp"

namespace qln {

namespace {

// Spans the label across the whole cell, keeping its own y and height.
void spanCellWidth(fw::UILabel& label, const fw::CGRect& cellFrame)
{
    const fw::CGRect& own = label.frame();
    label.setFrame({ cellFrame.x, own.y, cellFrame.width, own.height });
}

} // namespace

const fw::ClassDescriptor& QLNStateSwitcher::classObject()
{
    static const fw::ClassDescriptor cls
        = fw::describeClass<QLNStateSwitcher>("QLNStateSwitcher", fw::PSTableCell::classObject());
    return cls;
}

bool QLNStateSwitcher::initWithStyle(int /*style*/, const std::string& reuseIdentifier,
    const std::shared_ptr<fw::PSSpecifier>& specifier)
{
    if (!fw::PSTableCell::initWithStyle(
            fw::UITableViewCellStyleSubtitle, reuseIdentifier, specifier))
        return false;
    auto accessory = std::make_shared<fw::UIView>(fw::CGRect { 0, 0, 29, 29 });
    setAccessoryView(accessory);
    accessory->setHidden(true);
    detailTextLabel()->setText("Tap to Switch State");
    return true;
}

void QLNStateSwitcher::layoutSubviews()
{
    fw::PSTableCell::layoutSubviews();
    fw::UIColor labelColour = fw::UIColor::respondsToLabelColour() ? fw::UIColor::labelColor()
                                                                   : fw::UIColor::darkTextColor();
    textLabel()->setTextColor(labelColour);
    textLabel()->setHighlightedTextColor(labelColour);
    textLabel()->setTextAlignment(fw::NSTextAlignmentCenter);
    spanCellWidth(*textLabel(), frame());

    detailTextLabel()->setTextAlignment(fw::NSTextAlignmentCenter);
    spanCellWidth(*detailTextLabel(), frame());
}

} // namespace qln
