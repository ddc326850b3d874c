#include "foundation/Dispatch.hpp"
#include "foundation/Notifications.hpp"
#include "foundation/UIPasteboard.hpp"
#include "presets/PresetExchange.hpp"
#include "presets/PresetsPageSupport.hpp"
#include "store/SettingsStore.hpp"
#include "uikit/UILabel.hpp"

#include <gtest/gtest.h>

namespace {

using namespace bundletest;

void markUnsavedAndReload(QLNPresetsController& page)
{
    qln::markUnsaved();
    page.reloadSpecifiers();
}

TEST(PresetsPage, CurrentPresetAndUnsavedFollowEveryOperation)
{
    BundleDevice device;
    auto page = device.push<QLNPresetsController>();
    EXPECT_EQ(presetState(device), (PresetState { std::nullopt, false }));

    createPreset(*page, "Day");
    EXPECT_EQ(presetState(device), (PresetState { "Day", false }));
    EXPECT_EQ(device.device.read(device.presetFile("Day")), device.device.read(qln::settingsFile));

    writeSetting("enabled", fw::Value(false));
    markUnsavedAndReload(*page);
    EXPECT_EQ(presetState(device), (PresetState { "Day", true }));
    EXPECT_TRUE(presetRow(*page, "Day")->boolForKey("isUnsaved"));

    page->navigationItem().rightBarButtonItem->tap();
    EXPECT_EQ(presetState(device), (PresetState { "Day", false }));
    EXPECT_EQ(device.device.read(device.presetFile("Day")), device.device.read(qln::settingsFile));

    createPreset(*page, "Night");
    writeSetting("enabled", fw::Value(true));
    markUnsavedAndReload(*page);
    EXPECT_EQ(presetState(device), (PresetState { "Night", true }));

    // Loading with unsaved work asks first, then brings back the saved state.
    page->loadPreset("Day");
    EXPECT_EQ(shown(*page).first, "Day");
    ASSERT_TRUE(choose(*page, "OK"));
    EXPECT_EQ(presetState(device), (PresetState { "Day", false }));
    EXPECT_EQ(device.device.read(qln::settingsFile), device.device.read(device.presetFile("Day")));

    ASSERT_TRUE(choosePresetAction(*page, "Night", "Use for Dark Mode"));
    fw::UIPasteboard::generalPasteboard().setString(qln::PresetExchange::encode("text"));
    page->importPreset();
    choose(*page, "Save", { "Imported" });
    EXPECT_EQ(presetState(device), (PresetState { "Day", false }));

    markUnsavedAndReload(*page);
    EXPECT_TRUE(saveEnabled(*page));
    ASSERT_TRUE(choosePresetAction(*page, "Day", "Delete"));
    ASSERT_TRUE(choose(*page, "Yes"));
    EXPECT_EQ(presetState(device), (PresetState { std::nullopt, true }));
    EXPECT_FALSE(saveEnabled(*page));
    EXPECT_EQ(presetNames(*page), (std::vector<std::string> { "Imported", "Night" }));
    EXPECT_TRUE(presetRow(*page, "Night")->boolForKey("isDarkDefault"));
}

TEST(PresetsPage, SaveIsEnabledExactlyWithACurrentPresetAndUnsavedWork)
{
    struct Case {
        fw::Dictionary persistent;
        bool enabled;
    };
    std::vector<Case> cases = {
        { {}, false },
        { { { "currentPreset", fw::Value("A") }, { "unsaved", fw::Value(false) } }, false },
        { { { "unsaved", fw::Value(true) } }, false },
        { { { "currentPreset", fw::Value("A") }, { "unsaved", fw::Value(true) } }, true },
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        BundleDevice device;
        device.writePreset("A", "x");
        device.setPersistent(cases[i].persistent);
        auto page = device.push<QLNPresetsController>();
        const auto& button = page->navigationItem().rightBarButtonItem;
        ASSERT_TRUE(button);
        EXPECT_EQ(button->title, "Save");
        EXPECT_EQ(button->enabled, cases[i].enabled);
    }
}

TEST(PresetsPage, LoadAsksExactlyWhenThereIsUnsavedWork)
{
    for (bool unsaved : { false, true }) {
        for (bool withCurrent : { false, true }) {
            SCOPED_TRACE(std::to_string(unsaved) + std::to_string(withCurrent));
            BundleDevice device;
            device.writePreset("A", fw::xmlPropertyList(fw::Value(fw::Dictionary {})));
            fw::Dictionary persistent { { "unsaved", fw::Value(unsaved) } };
            if (withCurrent)
                persistent["currentPreset"] = fw::Value("B");
            device.setPersistent(persistent);
            auto page = device.push<QLNPresetsController>();
            std::string before = device.device.read(qln::settingsFile);
            fw::Journal::take();

            page->loadPreset("A");
            if (unsaved) {
                EXPECT_EQ(shown(*page).second,
                    "You have unsaved changes. If you load this "
                    "preset, all your changes will be lost!");
                ASSERT_TRUE(choose(*page, "Cancel"));
                EXPECT_EQ(device.device.read(qln::settingsFile), before);
                EXPECT_TRUE(fw::Journal::take().posted.empty());
                page->loadPreset("A");
                ASSERT_TRUE(choose(*page, "OK"));
            }
            EXPECT_FALSE(presented(*page));
            EXPECT_EQ(fw::Journal::take().posted,
                (std::vector<std::string> { std::string(qln::updateNotification) }));
            EXPECT_EQ(presetState(device), (PresetState { "A", false }));
        }
    }
}

TEST(PresetsPage, PresetRowsCarryOnlyTheFlagsThatHold)
{
    BundleDevice device;
    device.writePreset("A", "x");
    device.writePreset("B", "x");
    device.setPersistent({ { "currentPreset", fw::Value("A") }, { "unsaved", fw::Value(false) },
        { "lightDefault", fw::Value("B") } });
    auto page = device.push<QLNPresetsController>();
    auto a = presetRow(*page, "A");
    auto b = presetRow(*page, "B");
    EXPECT_EQ(a->classForKey("cellClass"), fw::NSClassFromString("QLNPreset"));
    EXPECT_EQ(*a->stringForKey("textColor"), "regular");
    EXPECT_EQ(a->buttonAction(), "selectPreset:");
    EXPECT_TRUE(a->boolForKey("isActive"));
    for (const char* absent : { "isUnsaved", "isDarkDefault", "isLightDefault" })
        EXPECT_EQ(a->propertyForKey(absent), nullptr) << absent;
    EXPECT_EQ(b->propertyForKey("isActive"), nullptr);
    EXPECT_TRUE(b->boolForKey("isLightDefault"));
    // The layout file's rows come first.
    EXPECT_EQ(page->specifiers().front()->stringForKey("fileName"), nullptr);
}

TEST(PresetActionSheet, OffersModeActionsFromThirteenOrWithNoctis)
{
    struct Case {
        const char* version;
        bool noctis;
        bool modeActions;
    };
    std::vector<Case> cases = {
        { "12.4", false, false },
        { "9.3", false, false },
        { "12.4", true, true },
        { "13.0", false, true },
        { "14.4", false, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.version) + (c.noctis ? " with Noctis" : ""));
        device::DeviceOptions options;
        options.systemVersion = c.version;
        options.noctis = c.noctis;
        BundleDevice device(options);
        device.writePreset("A", "x");
        auto page = device.push<QLNPresetsController>();
        page->tapSpecifier(presetRow(*page, "A"));
        auto sheet = presented(*page);
        ASSERT_TRUE(sheet);
        EXPECT_EQ(sheet->preferredStyle, fw::UIAlertControllerStyleActionSheet);
        EXPECT_EQ(sheet->message, "Select an action for this preset");
        std::vector<std::string> expected { "Cancel", "Load", "Export" };
        if (c.modeActions)
            expected.insert(expected.end(), { "Use for Dark Mode", "Use for Light Mode" });
        expected.push_back("Delete");
        EXPECT_EQ(actionTitles(*sheet), expected);
    }
}

TEST(PresetActionSheet, TheDarkDefaultCanStopOrMoveToLight)
{
    BundleDevice device;
    device.writePreset("A", "x");
    device.setPersistent({ { "darkDefault", fw::Value("A") } });
    auto page = device.push<QLNPresetsController>();
    page->tapSpecifier(presetRow(*page, "A"));
    EXPECT_EQ(actionTitles(*presented(*page)),
        (std::vector<std::string> { "Cancel", "Load", "Export", "Stop using for Dark Mode",
            "Use for Light Mode", "Delete" }));
    ASSERT_TRUE(choose(*page, "Use for Light Mode"));
    EXPECT_EQ(device.persistent(), (fw::Dictionary { { "lightDefault", fw::Value("A") } }));
    EXPECT_TRUE(presetRow(*page, "A")->boolForKey("isLightDefault"));

    ASSERT_TRUE(choosePresetAction(*page, "A", "Stop using for Light Mode"));
    EXPECT_TRUE(device.persistent().empty());
}

TEST(PresetActionSheet, IsAnchoredAtTheTitleLabelOrElseAtTheTappedRow)
{
    BundleDevice device;
    device.writePreset("Night", "x");
    device.writePreset("", "x");
    auto page = device.push<QLNPresetsController>();

    page->tapSpecifier(presetRow(*page, "Night"));
    auto sheet = presented(*page);
    EXPECT_EQ(sheet->modalPresentationStyle, fw::UIModalPresentationPopover);
    auto anchor = std::dynamic_pointer_cast<fw::UILabel>(
        sheet->popoverPresentationController().sourceView.lock());
    ASSERT_TRUE(anchor);
    EXPECT_TRUE(anchor->isKindOfClass(fw::UITableViewLabel::classObject()));
    EXPECT_EQ(anchor->text(), "Night");
    EXPECT_EQ(sheet->popoverPresentationController().sourceRect, anchor->bounds());
    choose(*page, "Cancel");

    auto unnamed = presetRow(*page, "");
    page->tapSpecifier(unnamed);
    auto source = presented(*page)->popoverPresentationController().sourceView.lock();
    EXPECT_EQ(source, page->cellForSpecifier(unnamed));
}

TEST(PresetsPage, RebuildsOnThePresetChangedNotificationUntilItIsPopped)
{
    BundleDevice device;
    auto page = device.push<QLNPresetsController>();
    auto& center = fw::NSDistributedNotificationCenter::defaultCenter();
    page->reloadSpecifiers();
    EXPECT_EQ(center.observerCount(qln::presetChangedNotification), 1);

    device.writePreset("External", "x");
    center.postNotificationName(qln::presetChangedNotification);
    fw::DispatchMainQueue::drain();
    EXPECT_EQ(presetNames(*page), (std::vector<std::string> { "External" }));

    device.navigation->popViewControllerAnimated(true);
    EXPECT_EQ(center.observerCount(qln::presetChangedNotification), 0);
}

TEST(PresetsPage, ALateNotificationForAPageThatIsGoneDoesNothing)
{
    BundleDevice device;
    device.push<QLNPresetsController>();
    device.navigation.reset(); // the page goes with its stack, never popped
    // A page still alive would re-create the directory when it rebuilds.
    std::filesystem::remove_all(device.device.hostPath(qln::presetPath));
    fw::Journal::take();
    fw::NSDistributedNotificationCenter::defaultCenter().postNotificationName(
        qln::presetChangedNotification);
    fw::DispatchMainQueue::drain();
    EXPECT_TRUE(fw::Journal::take().effects.empty());
}

TEST(PresetsPage, ADeleteConfirmedAfterARebuildRemovesTheFileKeysAndTheRowNowShowingIt)
{
    BundleDevice device;
    device.writePreset("A", "x");
    device.writePreset("B", "x");
    device.setPersistent({ { "currentPreset", fw::Value("A") }, { "unsaved", fw::Value(true) } });
    auto page = device.push<QLNPresetsController>();
    ASSERT_TRUE(choosePresetAction(*page, "A", "Delete"));
    page->reloadSpecifiers(); // the preset-changed notification arrived meanwhile
    ASSERT_TRUE(choose(*page, "Yes"));
    EXPECT_FALSE(device.device.exists(device.presetFile("A")));
    EXPECT_EQ(presetState(device), (PresetState { std::nullopt, true }));
    EXPECT_EQ(presetNames(*page), (std::vector<std::string> { "B" }));
    EXPECT_FALSE(saveEnabled(*page));

    // A rebuild that brought another preset in front keeps it: only the deleted name goes.
    device.writePreset("0", "x");
    ASSERT_TRUE(choosePresetAction(*page, "B", "Delete"));
    page->reloadSpecifiers();
    ASSERT_TRUE(choose(*page, "Yes"));
    EXPECT_EQ(presetNames(*page), (std::vector<std::string> { "0" }));
}

} // namespace
