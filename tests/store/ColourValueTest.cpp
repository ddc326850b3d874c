#include "store/UIColor+Quillane.hpp"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <string>

namespace {

struct ParseCase {
    const char* text;
    double red, green, blue, alpha;
};

class ColourValueParse : public testing::TestWithParam<ParseCase> { };

TEST_P(ColourValueParse, ReadsComponentsAsThePlatformScannersDo)
{
    const ParseCase& c = GetParam();
    auto colour = qln::qlnRGBAColorFromHexString(std::string_view(c.text));
    ASSERT_TRUE(colour.has_value()) << c.text;
    EXPECT_DOUBLE_EQ(colour->red, c.red) << c.text;
    EXPECT_DOUBLE_EQ(colour->green, c.green) << c.text;
    EXPECT_DOUBLE_EQ(colour->blue, c.blue) << c.text;
    EXPECT_DOUBLE_EQ(colour->alpha, c.alpha) << c.text;
}

constexpr double k80 = 128 / 255.0;

INSTANTIATE_TEST_SUITE_P(Table, ColourValueParse,
    testing::Values(ParseCase { "#FF8000", 1, k80, 0, 1 }, ParseCase { "FF8000", 1, k80, 0, 1 },
        ParseCase { "#ff8000", 1, k80, 0, 1 }, ParseCase { "#0xFF8000", 1, k80, 0, 1 },
        ParseCase { "0XFF8000", 1, k80, 0, 1 }, ParseCase { "FF8000:0.5", 1, k80, 0, 0.5 },
        // A bare colon or text that is no number gives a transparent colour.
        ParseCase { "#FF8000:", 1, k80, 0, 0 }, ParseCase { "#FF8000:abc", 1, k80, 0, 0 },
        ParseCase { "#FF8000: 0.25", 1, k80, 0, 0.25 },
        // Short forms are not expanded; the top byte of eight digits is dropped.
        ParseCase { "#F80", 0, 15 / 255.0, k80, 1 }, ParseCase { "#80FF8000", 1, k80, 0, 1 },
        // The "#" counts only at index 0; a leading space leaves the scan at "#".
        ParseCase { " #FF8000", 0, 0, 0, 1 }, ParseCase { "xyz", 0, 0, 0, 1 },
        // White space is Unicode's: a no-break space after "#" or before the opacity is skipped.
        ParseCase { "#\u00a0FF8000", 1, k80, 0, 1 },
        ParseCase { "#FF8000:\u30000.5", 1, k80, 0, 0.5 }, ParseCase { ":0.5", 0, 0, 0, 0.5 },
        // More than 32 bits saturates: every byte FF.
        ParseCase { "#123456789", 1, 1, 1, 1 },
        // Alpha outside 0–1 is clamped by the colour, not by the parser.
        ParseCase { "#000000:7", 0, 0, 0, 1 }, ParseCase { "#000000:-0.5", 0, 0, 0, 0 },
        ParseCase { "#000000:1e-1", 0, 0, 0, static_cast<double>(0.1f) }));

TEST(ColourValue, AbsentOrEmptyTextGivesNoColour)
{
    EXPECT_FALSE(qln::qlnRGBAColorFromHexString(std::nullopt));
    EXPECT_FALSE(qln::qlnRGBAColorFromHexString(std::string_view("")));
}

TEST(ColourValue, AlphaIsReadInSinglePrecision)
{
    auto colour = qln::qlnRGBAColorFromHexString(std::string_view("#000000:0.3"));
    ASSERT_TRUE(colour);
    EXPECT_EQ(colour->alpha, static_cast<double>(0.3f));
    EXPECT_NE(colour->alpha, 0.3);
    EXPECT_EQ(qln::qlnHexStringFromColor(*colour), "#000000:0.300000");
}

struct FormatCase {
    double red, green, blue, alpha;
    const char* text;
};

class ColourValueFormat : public testing::TestWithParam<FormatCase> { };

TEST_P(ColourValueFormat, TruncatesClampedComponents)
{
    const FormatCase& c = GetParam();
    fw::UIColor colour;
    colour.red = c.red;
    colour.green = c.green;
    colour.blue = c.blue;
    colour.alpha = c.alpha;
    EXPECT_EQ(qln::qlnHexStringFromColor(colour), c.text);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(Table, ColourValueFormat,
    testing::Values(FormatCase { 1, 0.5, 0, 1, "#FF7F00:1.000000" },
        FormatCase { 0.5, 0, 1, 0.25, "#7F00FF:0.250000" },
        FormatCase { 0, 0, 0, 0, "#000000:0.000000" },
        FormatCase { 0.999, 0.001, 0.1, 0.5, "#FE0019:0.500000" },
        // Out-of-range components (extended colour spaces) are clamped first.
        FormatCase { 1.5, -0.2, 2.0, 1, "#FF00FF:1.000000" },
        FormatCase { kNaN, 0.5, -1e300, 1, "#007F00:1.000000" }));

TEST(ColourValue, EveryByteSurvivesParseThenFormat)
{
    for (int n = 0; n < 256; ++n) {
        char text[16];
        std::snprintf(text, sizeof text, "#%02X%02X%02X:1", n, 255 - n, n / 2);
        char expected[32];
        std::snprintf(expected, sizeof expected, "#%02X%02X%02X:1.000000", n, 255 - n, n / 2);
        auto colour = qln::qlnRGBAColorFromHexString(std::string_view(text));
        ASSERT_TRUE(colour);
        EXPECT_EQ(qln::qlnHexStringFromColor(*colour), expected);
    }
}

TEST(ColourValue, BrightnessIsStrictlyAboveSixtyFiveHundredths)
{
    struct Case {
        double r, g, b;
        bool bright;
    };
    for (const Case& c : { Case { 1, 1, 1, true }, Case { 1, 1, 0, true }, Case { 0, 1, 0, false },
             Case { 0.65, 0.65, 0.65, false }, Case { 0.66, 0.66, 0.66, true } }) {
        EXPECT_EQ(qln::qlnIsBrightColor(fw::UIColor::colorWithRed(c.r, c.g, c.b, 1)), c.bright)
            << c.r << " " << c.g << " " << c.b;
    }
}

TEST(ColourValue, InverseKeepsAlpha)
{
    auto black = qln::qlnInverseColor(fw::UIColor::colorWithRed(1, 1, 1, 1));
    EXPECT_EQ(black, fw::UIColor::colorWithRed(0, 0, 0, 1));
    auto inverse = qln::qlnInverseColor(fw::UIColor::colorWithRed(0.25, 0.5, 1, 0.5));
    EXPECT_EQ(inverse, fw::UIColor::colorWithRed(0.75, 0.5, 0, 0.5));
}

} // namespace
