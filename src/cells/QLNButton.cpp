#include "cells/QLNButton.hpp"

#include "foundation/ClassDescription.hpp"
#include "store/Settings.hpp"

namespace qln {

namespace {

bool propertyEquals(const fw::PSSpecifier* specifier, std::string_view key, std::string_view text)
{
    const std::string* value = specifier ? specifier->stringForKey(key) : nullptr;
    return value && *value == text;
}

} // namespace

const fw::ClassDescriptor& QLNButton::classObject()
{
    static const fw::ClassDescriptor cls
        = fw::describeClass<QLNButton>("QLNButton", fw::PSTableCell::classObject());
    return cls;
}

void QLNButton::layoutSubviews()
{
    fw::PSTableCell::layoutSubviews();
    const fw::PSSpecifier* row = m_specifier.get();

    fw::UIColor colour = accentColour();
    if (propertyEquals(row, "textColor", "regular"))
        colour = fw::UIColor::respondsToLabelColour() ? fw::UIColor::labelColor()
                                                      : fw::UIColor::darkTextColor();
    if (propertyEquals(row, "textColor", "disabled"))
        colour = fw::UIColor::systemGrayColor();
    textLabel()->setTextColor(colour);
    textLabel()->setHighlightedTextColor(colour);

    if (!propertyEquals(row, "textAlignment", "center"))
        return;
    textLabel()->setTextAlignment(fw::NSTextAlignmentCenter);
    const fw::CGRect& own = textLabel()->frame();
    textLabel()->setFrame({ frame().x, own.y, frame().width, own.height });
}

} // namespace qln
