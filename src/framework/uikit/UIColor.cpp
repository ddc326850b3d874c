#include "uikit/UIColor.hpp"

#include "foundation/UIDevice.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace fw {

namespace {

std::atomic<UIUserInterfaceStyle> g_appearance { UIUserInterfaceStyle::Light };

UIColor systemColour(const char* name, double red, double green, double blue, double alpha)
{
    UIColor color = UIColor::colorWithRed(red, green, blue, alpha);
    color.systemName = name;
    return color;
}

} // namespace

UIColor UIColor::colorWithRed(double red, double green, double blue, double alpha)
{
    UIColor color;
    color.red = red;
    color.green = green;
    color.blue = blue;
    // fmax/fmin rather than clamp: a NaN alpha becomes opaque instead of staying NaN.
    color.alpha = std::fmax(0.0, std::fmin(1.0, alpha));
    return color;
}

UIColor UIColor::labelColor()
{
    if (currentAppearance() == UIUserInterfaceStyle::Dark)
        return systemColour("labelColor", 1, 1, 1, 1);
    return systemColour("labelColor", 0, 0, 0, 1);
}

UIColor UIColor::darkTextColor()
{
    return systemColour("darkTextColor", 0, 0, 0, 1);
}

UIColor UIColor::systemGrayColor()
{
    return systemColour("systemGrayColor", 142.0 / 255.0, 142.0 / 255.0, 147.0 / 255.0, 1);
}

UIColor UIColor::clearColor()
{
    return systemColour("clearColor", 0, 0, 0, 0);
}

UIColor UIColor::whiteColor()
{
    return systemColour("whiteColor", 1, 1, 1, 1);
}

UIColor UIColor::blackColor()
{
    return systemColour("blackColor", 0, 0, 0, 1);
}

bool UIColor::respondsToLabelColour()
{
    return UIDevice::currentDevice().systemVersionAtLeast("13.0");
}

UIUserInterfaceStyle UIColor::currentAppearance()
{
    return g_appearance.load();
}

void UIColor::setCurrentAppearance(UIUserInterfaceStyle style)
{
    g_appearance.store(style);
}

} // namespace fw
