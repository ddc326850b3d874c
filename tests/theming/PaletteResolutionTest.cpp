#include "BuildPaths.hpp"
#include "theming/ColourValue.hpp"
#include "theming/Contrast.hpp"
#include "theming/Legibility.hpp"
#include "theming/PaletteResolver.hpp"
#include "theming/StateConfusion.hpp"
#include "theming/StockColours.hpp"
#include "theming/VisionSimulation.hpp"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>

namespace {

using theming::ColourSource;
using theming::rgb;

TEST(ThemingColourValue, ReadsTheStoredFormsAndRefusesTheRest)
{
    struct Case {
        const char* text;
        std::optional<theming::Rgba> expected;
    };
    const Case cases[] = {
        { "#123456:1.000000", rgb(0x123456) },
        { "#abcdef", rgb(0xABCDEF) },
        { "ABCDEF:0.5", rgb(0xABCDEF, 0.5) },
        { "0xFF8000:0.25", rgb(0xFF8000, 0.25) },
        { " #102030 : 0.75 ", rgb(0x102030, 0.75) },
        { "#123456:1.5", rgb(0x123456, 1.0) },
        { "#123456:-0.5", rgb(0x123456, 0.0) },
        { "", std::nullopt },
        { "#", std::nullopt },
        { "#F80", std::nullopt },
        { "#80FF8000", std::nullopt },
        { "#GG0000", std::nullopt },
        { "#123456:", std::nullopt },
        { "#123456:abc", std::nullopt },
        { "#123456:0.5x", std::nullopt },
        { "#123456:nan", std::nullopt },
        { "#123456:inf", std::nullopt },
        { "#-12345", std::nullopt },
        { ":0.5", std::nullopt },
    };
    for (const Case& c : cases)
        EXPECT_EQ(theming::parseColourValue(c.text), c.expected) << '"' << c.text << '"';
}

TEST(ThemingColourValue, DisplaysBytesAndTwoDecimals)
{
    EXPECT_EQ(theming::displayColour(rgb(0x0A7BFF, 0.4)), "#0A7BFF:0.40");
    EXPECT_EQ(theming::displayColour({ 1.2, -0.1, 0.5, 2.0 }), "#FF0080:1.00");
}

TEST(ThemingResolution, StoredAbsentAndMalformedValues)
{
    fw::Dictionary settings { { "wifiEnabled", fw::Value("#123456:0.500000") },
        { "wifiDisabled", fw::Value("#12345") }, { "airplaneEnabled", fw::Value(12) },
        { "hotspotEnabled", fw::Value("") } };
    struct Case {
        const char* key;
        theming::Rgba colour;
        ColourSource source;
    };
    const Case cases[] = {
        { "wifiEnabled", rgb(0x123456, 0.5), ColourSource::Stored },
        { "wifiDisabled", theming::stockColour("wifiDisabled"), ColourSource::Malformed },
        { "airplaneEnabled", rgb(0xFF9500), ColourSource::Malformed },
        { "hotspotEnabled", rgb(0x34C759), ColourSource::Malformed },
        { "bluetoothEnabled", rgb(0x007AFF), ColourSource::Stock },
    };
    for (const Case& c : cases) {
        auto resolved = theming::resolveColour(settings, c.key);
        EXPECT_EQ(resolved.key, c.key);
        EXPECT_EQ(resolved.colour, c.colour) << c.key;
        EXPECT_EQ(resolved.source, c.source) << c.key;
    }
    auto ignored = theming::resolveColour(settings, "wifiEnabled", false);
    EXPECT_EQ(ignored.source, ColourSource::Stock);
    EXPECT_EQ(ignored.colour, rgb(0x007AFF));
}

TEST(ThemingResolution, StockColoursFollowTheKeyPatterns)
{
    const std::pair<const char*, theming::Rgba> cases[] = {
        { "airplaneEnabled", rgb(0xFF9500) },
        { "airplaneGlyphEnabled", rgb(0xFFFFFF) }, // a glyph, not the toggle's background
        { "airplaneGlyphDisabled", rgb(0xFFFFFF) },
        { "cellularDataDisabled", rgb(0x8E8E93, 0.4) },
        { "com.apple.control-center.FlashlightModuleDisabled", rgb(0x8E8E93, 0.4) },
        { "com.apple.control-center.FlashlightModuleEnabled", rgb(0xFFFFFF) },
        { "connectivityContainerBackground", rgb(0x1C1C1E, 0.6) },
        { "powerModuleMenuBackground", rgb(0x1C1C1E, 0.6) },
        { "mediaProgressTrack", rgb(0xFFFFFF, 0.25) },
    };
    for (const auto& [key, colour] : cases)
        EXPECT_EQ(theming::stockColour(key), colour) << key;
}

fw::Dictionary positions(std::vector<fw::Value> classes)
{
    fw::Dictionary settings;
    for (std::size_t i = 0; i < classes.size(); ++i)
        settings["connectivityPosition" + std::to_string(i)] = classes[i];
    return settings;
}

TEST(ThemingResolution, ConnectivityOrderSkipsUnknownAndAppendsMissingToggles)
{
    const std::string airplane = "CCUIConnectivityAirplaneViewController";
    const std::string cellular = "CCUIConnectivityCellularDataViewController";
    const std::string wifi = "CCUIConnectivityWifiViewController";
    const std::string bluetooth = "CCUIConnectivityBluetoothViewController";
    const std::string airdrop = "CCUIConnectivityAirDropViewController";
    const std::string hotspot = "CCUIConnectivityHotspotViewController";
    using Names = std::vector<std::string>;
    const Names stock { "airplane", "cellularData", "wifi", "bluetooth", "airdrop", "hotspot" };
    struct Case {
        const char* what;
        fw::Dictionary settings;
        Names expected;
    };
    fw::Dictionary gap = positions({ hotspot, airdrop, bluetooth, wifi, cellular, airplane });
    gap.erase("connectivityPosition2");
    const Case cases[] = {
        { "none stored", {}, stock },
        { "reversed", positions({ hotspot, airdrop, bluetooth, wifi, cellular, airplane }),
            { "hotspot", "airdrop", "bluetooth", "wifi", "cellularData", "airplane" } },
        { "gap", gap, { "hotspot", "airdrop", "wifi", "cellularData", "airplane", "bluetooth" } },
        { "unknown, repeat and non-string",
            positions({ wifi, "CCUIFlashlightViewController", wifi, fw::Value(3), airdrop }),
            { "wifi", "airdrop", "airplane", "cellularData", "bluetooth", "hotspot" } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(theming::connectivityOrder(c.settings), c.expected) << c.what;
}

TEST(ThemingResolution, RowsShowWhereTheSettingsPagesShowThem)
{
    using theming::DeviceTweaks;
    const DeviceTweaks none {};
    const DeviceTweaks prysm { true, false, false, false };
    const DeviceTweaks weather { false, false, true, false };
    const DeviceTweaks all { true, true, true, true };
    struct Case {
        const char* layout;
        const char* feature;
        DeviceTweaks tweaks;
        bool shown;
    };
    const Case cases[] = {
        { "MediaControls", "", none, true },
        { "MediaControls", "prysm", none, false },
        { "MediaControls", "prysm", prysm, true },
        { "Misc", "notPrysm", none, true },
        { "Misc", "notPrysm", prysm, false },
        { "Sliders", "ccRinger", prysm, false },
        { "Sliders", "ccRinger", all, true },
        { "PrysmBattery", "", none, false },
        { "PrysmWeather", "", prysm, true },
        { "Misc", "bcxiWeather", weather, true },
        { "Misc", "bcxiWeather", all, false }, // Prysm's own weather replaces it
        { "Misc", "thirdparty", none, false },
        { "Misc", "thirdparty", weather, true },
        { "PowerModule", "", none, true }, // the root page always lists it
        { "Misc", "somethingNew", none, true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(theming::rowShown(c.layout, c.feature, c.tweaks), c.shown)
            << c.layout << " " << c.feature;
}

TEST(ThemingContrast, MatchesTheKnownWcagPairs)
{
    std::ifstream file(QLN_SOURCE_DIR "/tests/theming/wcag-contrast-pairs.json");
    auto vectors = nlohmann::json::parse(file);
    ASSERT_FALSE(vectors["pairs"].empty());
    for (const auto& pair : vectors["pairs"]) {
        std::string foreground = pair["foreground"];
        auto top = theming::parseColourValue(foreground);
        auto bottom = theming::parseColourValue(pair["background"].get<std::string>());
        ASSERT_TRUE(top && bottom) << foreground;
        double ratio = theming::contrastRatio(theming::over(*top, *bottom), *bottom);
        EXPECT_NEAR(ratio, pair["ratio"].get<double>(), 0.005)
            << foreground << " on " << pair["background"];
        // The ratio does not depend on which colour is named first.
        EXPECT_DOUBLE_EQ(ratio, theming::contrastRatio(*bottom, theming::over(*top, *bottom)));
    }
}

// How each simulated vision sees a few colours; the browser's picture and warnings read the same
// table (resources/web/tests), so the two simulations cannot drift apart.
TEST(ThemingVision, SeesTheReferenceColours)
{
    std::ifstream file(QLN_SOURCE_DIR "/tests/theming/vision-cases.json");
    auto cases = nlohmann::json::parse(file)["cases"];
    ASSERT_FALSE(cases.empty());
    for (const auto& c : cases) {
        auto colour = *theming::parseColourValue(c["colour"].get<std::string>());
        for (theming::Vision vision : theming::kVisions) {
            std::string name(theming::visionName(vision));
            EXPECT_EQ(theming::visionNamed(name), vision);
            std::string expected = vision == theming::Vision::Typical ? c["colour"] : c[name];
            auto want = *theming::parseColourValue(expected);
            auto seen = theming::seenWith(colour, vision);
            EXPECT_NEAR(seen.red, want.red, 1.0 / 255) << c["colour"] << " " << name;
            EXPECT_NEAR(seen.green, want.green, 1.0 / 255) << c["colour"] << " " << name;
            EXPECT_NEAR(seen.blue, want.blue, 1.0 / 255) << c["colour"] << " " << name;
        }
    }
    EXPECT_FALSE(theming::visionNamed("colourblind"));
}

// Pairs of states and the visions that could take one for the other: reds and greens for the
// red-green deficiencies (a protanope sees red darker, so a light red meets a dark green), blue
// and turquoise for tritanopia, two colours of one luminance for achromatopsia, and lightness far
// apart for no one.
TEST(ThemingStateConfusion, WarnsOfStatesAPersonCouldConfuse)
{
    struct Case {
        const char* enabled;
        const char* disabled;
        std::set<std::string> confusable;
    };
    const Case cases[] = {
        { "#34C759", "#34C759",
            { "typical", "protanopia", "deuteranopia", "tritanopia", "achromatopsia" } },
        { "#F94111", "#0D6C03", { "protanopia" } },
        { "#D20F37", "#459E40", { "deuteranopia" } },
        { "#B35900", "#5A8C00", { "deuteranopia", "achromatopsia" } },
        { "#0A84FF", "#30B0C7", { "tritanopia", "achromatopsia" } },
        { "#FF2D55", "#0A84FF", { "achromatopsia" } },
        { "#FFFFFF", "#3A3A3C", {} },
        { "#FF9500", "#1C1C1E", {} },
    };
    for (const Case& c : cases) {
        theming::Palette palette;
        palette.backdrop = theming::backdropColour(theming::Appearance::Dark);
        palette.connectivityBackground = { "connectivityContainerBackground",
            theming::rgb(0x000000, 0.3), theming::ColourSource::Stock };
        theming::ToggleSwatch toggle;
        toggle.title = "Wi-Fi";
        toggle.enabledColours.background = { "wifiEnabled", *theming::parseColourValue(c.enabled),
            theming::ColourSource::Stored };
        toggle.disabledColours.background = { "wifiDisabled",
            *theming::parseColourValue(c.disabled), theming::ColourSource::Stock };
        palette.connectivity.push_back(toggle);
        auto pairs = theming::stateDifferences(palette);
        ASSERT_EQ(pairs.size(), 1u);
        std::set<std::string> confusable;
        for (std::size_t i = 0; i < theming::kVisions.size(); ++i) {
            if (pairs[0].difference[i] < theming::kConfusableDifference)
                confusable.insert(std::string(theming::visionName(theming::kVisions[i])));
        }
        EXPECT_EQ(confusable, c.confusable) << c.enabled << " / " << c.disabled;
        EXPECT_TRUE(pairs[0].set);
    }
}

} // namespace
