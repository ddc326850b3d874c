#pragma once

#include "preferences/PSTableCell.hpp"

namespace qln {

// The cell of one preset row: its name, a check mark on the current preset and a subtitle with
// the unsaved mark and the mode assignment.
class QLNPreset : public fw::PSTableCell {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    bool initWithStyle(int style, const std::string& reuseIdentifier,
        const std::shared_ptr<fw::PSSpecifier>& specifier) override;
    void didMoveToWindow() override;

private:
    void applyTitleColour();
    void applyCheckmark();
    void applySubtitle();
};

} // namespace qln
