#include "support/TestDevice.hpp"
#include "uikit/NSAttributedString.hpp"
#include "uikit/UIColor.hpp"

#include <gtest/gtest.h>
#include <string>

namespace {

void setSystemVersion(const TestDevice& device, const std::string& version)
{
    device.write("/System/Library/CoreServices/SystemVersion.plist",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
        "<key>ProductVersion</key><string>"
            + version + "</string></dict></plist>\n");
}

} // namespace

TEST(UIColor, LabelColourIsOfferedFromSystem13On)
{
    TestDevice device;
    struct Case {
        const char* version;
        bool offered;
    } cases[] = { { "12.4", false }, { "9.3", false }, { "13.0", true }, { "13.1.2", true },
        { "14.0", true } };
    for (const auto& c : cases) {
        setSystemVersion(device, c.version);
        EXPECT_EQ(fw::UIColor::respondsToLabelColour(), c.offered) << c.version;
    }
}

TEST(UIColor, SystemColoursResolveForTheAppearanceAndKeepTheirNames)
{
    fw::UIColor::setCurrentAppearance(fw::UIUserInterfaceStyle::Dark);
    auto dark = fw::UIColor::labelColor();
    fw::UIColor::setCurrentAppearance(fw::UIUserInterfaceStyle::Light);
    auto light = fw::UIColor::labelColor();

    EXPECT_EQ(dark.systemName, "labelColor");
    EXPECT_DOUBLE_EQ(dark.red, 1);
    EXPECT_DOUBLE_EQ(light.red, 0);
    EXPECT_DOUBLE_EQ(fw::UIColor::systemGrayColor().blue, 147.0 / 255.0);
    EXPECT_DOUBLE_EQ(fw::UIColor::clearColor().alpha, 0);
}

TEST(UIColor, OnlyAlphaIsClampedWhenAColourIsMade)
{
    auto colour = fw::UIColor::colorWithRed(1.5, -0.25, 0.5, 7);
    EXPECT_DOUBLE_EQ(colour.red, 1.5);
    EXPECT_DOUBLE_EQ(colour.green, -0.25);
    EXPECT_DOUBLE_EQ(colour.alpha, 1);
    EXPECT_DOUBLE_EQ(fw::UIColor::colorWithRed(0, 0, 0, -1).alpha, 0);
    EXPECT_TRUE(colour.systemName.empty());
}

TEST(NSAttributedString, LengthCountsUtf16Units)
{
    struct Case {
        const char* text;
        std::size_t length;
    } cases[] = { { "", 0 }, { "Unsaved", 7 }, { "Caf\xc3\xa9", 4 }, { "\xe2\x82\xac", 1 },
        { "a\xf0\x9f\x8e\xa8", 3 } };
    for (const auto& c : cases)
        EXPECT_EQ(fw::NSAttributedString(c.text).length(), c.length) << c.text;
}

TEST(NSAttributedString, AttributeRangesStayInsideTheText)
{
    fw::NSAttributedString text("Unsaved");
    text.appendString(", Used for Dark Mode");
    text.addForegroundColour(fw::UIColor::colorWithRed(0.81, 0.06, 0.13, 1), { 0, 7 });
    text.addFont(fw::UIFont::fontWithName("HelveticaNeue", 34), { 20, 100 });
    ASSERT_EQ(text.runs().size(), 2u);
    EXPECT_EQ(text.runs()[0].range.length, 7u);
    EXPECT_EQ(text.runs()[1].range.location, 20u);
    EXPECT_EQ(text.runs()[1].range.length, 7u);
}
