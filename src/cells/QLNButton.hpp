#pragma once

#include "preferences/PSTableCell.hpp"

namespace qln {

// A button row whose title colour follows "textColor" ("regular", "disabled", else the accent)
// and which centres its title across the cell when "textAlignment" is "center".
class QLNButton : public fw::PSTableCell {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    void layoutSubviews() override;
};

} // namespace qln
