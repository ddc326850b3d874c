#pragma once

#include "preferences/PSTableCell.hpp"

namespace qln {

// The row that names the edited state: a centred title with "Tap to Switch State" under it.
// The page owns the title and the tap.
class QLNStateSwitcher : public fw::PSTableCell {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    bool initWithStyle(int style, const std::string& reuseIdentifier,
        const std::shared_ptr<fw::PSSpecifier>& specifier) override;
    void layoutSubviews() override;
};

} // namespace qln
