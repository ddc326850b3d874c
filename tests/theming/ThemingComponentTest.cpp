#include "theming/ThemingComponent.hpp"

#include "BuildPaths.hpp"
#include "foundation/Dispatch.hpp"
#include "foundation/FileFaults.hpp"
#include "foundation/Journal.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/Notifications.hpp"
#include "foundation/PropertyList.hpp"
#include "support/TestDevice.hpp"
#include "theming/Legibility.hpp"
#include "theming/PaletteTable.hpp"
#include "theming/PaletteValue.hpp"
#include "theming/StockColours.hpp"
#include "theming/ThemingPaths.hpp"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using theming::Appearance;
using theming::ColourSource;
using Outcome = theming::PresetApplication::Outcome;

const std::string kSettings(theming::settingsFile);
const std::string kPersistent(theming::persistentFile);
const std::string kPresets(theming::presetsDirectory);

// Counts preset-changed notifications, as an open presets page would hear them.
class PresetPageStandIn : public fw::NSObject {
public:
    static const fw::ClassDescriptor& classObject()
    {
        static const fw::ClassDescriptor cls = [] {
            fw::ClassDescriptor c;
            c.name = "PresetPageStandIn";
            c.superclass = &fw::NSObject::classObject();
            c.actions["reload"] = [](fw::NSObject& self, const fw::Args&) -> fw::ActionResult {
                ++static_cast<PresetPageStandIn&>(self).reloads;
                return std::nullopt;
            };
            return c;
        }();
        return cls;
    }
    const fw::ClassDescriptor& isa() const override { return classObject(); }
    int reloads { 0 };
};

std::vector<std::string> effectList(const fw::JournalEntries& entries)
{
    std::vector<std::string> list;
    for (const auto& effect : entries.effects)
        list.push_back(effect.op + " " + (effect.op == "post" ? effect.name : effect.path));
    return list;
}

class ThemingComponentTest : public testing::Test {
protected:
    void SetUp() override
    {
        const fs::path resources = fs::path(QLN_SOURCE_DIR) / "resources";
        copyTree(resources / "Quillane.bundle", "/Library/PreferenceBundles/Quillane.bundle");
        copyTree(resources / "device/modules/stock", "/System/Library/ControlCenter/Bundles");
        copyTree(resources / "device/modules/thirdparty/NoctisToggle.bundle",
            "/Library/ControlCenter/Bundles/NoctisToggle.bundle");
        setModules({ "com.apple.control-center.OrientationLockModule",
            "com.apple.control-center.FlashlightModule", "com.example.not.installed",
            "com.laughingquoll.noctis.toggle" });
        seed(kSettings, {});
        seed(kPersistent, {});
        fs::create_directories(device.hostPath(theming::moduleServicesFramework));
        component.onChange = [this] { ++changes; };
    }
    void TearDown() override { fw::DispatchMainQueue::drain(); }

    void copyTree(const fs::path& from, std::string_view devicePath)
    {
        fs::path to = device.hostPath(devicePath);
        fs::create_directories(to);
        fs::copy(from, to, fs::copy_options::recursive);
    }
    void setModules(std::vector<std::string> identifiers)
    {
        fw::Array list(identifiers.begin(), identifiers.end());
        fs::create_directories(device.hostPath("/var/mobile/Library/ControlCenter"));
        seed(theming::moduleConfigurationFile, { { "module-identifiers", list } });
    }
    // Writes a file the test starts from, without leaving it in the journal.
    void seed(std::string_view path, const fw::Dictionary& contents)
    {
        fs::create_directories(device.hostPath(path).parent_path());
        ASSERT_TRUE(fw::writeToFile(contents, path));
        fw::Journal::take();
    }
    void set(const std::string& key, fw::Value value)
    {
        auto settings = fw::dictionaryWithContentsOfFile(kSettings).value_or(fw::Dictionary {});
        settings[key] = std::move(value);
        seed(kSettings, settings);
    }
    // What another process's update notification does here.
    void receiveUpdate()
    {
        fw::DarwinNotifyCenter::center().receiveNotification(theming::updateNotification);
        fw::DispatchMainQueue::drain();
    }
    void runSbreload()
    {
        device.write(theming::sbreloadLog, device.read(theming::sbreloadLog) + "sbreload\n");
    }

    const theming::ToggleSwatch& toggle(const theming::Palette& palette, std::string_view name)
    {
        auto found = std::find_if(palette.connectivity.begin(), palette.connectivity.end(),
            [&](const auto& t) { return t.name == name; });
        EXPECT_NE(found, palette.connectivity.end()) << name;
        return *found;
    }
    std::vector<std::string> order(const theming::Palette& palette)
    {
        std::vector<std::string> names;
        for (const auto& t : palette.connectivity)
            names.push_back(t.name);
        return names;
    }

    TestDevice device;
    theming::ThemingComponent component;
    int changes { 0 };
};

TEST_F(ThemingComponentTest, ReadsEveryColourRowOfTheLayoutsButNotGlobalOrOtherRows)
{
    set("wifiEnabled", "#123456:1.000000");
    component.start();
    auto palette = component.palette();
    std::vector<std::string> keys;
    const theming::ColourGroup* wifiGroup = nullptr;
    for (const auto& group : palette.groups) {
        for (const auto& entry : group.entries)
            keys.push_back(entry.colour.key);
        if (group.page == "Connectivity" && group.area == "Wi-Fi")
            wifiGroup = &group;
    }
    for (const char* key : { "connectivityContainerBackground", "mediaPlayPauseButton",
             "brightnessFill", "prysmBatteryLowFill", "bcxiWeatherForecastGlyph" })
        EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end()) << key;
    for (const char* key : { "connectivityGlobalPicker", "togglesGlobalPicker",
             "connectivityModeEnabled", "switchState" })
        EXPECT_EQ(std::find(keys.begin(), keys.end(), key), keys.end()) << key;
    ASSERT_NE(wifiGroup, nullptr);
    ASSERT_EQ(wifiGroup->entries.size(), 4u);
    EXPECT_EQ(wifiGroup->entries[0].label, "Background");
    EXPECT_EQ(wifiGroup->entries[0].colour.source, ColourSource::Stored);
    EXPECT_EQ(wifiGroup->entries[1].colour.source, ColourSource::Stock);
}

// The layout files repeat the stock colours for the picker to open on: they must be the
// component's, or the picker would open on a colour Control Center never shows.
TEST_F(ThemingComponentTest, LayoutFallbacksAreTheStockColours)
{
    auto names
        = fw::NSFileManager::defaultManager().contentsOfDirectoryAtPath(theming::bundleDirectory);
    ASSERT_TRUE(names);
    int rows = 0;
    for (const std::string& name : *names) {
        if (!name.ends_with(".plist") || name == theming::defaultsFileName)
            continue;
        auto layout
            = fw::dictionaryWithContentsOfFile(std::string(theming::bundleDirectory) + name);
        ASSERT_TRUE(layout) << name;
        const fw::Value* items = fw::lookup(*layout, "items");
        for (const fw::Value& item : items && items->asArray() ? *items->asArray() : fw::Array {}) {
            const fw::Dictionary* row = item.asDictionary();
            auto text = [&](const char* key) {
                const fw::Value* value = row ? fw::lookup(*row, key) : nullptr;
                return value && value->asString() ? *value->asString() : std::string();
            };
            const fw::Value* global = row ? fw::lookup(*row, "global") : nullptr;
            if (text("cellClass") != "QLNColorPicker" || (global && global->boolValue()))
                continue;
            ++rows;
            auto fallback = theming::parseColourValue(text("fallback"));
            ASSERT_TRUE(fallback) << name << " " << text("key") << " has no fallback";
            EXPECT_EQ(theming::displayColour(*fallback),
                theming::displayColour(theming::stockColour(text("key"))))
                << name << " " << text("key");
            EXPECT_EQ(text("defaults"), "com.tarrowvine.quillane") << text("key");
        }
    }
    EXPECT_EQ(rows, 106);
}

TEST_F(ThemingComponentTest, LegibilityWarnsOnlyForPairsTheUserSetBelowTheMinimum)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> stored;
        const char* part;
        bool warn;
        const char* state = nullptr; // the first pair of the part when not given
    };
    const std::vector<std::pair<std::string, std::string>> disabledWifiAllPink {
        { "wifiDisabled", "#FF2D55" }, { "wifiGlyphDisabled", "#FF2D55" }
    };
    const Case cases[] = {
        // Stock white on stock blue is 4.02:1, above the glyph minimum; stock never warns.
        { "stock", {}, "Wi-Fi glyph", false },
        { "glyph set to its background's colour", { { "wifiGlyphEnabled", "#007AFF" } },
            "Wi-Fi glyph", true },
        { "background set, legible", { { "wifiEnabled", "#000000" } }, "Wi-Fi glyph", false },
        { "text set to the media background", { { "mediaTitleText", "#1C1C1E" } }, "Song Title",
            true },
        // About 3.7:1 each: enough for a glyph, not for text.
        { "text needs 4.5:1", { { "mediaTitleText", "#B4B4B4" } }, "Song Title", true },
        { "a glyph needs 3:1", { { "wifiEnabled", "#555555" }, { "wifiGlyphEnabled", "#B4B4B4" } },
            "Wi-Fi glyph", false },
        { "slider glyph on a white fill", { { "brightnessGlyph", "#FFFFFF:0.9" } },
            "Brightness glyph on the fill", true },
        // Every state the user coloured is measured, not only the one the toggle is in.
        { "the disabled state set to one colour", disabledWifiAllPink, "Wi-Fi glyph", true,
            "disabled" },
        { "its enabled state left stock", disabledWifiAllPink, "Wi-Fi glyph", false, "enabled" },
        { "a toggle that is off, its enabled state set to one colour",
            { { "airplaneEnabled", "#FF2D55" }, { "airplaneGlyphEnabled", "#FF2D55" } },
            "Airplane Mode glyph", true, "enabled" },
        { "a module's disabled tile set near the glyph's colour",
            { { "com.apple.control-center.FlashlightModuleDisabled", "#C0C0C0" } },
            "Flashlight glyph", true, "disabled" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        seed(kSettings, {});
        for (const auto& [key, value] : c.stored)
            set(key, value);
        component.start();
        auto palette = component.palette();
        auto found = std::find_if(palette.legibility.begin(), palette.legibility.end(),
            [&](const theming::LegibilityPair& p) {
                return p.part == c.part && (!c.state || p.state == c.state);
            });
        ASSERT_NE(found, palette.legibility.end());
        EXPECT_EQ(found->warn, c.warn) << found->ratio;
        if (c.warn) {
            EXPECT_LT(found->ratio, found->minimum);
        }
        EXPECT_GE(found->ratio, 1.0);
    }
}

// A fresh device's own parts are measured as the phone draws them: a stock glyph or title on a
// white (enabled) tile is drawn dark, not white on white.
TEST_F(ThemingComponentTest, StockGlyphsAndTitlesAreMeasuredAsThePhoneDrawsThem)
{
    setModules({ "com.apple.mediaremote.controlcenter.airplaymirroring",
        "com.apple.control-center.FlashlightModule" });
    component.start();
    auto palette = component.palette();
    struct Case {
        const char* part;
        const char* state;
        double atLeast;
    };
    const Case cases[] = {
        { "Screen Mirroring title", "enabled", 4.5 },
        { "Screen Mirroring title", "disabled", 4.5 },
        { "Screen Mirroring glyph", "enabled", 3.0 },
        { "Flashlight glyph", "enabled", 3.0 },
        { "Flashlight glyph", "disabled", 3.0 },
    };
    for (const Case& c : cases) {
        auto found = std::find_if(palette.legibility.begin(), palette.legibility.end(),
            [&](const theming::LegibilityPair& p) {
                return p.part == c.part && p.state == c.state;
            });
        ASSERT_NE(found, palette.legibility.end()) << c.part << " " << c.state;
        EXPECT_GE(found->ratio, c.atLeast) << c.part << " " << c.state;
        EXPECT_FALSE(found->warn);
    }
}

// The status bar is drawn over the wallpaper: a white one on a cream photo is flagged.
TEST_F(ThemingComponentTest, TheStatusBarIsMeasuredOverTheWallpaper)
{
    set("statusBarText", "#FFFFFF");
    struct Case {
        const char* what;
        std::optional<theming::Rgba> wallpaper;
        bool warn;
    };
    const Case cases[] = {
        { "a dark photo", theming::rgb(0x1A1C24), false },
        { "a cream photo", theming::rgb(0xF2E8D5), true },
        { "no photo, the dark gradient", std::nullopt, false },
    };
    component.start();
    component.setAppearance(Appearance::Dark);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        component.setWallpaper(c.wallpaper);
        auto palette = component.palette();
        EXPECT_EQ(
            palette.backdrop, c.wallpaper.value_or(theming::backdropColour(Appearance::Dark)));
        auto found = std::find_if(palette.legibility.begin(), palette.legibility.end(),
            [](const theming::LegibilityPair& p) { return p.part == "Status bar"; });
        ASSERT_NE(found, palette.legibility.end());
        EXPECT_EQ(found->warn, c.warn) << found->ratio;
        EXPECT_EQ(found->layers, std::vector<std::string> { "backgroundTint" });
    }
}

TEST_F(ThemingComponentTest, ModulesFollowTheEnabledListWithTheirStateKeys)
{
    set("com.apple.control-center.FlashlightModuleEnabled", "#00FF00");
    set("com.apple.control-center.FlashlightModuleDisabled", "#FF0000:0.5");
    component.start();
    auto modules = component.palette().modules;
    ASSERT_EQ(modules.size(), 3u); // the module without a bundle is left out
    EXPECT_EQ(modules[0].name, "Orientation Lock");
    EXPECT_EQ(modules[1].name, "Flashlight"); // the localised display name
    EXPECT_EQ(modules[2].name, "Noctis");
    EXPECT_EQ(modules[1].colour.key, "com.apple.control-center.FlashlightModuleDisabled");
    EXPECT_EQ(modules[1].colour.colour, theming::rgb(0xFF0000, 0.5));

    EXPECT_TRUE(component.toggle("flashlight"));
    EXPECT_EQ(changes, 1);
    auto flipped = component.palette().modules[1];
    EXPECT_TRUE(flipped.enabled);
    EXPECT_EQ(flipped.colour.key, "com.apple.control-center.FlashlightModuleEnabled");
    EXPECT_EQ(flipped.colour.colour, theming::rgb(0x00FF00));
    EXPECT_FALSE(component.toggle("Torch"));
    EXPECT_EQ(changes, 1);

    // Both states of each module are there, and the toggles page's rows of both: the module
    // without a bundle has none.
    EXPECT_EQ(flipped.disabledColour.colour, theming::rgb(0xFF0000, 0.5));
    EXPECT_EQ(flipped.enabledColour.key, "com.apple.control-center.FlashlightModuleEnabled");
    std::vector<std::string> toggleKeys;
    for (const auto& group : component.palette().groups) {
        if (group.layout != "Toggles")
            continue;
        for (const auto& entry : group.entries)
            toggleKeys.push_back(group.area + " " + entry.label + " " + entry.colour.key);
    }
    const std::vector<std::string> expected {
        "Enabled Orientation Lock com.apple.control-center.OrientationLockModuleEnabled",
        "Enabled Flashlight com.apple.control-center.FlashlightModuleEnabled",
        "Enabled Noctis com.laughingquoll.noctis.toggleEnabled",
        "Disabled Orientation Lock com.apple.control-center.OrientationLockModuleDisabled",
        "Disabled Flashlight com.apple.control-center.FlashlightModuleDisabled",
        "Disabled Noctis com.laughingquoll.noctis.toggleDisabled",
    };
    EXPECT_EQ(toggleKeys, expected);
}

TEST_F(ThemingComponentTest, ModulesWithoutARowOnTheTogglesPageStayUncoloured)
{
    setModules({ "com.apple.replaykit.controlcenter.screenrecording",
        "com.apple.control-center.FlashlightModule" });
    component.start();
    auto modules = component.palette().modules;
    ASSERT_EQ(modules.size(), 2u);
    EXPECT_FALSE(modules[0].coloured); // Apple's module without a display name
    EXPECT_EQ(modules[0].name, "Screen Recording"); // as the designer knows it
    EXPECT_TRUE(modules[1].coloured);
    for (const auto& group : component.palette().groups) {
        for (const auto& entry : group.entries)
            EXPECT_EQ(entry.colour.key.find("screenrecording"), std::string::npos);
    }

    // Without the module services the toggles page has no rows at all.
    fs::remove_all(device.hostPath(theming::moduleServicesFramework));
    receiveUpdate();
    auto uncoloured = component.palette();
    EXPECT_FALSE(uncoloured.modules[1].coloured);
    EXPECT_TRUE(std::none_of(uncoloured.groups.begin(), uncoloured.groups.end(),
        [](const theming::ColourGroup& g) { return g.layout == "Toggles"; }));
}

TEST_F(ThemingComponentTest, PendingColourCoversEveryEntryOfItsKeysUntilCleared)
{
    set("wifiEnabled", "#111111");
    component.start();
    std::string settingsBefore = device.read(kSettings);
    component.setPending(
        theming::PendingColour { { "wifiEnabled", "moduleGlyph" }, theming::rgb(0x00FF00, 0.5) });
    EXPECT_EQ(changes, 1);
    auto palette = component.palette();
    EXPECT_EQ(toggle(palette, "wifi").background.source, ColourSource::Pending);
    EXPECT_EQ(toggle(palette, "wifi").background.colour, theming::rgb(0x00FF00, 0.5));
    EXPECT_EQ(toggle(palette, "wifi").glyph.source, ColourSource::Stock);
    int pendingEntries = 0;
    for (const auto& group : palette.groups) {
        for (const auto& entry : group.entries)
            pendingEntries += entry.colour.source == ColourSource::Pending;
    }
    EXPECT_EQ(pendingEntries, 2);
    // The same colour again changes nothing; clearing brings the stored colour back.
    component.setPending(
        theming::PendingColour { { "wifiEnabled", "moduleGlyph" }, theming::rgb(0x00FF00, 0.5) });
    EXPECT_EQ(changes, 1);
    component.setPending(std::nullopt);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(toggle(component.palette(), "wifi").background.source, ColourSource::Stored);
    EXPECT_EQ(device.read(kSettings), settingsBefore);
}

TEST_F(ThemingComponentTest, DrawsTweakPartsOnlyWhereTheTweaksAreInstalled)
{
    component.start();
    auto before = component.palette();
    EXPECT_EQ(before.tweaks, theming::DeviceTweaks {});
    device.write(theming::prysmFile, "");
    copyTree(QLN_SOURCE_DIR "/resources/device/modules/thirdparty/PowerModule.bundle",
        theming::powerModuleBundle);
    receiveUpdate();
    auto after = component.palette();
    EXPECT_EQ(after.tweaks, (theming::DeviceTweaks { true, true, false, false }));
    auto shown = [](const theming::Palette& palette, std::string_view key) {
        for (const auto& group : palette.groups) {
            for (const auto& entry : group.entries) {
                if (entry.colour.key == key)
                    return entry.shown;
            }
        }
        ADD_FAILURE() << key << " is not in the palette";
        return false;
    };
    EXPECT_FALSE(shown(before, "prysmBatteryFill"));
    EXPECT_TRUE(shown(after, "prysmBatteryFill"));
    EXPECT_TRUE(shown(before, "chevronGlyph"));
    EXPECT_FALSE(shown(after, "chevronGlyph"));
}

TEST_F(ThemingComponentTest, ToggleColoursFollowTheToggleState)
{
    set("wifiEnabled", "#111111");
    set("wifiGlyphEnabled", "#222222");
    set("wifiDisabled", "#333333");
    set("wifiGlyphDisabled", "#444444");
    component.start();
    auto before = toggle(component.palette(), "wifi");
    EXPECT_TRUE(before.enabled);
    EXPECT_EQ(before.background.colour, theming::rgb(0x111111));
    EXPECT_EQ(before.glyph.colour, theming::rgb(0x222222));
    EXPECT_TRUE(component.toggle("Wi-Fi"));
    auto after = toggle(component.palette(), "wifi");
    EXPECT_FALSE(after.enabled);
    EXPECT_EQ(after.background.key, "wifiDisabled");
    EXPECT_EQ(after.background.colour, theming::rgb(0x333333));
    EXPECT_EQ(after.glyph.colour, theming::rgb(0x444444));
}

TEST_F(ThemingComponentTest, ReReadsTheFilesOnlyOnTheUpdateNotification)
{
    component.start();
    set("airplaneDisabled", "#ABCDEF");
    EXPECT_EQ(toggle(component.palette(), "airplane").background.source, ColourSource::Stock);
    EXPECT_EQ(changes, 0);
    receiveUpdate();
    EXPECT_EQ(changes, 1);
    auto airplane = toggle(component.palette(), "airplane");
    EXPECT_EQ(airplane.background.colour, theming::rgb(0xABCDEF));
    EXPECT_EQ(airplane.background.source, ColourSource::Stored);
}

TEST_F(ThemingComponentTest, SwitchesOffStoredColoursWithTheSettings)
{
    set("wifiEnabled", "#111111");
    set("moduleContainerBackground", "#222222");
    set("connectivityModeEnabled", false);
    component.start();
    auto palette = component.palette();
    EXPECT_EQ(toggle(palette, "wifi").background.source, ColourSource::Stock);
    EXPECT_EQ(palette.moduleBackground.source, ColourSource::Stored);
    set("enabled", false);
    receiveUpdate();
    EXPECT_EQ(component.palette().moduleBackground.source, ColourSource::Stock);
}

TEST_F(ThemingComponentTest, AppliesTheOrderOnlyWhenSpringBoardStarts)
{
    set("connectivityPosition0", "CCUIConnectivityHotspotViewController");
    component.start();
    const std::vector<std::string> first { "hotspot", "airplane", "cellularData", "wifi",
        "bluetooth", "airdrop" };
    EXPECT_EQ(order(component.palette()), first);

    set("connectivityPosition0", "CCUIConnectivityBluetoothViewController");
    set("bluetoothEnabled", "#010203");
    receiveUpdate();
    EXPECT_EQ(order(component.palette()), first); // colours change, the order waits
    EXPECT_EQ(toggle(component.palette(), "bluetooth").background.colour, theming::rgb(0x010203));
    EXPECT_FALSE(component.checkForRestart());

    runSbreload();
    EXPECT_TRUE(component.checkForRestart());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(order(component.palette()).front(), "bluetooth");
    EXPECT_FALSE(component.checkForRestart()); // one run, one restart
}

TEST_F(ThemingComponentTest, DarkPresetReplacesTheSettingsAndAnnouncesItself)
{
    seed(kPresets + "Night.plist", { { "wifiEnabled", fw::Value("#0A0B0C:1.000000") } });
    seed(kPersistent,
        { { "darkDefault", fw::Value("Night") }, { "lightDefault", fw::Value("Day") },
            { "currentPreset", fw::Value("Day") }, { "unsaved", fw::Value(true) } });
    auto page = std::make_shared<PresetPageStandIn>();
    fw::NSDistributedNotificationCenter::defaultCenter().addObserver(
        page, "reload", std::string(theming::presetChangedNotification));
    component.start();

    auto application = component.setAppearance(Appearance::Dark);
    ASSERT_TRUE(application);
    EXPECT_EQ(application->outcome, Outcome::Applied);
    auto journal = fw::Journal::take();
    EXPECT_EQ(effectList(journal),
        (std::vector<std::string> {
            "copy " + kSettings, "write " + kPersistent, "post com.tarrowvine.quillane/update" }));
    EXPECT_EQ(journal.effects[0].from, kPresets + "Night.plist");
    EXPECT_EQ(device.read(kSettings), device.read(kPresets + "Night.plist"));
    auto persistent = fw::dictionaryWithContentsOfFile(kPersistent);
    ASSERT_TRUE(persistent);
    EXPECT_EQ(*persistent,
        (fw::Dictionary { { "darkDefault", fw::Value("Night") },
            { "lightDefault", fw::Value("Day") }, { "currentPreset", fw::Value("Night") },
            { "unsaved", fw::Value(false) } }));

    EXPECT_EQ(changes, 0); // the new colours come with the update notification
    fw::DispatchMainQueue::drain();
    EXPECT_EQ(page->reloads, 1);
    EXPECT_EQ(changes, 1);
    auto palette = component.palette();
    EXPECT_EQ(palette.appearance, Appearance::Dark);
    EXPECT_EQ(toggle(palette, "wifi").background.colour, theming::rgb(0x0A0B0C));
    EXPECT_EQ(palette.appearanceNote, "dark: preset \"Night\" applied");
    fw::NSDistributedNotificationCenter::defaultCenter().removeObserver(page.get());
}

// The note tells what the switch did to the picture; once the settings are others (the switch
// undone, another preset loaded) it no longer does.
TEST_F(ThemingComponentTest, AnAppearanceNoteLastsWhileTheSettingsAreAsTheSwitchLeftThem)
{
    const fw::Dictionary night { { "wifiEnabled", fw::Value("#0A0B0C:1.000000") } };
    const fw::Dictionary before { { "wifiEnabled", fw::Value("#FFFFFF:1.000000") } };
    const fw::Dictionary coral { { "wifiEnabled", fw::Value("#FF7F50:1.000000") } };
    struct Case {
        const char* what;
        std::optional<fw::Dictionary> settingsAfter; // nullopt: the files as the switch left them
        bool noteStays;
    };
    const Case cases[] = {
        { "read again unchanged", std::nullopt, true },
        { "the switch undone", before, false },
        { "another preset loaded", coral, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        seed(kPresets + "Night.plist", night);
        seed(kSettings, before);
        seed(kPersistent, { { "darkDefault", fw::Value("Night") } });
        component.start();
        component.setAppearance(Appearance::Light);
        ASSERT_EQ(component.setAppearance(Appearance::Dark)->outcome, Outcome::Applied);
        fw::DispatchMainQueue::drain();
        ASSERT_EQ(component.palette().appearanceNote, "dark: preset \"Night\" applied");
        if (c.settingsAfter)
            seed(kSettings, *c.settingsAfter);
        receiveUpdate();
        EXPECT_EQ(component.palette().appearanceNote.has_value(), c.noteStays);
    }
}

TEST_F(ThemingComponentTest, SwitchWithoutAUsablePresetChangesNoFile)
{
    seed(kPresets + "Day.plist", { { "wifiEnabled", fw::Value("#0A0B0C") } });
    struct Case {
        const char* what;
        fw::Dictionary persistent;
        Outcome outcome;
        const char* note;
    };
    const Case cases[] = {
        { "none assigned", { { "lightDefault", fw::Value("Day") } }, Outcome::NoneAssigned,
            "dark: no preset assigned; settings unchanged" },
        { "no file", { { "darkDefault", fw::Value("Gone") } }, Outcome::FileMissing,
            "dark: preset \"Gone\" has no preset file; settings unchanged" },
        { "path", { { "darkDefault", fw::Value("../com.tarrowvine.quillane.presets/Day") } },
            Outcome::UnusableName, nullptr },
        { "not a name", { { "darkDefault", fw::Value(4) } }, Outcome::NoneAssigned, nullptr },
    };
    component.start();
    for (const Case& c : cases) {
        seed(kPersistent, c.persistent);
        std::string settingsBefore = device.read(kSettings);
        std::string persistentBefore = device.read(kPersistent);
        changes = 0;
        auto application = component.setAppearance(Appearance::Dark);
        ASSERT_TRUE(application) << c.what;
        EXPECT_EQ(application->outcome, c.outcome) << c.what;
        EXPECT_TRUE(fw::Journal::take().effects.empty()) << c.what;
        EXPECT_EQ(device.read(kSettings), settingsBefore) << c.what;
        EXPECT_EQ(device.read(kPersistent), persistentBefore) << c.what;
        EXPECT_EQ(changes, 1) << c.what; // the appearance itself changed
        if (c.note) {
            EXPECT_EQ(component.palette().appearanceNote, c.note) << c.what;
        }
        EXPECT_FALSE(component.setAppearance(Appearance::Dark)) << c.what;
        component.setAppearance(Appearance::Light);
        fw::Journal::take();
    }
}

TEST_F(ThemingComponentTest, FailedReplacementLeavesEverythingAsItWas)
{
    seed(kPresets + "Night.plist", { { "wifiEnabled", fw::Value("#0A0B0C") } });
    seed(kPersistent, { { "darkDefault", fw::Value("Night") }, { "unsaved", fw::Value(true) } });
    std::string settingsBefore = device.read(kSettings);
    component.start();
    fw::FileFaults::arm(fw::FileOp::Rename, 1);
    auto application = component.setAppearance(Appearance::Dark);
    ASSERT_TRUE(application);
    EXPECT_EQ(application->outcome, Outcome::CopyFailed);
    EXPECT_TRUE(fw::Journal::take().effects.empty());
    EXPECT_EQ(device.read(kSettings), settingsBefore);
    EXPECT_EQ(
        fw::lookup(*fw::dictionaryWithContentsOfFile(kPersistent), "unsaved")->boolValue(), true);
}

TEST_F(ThemingComponentTest, FrontEndFormsCarryTheResolvedColours)
{
    set("wifiEnabled", "#123456");
    set("wifiGlyphEnabled", "bogus");
    component.start();
    auto palette = component.palette();
    std::string table = theming::renderTable(palette);
    EXPECT_NE(table.find("Wi-Fi"), std::string::npos);
    EXPECT_NE(table.find("#123456:1.00 stored"), std::string::npos);
    EXPECT_NE(table.find("stock (stored value unreadable)"), std::string::npos);

    fw::Value value = theming::paletteValue(palette);
    const fw::Array* toggles = fw::lookup(*value.asDictionary(), "connectivity")->asArray();
    ASSERT_EQ(toggles->size(), 6u);
    const fw::Dictionary& wifi = *(*toggles)[2].asDictionary();
    EXPECT_EQ(*fw::lookup(wifi, "name")->asString(), "wifi");
    const fw::Dictionary& background = *fw::lookup(wifi, "background")->asDictionary();
    EXPECT_EQ(*fw::lookup(background, "value")->asString(), "#123456:1.00");
    EXPECT_EQ(*fw::lookup(background, "source")->asString(), "stored");
    EXPECT_EQ(fw::lookup(background, "rgba")->asArray()->size(), 4u);

    // The parts the browser needs beside the colours, each where it looks for it.
    const fw::Dictionary& top = *value.asDictionary();
    const fw::Dictionary& flashlight = *(*fw::lookup(top, "modules")->asArray())[1].asDictionary();
    const fw::Dictionary& states = *fw::lookup(flashlight, "states")->asDictionary();
    EXPECT_EQ(*fw::lookup(*fw::lookup(states, "enabled")->asDictionary(), "key")->asString(),
        "com.apple.control-center.FlashlightModuleEnabled");
    EXPECT_TRUE(fw::lookup(flashlight, "coloured")->boolValue());
    EXPECT_FALSE(fw::lookup(*fw::lookup(top, "tweaks")->asDictionary(), "prysm")->boolValue());
    const fw::Dictionary& firstGroup = *(*fw::lookup(top, "groups")->asArray())[0].asDictionary();
    const fw::Dictionary& firstEntry
        = *(*fw::lookup(firstGroup, "entries")->asArray())[0].asDictionary();
    EXPECT_TRUE(fw::lookup(firstEntry, "shown")->boolValue());
    EXPECT_EQ(fw::lookup(top, "backdrop")->asArray()->size(), 4u);
    const fw::Array& pairs = *fw::lookup(top, "legibility")->asArray();
    ASSERT_FALSE(pairs.empty());
    const fw::Dictionary& pair = *pairs[0].asDictionary();
    for (const char* field :
        { "part", "foreground", "background", "layers", "ratio", "minimum", "warn" })
        EXPECT_NE(fw::lookup(pair, field), nullptr) << field;
    EXPECT_EQ(fw::lookup(pair, "layers")->asArray()->size(), 2u);
}

} // namespace
