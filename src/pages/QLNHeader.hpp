#pragma once

#include "preferences/PSTableCell.hpp"

#include <memory>
#include <optional>
#include <string>

namespace qln {

// The header of the root page: the product title and, faded in once the package database has
// answered, the installed version.
class QLNHeader : public fw::PSTableCell {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    bool initWithSpecifier(const std::shared_ptr<fw::PSSpecifier>& specifier) override;
    std::optional<double> preferredHeightForWidth(double width) override;

    const std::shared_ptr<fw::UILabel>& titleLabel() const { return m_title; }
    const std::shared_ptr<fw::UILabel>& versionLabel() const { return m_version; }

private:
    void addTitleLabel();
    void addVersionLabel();
    void startVersionLookup();
    // The main queue's half of the lookup: the answer, or nothing when there was none.
    void showVersion(const std::optional<std::string>& text);

    std::shared_ptr<fw::UILabel> m_title;
    std::shared_ptr<fw::UILabel> m_version;
};

} // namespace qln
