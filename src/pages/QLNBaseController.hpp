#pragma once

#include "preferences/PSListController.hpp"

namespace qln {

// The base of every page: accent-tinted navigation bar, no separators, inset grouped table on
// newer systems, every row value through the settings store, and the SpringBoard restart.
class QLNBaseController : public fw::PSListController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    void viewWillAppear(bool animated) override;
    int tableViewStyle() override;
    std::optional<fw::Value> readPreferenceValue(
        const std::shared_ptr<fw::PSSpecifier>& specifier) override;
    void setPreferenceValue(
        const fw::Value& value, const std::shared_ptr<fw::PSSpecifier>& specifier) override;
    void respring();
    void setWithRespring(const fw::Value& value, const std::shared_ptr<fw::PSSpecifier>& specifier);
};

} // namespace qln
