#pragma once

#include "preferences/PSTableCell.hpp"

namespace qln {

// A switch row in subtitle style whose switch is accent-coloured when on.
class QLNToggle : public fw::PSSwitchTableCell {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    bool initWithStyle(int style, const std::string& reuseIdentifier,
        const std::shared_ptr<fw::PSSpecifier>& specifier) override;
};

} // namespace qln
