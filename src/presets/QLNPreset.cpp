#include "presets/QLNPreset.hpp"

#include "foundation/ClassDescription.hpp"
#include "store/Settings.hpp"

namespace qln {

const fw::ClassDescriptor& QLNPreset::classObject()
{
    static const fw::ClassDescriptor cls
        = fw::describeClass<QLNPreset>("QLNPreset", fw::PSTableCell::classObject());
    return cls;
}

bool QLNPreset::initWithStyle(int /*style*/, const std::string& reuseIdentifier,
    const std::shared_ptr<fw::PSSpecifier>& specifier)
{
    return PSTableCell::initWithStyle(fw::UITableViewCellStyleSubtitle, reuseIdentifier, specifier);
}

void QLNPreset::didMoveToWindow()
{
    PSTableCell::didMoveToWindow();
    if (!m_specifier)
        return;
    // Marks are only ever added below, so start clean: the cell shows exactly its own row.
    setAccessoryType(fw::UITableViewCellAccessoryNone);
    detailTextLabel()->setText(std::nullopt);

    applyTitleColour();
    applyCheckmark();
    applySubtitle();
}

void QLNPreset::applyTitleColour()
{
    fw::UIColor color = accentColour();
    const std::string* textColor = m_specifier->stringForKey("textColor");
    if (textColor && *textColor == "regular")
        color = fw::UIColor::respondsToLabelColour() ? fw::UIColor::labelColor()
                                                     : fw::UIColor::darkTextColor();
    if (textColor && *textColor == "disabled")
        color = fw::UIColor::systemGrayColor();
    textLabel()->setTextColor(color);
    textLabel()->setHighlightedTextColor(color);
}

void QLNPreset::applyCheckmark()
{
    if (!m_specifier->propertyForKey("isActive"))
        return;
    setAccessoryType(fw::UITableViewCellAccessoryCheckmark);
    setTintColor(accentColour());
}

void QLNPreset::applySubtitle()
{
    fw::NSAttributedString subtitle;
    if (m_specifier->boolForKey("isUnsaved")) {
        subtitle.appendString("Unsaved");
        subtitle.addForegroundColour(accentColour(), { 0, 7 });
    }
    const char* mode = nullptr;
    if (m_specifier->boolForKey("isDarkDefault"))
        mode = "Used for Dark Mode";
    else if (m_specifier->boolForKey("isLightDefault"))
        mode = "Used for Light Mode";
    if (mode) {
        if (!subtitle.empty())
            subtitle.appendString(", ");
        subtitle.appendString(mode);
    }
    if (!subtitle.empty())
        detailTextLabel()->setAttributedText(subtitle);
}

} // namespace qln
