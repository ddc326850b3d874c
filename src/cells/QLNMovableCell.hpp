#pragma once

#include "preferences/PSTableCell.hpp"

namespace qln {

// A row that always shows its reorder control, whether or not the table is editing.
class QLNMovableCell : public fw::PSTableCell {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    void layoutSubviews() override;
};

} // namespace qln
