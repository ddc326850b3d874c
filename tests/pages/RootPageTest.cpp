#include "foundation/FileFaults.hpp"
#include "pages/QLNRootListController.hpp"
#include "presets/BundleDevice.hpp"
#include "presets/QLNPresetsController.hpp"

#include <gtest/gtest.h>

namespace {

using namespace bundletest;
using qln::QLNRootListController;

constexpr const char* kWelcome
    = "Thank you for buying Quillane! Here you can configure colors and other settings for all "
      "parts of your Control Center.\n\nWhenever you want to reset a specific color setting, "
      "simply long-press on the setting name and the color will be reset to the default.";

std::vector<std::string> rowTitles(QLNRootListController& page)
{
    std::vector<std::string> titles;
    for (const auto& row : page.specifiers())
        titles.push_back(row->name());
    return titles;
}

std::shared_ptr<fw::PSSpecifier> rowTitled(QLNRootListController& page, std::string_view title)
{
    for (const auto& row : page.specifiers()) {
        if (row->name() == title)
            return row;
    }
    return nullptr;
}

// The root page after the welcome alert (if any) was dismissed.
std::shared_ptr<QLNRootListController> openRoot(BundleDevice& device)
{
    auto page = device.push<QLNRootListController>();
    choose(*page, "OK");
    fw::Journal::take();
    return page;
}

void confirmReset(QLNRootListController& page)
{
    page.tapSpecifier(rowTitled(page, "Reset All Settings"));
    choose(page, "Yes");
}

TEST(RootPage, PrysmRowsAppearOnlyWithPrysm)
{
    for (bool prysm : { false, true }) {
        SCOPED_TRACE(prysm);
        device::DeviceOptions options;
        options.prysm = prysm;
        BundleDevice device(options);
        auto page = openRoot(device);
        auto titles = rowTitles(*page);
        for (const char* title : { "Prysm", "Battery", "Power Menu", "Weather" })
            EXPECT_EQ(std::count(titles.begin(), titles.end(), title), prysm ? 1 : 0) << title;
        for (const char* title : { "Presets", "Connectivity", "Reset All Settings" })
            EXPECT_EQ(std::count(titles.begin(), titles.end(), title), 1) << title;
    }
}

TEST(RootPage, WelcomesOnceAndLeavesTheMarker)
{
    BundleDevice device;
    auto first = device.push<QLNRootListController>();
    EXPECT_EQ(shown(*first), (std::pair<std::string, std::string> { "Welcome", kWelcome }));
    EXPECT_EQ(actionTitles(*presented(*first)), (std::vector<std::string> { "OK" }));
    EXPECT_TRUE(device.device.exists(qln::configuredMarker));
    EXPECT_EQ(device.device.read(qln::configuredMarker), "");
    choose(*first, "OK");

    confirmReset(*first); // the reset keeps the marker too
    device.navigation->popViewControllerAnimated(true);
    auto second = device.push<QLNRootListController>();
    EXPECT_FALSE(presented(*second));
    EXPECT_TRUE(device.device.exists(qln::configuredMarker));
}

TEST(RootPage, TheTintGoesOnlyWhenReturningToTheSettingsList)
{
    BundleDevice device;
    auto root = openRoot(device);
    auto& bar = device.navigation->navigationBar();
    EXPECT_EQ(bar.tintColor, qln::accentColour());

    for (const auto& row : root->specifiers()) {
        if (row->detailControllerClass() == &qln::QLNPresetsController::classObject())
            root->tapSpecifier(row);
    }
    EXPECT_EQ(device.navigation->viewControllers().size(), 3u);
    EXPECT_EQ(bar.tintColor, qln::accentColour());
    device.navigation->popViewControllerAnimated(true);
    EXPECT_EQ(bar.tintColor, qln::accentColour());

    device.navigation->popViewControllerAnimated(true);
    EXPECT_EQ(bar.tintColor, std::nullopt);
}

TEST(RootReset, ReplacesTheSettingsThenPostsThenForgetsTheCurrentPreset)
{
    BundleDevice device;
    device.device.write(qln::settingsFile, "<plist>changed</plist>");
    fw::Dictionary keep { { "unsaved", fw::Value(true) }, { "darkDefault", fw::Value("D") },
        { "lightDefault", fw::Value("L") } };
    fw::Dictionary persistent = keep;
    persistent["currentPreset"] = fw::Value("D");
    device.setPersistent(persistent);
    device.writePreset("D", "preset");
    auto page = openRoot(device);

    page->resetSettings();
    EXPECT_EQ(shown(*page),
        (std::pair<std::string, std::string> { "Reset All Settings",
            "Are you sure you want to reset all settings to the default value?" }));
    EXPECT_EQ(presented(*page)->actions()[0]->style, fw::UIAlertActionStyleDestructive);
    choose(*page, "Yes");

    auto effects = fw::Journal::take().effects;
    ASSERT_EQ(effects.size(), 3u);
    EXPECT_EQ(effects[0].op, "copy");
    EXPECT_EQ(effects[0].path, qln::settingsFile);
    EXPECT_EQ(effects[0].from, qln::defaultsFile);
    EXPECT_EQ(effects[1].op, "post");
    EXPECT_EQ(effects[1].name, qln::updateNotification);
    EXPECT_EQ(effects[2].op, "write");
    EXPECT_EQ(effects[2].path, qln::persistentFile);

    EXPECT_EQ(device.device.read(qln::settingsFile), device.device.read(qln::defaultsFile));
    EXPECT_EQ(device.persistent(), keep);
    EXPECT_EQ(device.device.read(device.presetFile("D")), "preset");
    EXPECT_EQ(shown(*page),
        (std::pair<std::string, std::string> { "Success", "All settings resetted." }));
}

TEST(RootReset, CancelChangesNothing)
{
    BundleDevice device;
    auto page = openRoot(device);
    page->resetSettings();
    choose(*page, "Cancel");
    auto journal = fw::Journal::take();
    EXPECT_TRUE(journal.effects.empty());
    EXPECT_FALSE(presented(*page));
}

TEST(RootReset, WithoutPersistentFileStillResetsAndSucceeds)
{
    BundleDevice device;
    std::filesystem::remove(device.device.hostPath(qln::persistentFile));
    auto page = openRoot(device);
    confirmReset(*page);
    auto journal = fw::Journal::take();
    EXPECT_EQ(journal.posted, (std::vector<std::string> { std::string(qln::updateNotification) }));
    EXPECT_EQ(journal.effects.size(), 2u);
    EXPECT_FALSE(device.device.exists(qln::persistentFile));
    EXPECT_EQ(shown(*page).first, "Success");
}

TEST(RootReset, FailsWithoutTouchingAnythingWhenTheDefaultsCannotBeUsed)
{
    struct Case {
        const char* what;
        std::function<void(BundleDevice&)> arrange;
        const char* message;
    };
    const char* unread = "The default settings could not be read. Your settings were not changed.";
    std::vector<Case> cases = {
        { "defaults missing",
            [](BundleDevice& d) { std::filesystem::remove(d.device.hostPath(qln::defaultsFile)); },
            unread },
        { "defaults damaged", [](BundleDevice& d) { d.device.write(qln::defaultsFile, "<plist"); },
            unread },
        { "defaults not a dictionary",
            [](BundleDevice& d) { d.device.write(qln::defaultsFile, "<plist><array/></plist>"); },
            unread },
        { "replacement fails", [](BundleDevice&) { fw::FileFaults::arm(fw::FileOp::Rename); },
            "The default settings could not be copied. Your settings were not changed." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BundleDevice device;
        device.device.write(qln::settingsFile, "<plist>mine</plist>");
        device.setPersistent({ { "currentPreset", fw::Value("A") } });
        std::string persistent = device.device.read(qln::persistentFile);
        auto page = openRoot(device);
        c.arrange(device);
        confirmReset(*page);
        fw::FileFaults::clear();

        EXPECT_EQ(
            shown(*page), (std::pair<std::string, std::string> { "Reset failed", c.message }));
        EXPECT_EQ(actionTitles(*presented(*page)), (std::vector<std::string> { "OK" }));
        auto journal = fw::Journal::take();
        EXPECT_TRUE(journal.effects.empty());
        EXPECT_TRUE(journal.posted.empty());
        EXPECT_EQ(device.device.read(qln::settingsFile), "<plist>mine</plist>");
        EXPECT_EQ(device.device.read(qln::persistentFile), persistent);
    }
}

} // namespace
