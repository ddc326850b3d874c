#include "cells/QLNImage.hpp"

#include "foundation/ClassDescription.hpp"
#include "foundation/NSFileManager.hpp"
#include "store/Settings.hpp"

#include <cmath>

namespace qln {

const fw::ClassDescriptor& QLNImage::classObject()
{
    static const fw::ClassDescriptor cls
        = fw::describeClass<QLNImage>("QLNImage", fw::PSTableCell::classObject());
    return cls;
}

bool QLNImage::initWithStyle(int style, const std::string& reuseIdentifier,
    const std::shared_ptr<fw::PSSpecifier>& specifier)
{
    if (!fw::PSTableCell::initWithStyle(style, reuseIdentifier, specifier))
        return false;
    setBackgroundColor(fw::UIColor::clearColor());
    setBackgroundView(nullptr);

    auto picture = loadPicture();
    _bigImageView = picture ? std::make_shared<fw::UIImageView>(picture)
                            : std::make_shared<fw::UIImageView>();
    fw::CGRect bounds = contentView()->bounds();
    // Below the sibling rows, so the picture may reach into them.
    layer().zPosition = -1.0;
    _bigImageView->setFrame({ bounds.x - 15, bounds.y + 5, bounds.width, bounds.height });
    _bigImageView->setAutoresizingMask(
        fw::UIViewAutoresizingFlexibleWidth | fw::UIViewAutoresizingFlexibleHeight);
    _bigImageView->setContentMode(fw::UIViewContentModeScaleAspectFit);
    _bigImageView->layer().minificationFilter = fw::kCAFilterTrilinear;
    contentView()->addSubview(_bigImageView);

    imageView()->setHidden(true);
    textLabel()->setHidden(true);
    detailTextLabel()->setHidden(true);
    return true;
}

bool QLNImage::initWithSpecifier(const std::shared_ptr<fw::PSSpecifier>& specifier)
{
    return initWithStyle(fw::UITableViewCellStyleDefault, std::string(), specifier);
}

std::optional<double> QLNImage::preferredHeightForWidth(double /*width*/)
{
    const auto& picture = _bigImageView ? _bigImageView->image() : nullptr;
    if (!picture)
        return 0.0;
    return static_cast<double>(std::lroundf(static_cast<float>(picture->size().height * 0.5)));
}

std::shared_ptr<fw::UIImage> QLNImage::loadPicture() const
{
    if (!m_specifier)
        return nullptr;
    const std::string* name = m_specifier->stringForKey("icon");
    const std::string* prysmName = m_specifier->stringForKey("prysmIcon");
    if (prysmName && fw::NSFileManager::defaultManager().fileExistsAtPath(prysmPath))
        name = prysmName;
    if (!name)
        return nullptr;
    std::string path(bundlePath);
    path += "/";
    path += *name;
    return fw::UIImage::imageWithContentsOfFile(path);
}

} // namespace qln
