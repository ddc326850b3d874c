#pragma once

#include "preferences/PSTableCell.hpp"

namespace qln {

// A segment row in subtitle style with an accent-tinted segmented control.
class QLNSegment : public fw::PSSegmentTableCell {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    bool initWithStyle(int style, const std::string& reuseIdentifier,
        const std::shared_ptr<fw::PSSpecifier>& specifier) override;
};

} // namespace qln
