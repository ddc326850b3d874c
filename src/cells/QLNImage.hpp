#pragma once

#include "preferences/PSTableCell.hpp"
#include "uikit/UIImage.hpp"

namespace qln {

// A full-width picture from the bundle ("icon", or "prysmIcon" when Prysm is installed); the
// row is half the picture's height.
class QLNImage : public fw::PSTableCell {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    bool initWithStyle(int style, const std::string& reuseIdentifier,
        const std::shared_ptr<fw::PSSpecifier>& specifier) override;
    bool initWithSpecifier(const std::shared_ptr<fw::PSSpecifier>& specifier) override;
    std::optional<double> preferredHeightForWidth(double width) override;

    const std::shared_ptr<fw::UIImageView>& bigImageView() const { return _bigImageView; }

private:
    std::shared_ptr<fw::UIImage> loadPicture() const;

    std::shared_ptr<fw::UIImageView> _bigImageView;
};

} // namespace qln
