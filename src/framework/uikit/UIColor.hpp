#pragma once

#include <string>

namespace fw {

enum class UIUserInterfaceStyle { Light, Dark };

// A colour is red, green, blue and alpha in doubles. System colours resolve to RGBA for the
// current appearance and keep their names for the host.
class UIColor {
public:
    double red { 0 }, green { 0 }, blue { 0 }, alpha { 1 };
    std::string systemName; // "labelColor", … or empty

    // Alpha is clamped to 0–1 as the platform does; colour components are kept as given.
    static UIColor colorWithRed(double red, double green, double blue, double alpha);
    static UIColor labelColor();
    static UIColor darkTextColor();
    static UIColor systemGrayColor();
    static UIColor clearColor();
    static UIColor whiteColor();
    static UIColor blackColor();

    // [UIColor respondsToSelector:@selector(labelColor)]: the system offers labelColor from
    // 13.0 on.
    static bool respondsToLabelColour();

    static UIUserInterfaceStyle currentAppearance();
    static void setCurrentAppearance(UIUserInterfaceStyle style);

    bool operator==(const UIColor&) const = default;
};

} // namespace fw
