#pragma once

#include "uikit/UIView.hpp"

#include <memory>
#include <string>
#include <string_view>

namespace fw {

// A PNG picture. Its size in points is its pixel size divided by the scale of its file name
// (@2x, @3x, else 1).
class UIImage {
public:
    static std::shared_ptr<UIImage> imageWithContentsOfFile(std::string_view devicePath);

    CGSize size() const { return m_size; }
    double scale() const { return m_scale; }
    const std::string& devicePath() const { return m_devicePath; }

private:
    CGSize m_size;
    double m_scale { 1 };
    std::string m_devicePath;
};

class UIImageView : public UIView {
public:
    UIImageView() = default;
    // Sized to the image, as UIKit does.
    explicit UIImageView(std::shared_ptr<UIImage> image);
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    const std::shared_ptr<UIImage>& image() const { return m_image; }
    void setImage(std::shared_ptr<UIImage> image) { m_image = std::move(image); }

private:
    std::shared_ptr<UIImage> m_image;
};

} // namespace fw
