#include "CellTestPage.hpp"
#include "foundation/NSFileManager.hpp"
#include "store/SettingsStore.hpp"
#include "support/TestDevice.hpp"
#include "uikit/UIAlertController.hpp"

#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

const std::string kWriteCellPath = "write " + std::string(qln::settingsFileVarMobile);
const std::string kWritePagePath = "write " + std::string(qln::settingsFile);
const std::string kMark = "write " + std::string(qln::persistentFile);
const std::string kPost = "post " + std::string(qln::updateNotification);

const fw::Value kOld("#010203:1.000000");
const fw::Value kProtected("#0A0B0C:0.500000");
const fw::Value kRed("#FF0000:1.000000");

// A page like the section pages: colour rows A and B, a protected background row, a global row
// G, a switch row C, and a colour row without a key.
class ColourRowEditing : public testing::Test {
protected:
    void SetUp() override
    {
        seedFile(qln::persistentFile, { { "unsaved", fw::Value(false) } });
        seedFile(qln::settingsFile, initialSettings());
        page->layoutTable();
        fw::Journal::take();
    }

    static fw::Dictionary initialSettings()
    {
        return { { "A", kOld }, { "C", fw::Value(true) },
            { "moduleContainerBackground", kProtected }, { "unrelated", fw::Value(7) } };
    }

    std::shared_ptr<qln::QLNColorPicker> cell(std::string_view key)
    {
        return page->cellWithKey<qln::QLNColorPicker>(key);
    }

    std::shared_ptr<fw::UIAlertController> alert()
    {
        return std::dynamic_pointer_cast<fw::UIAlertController>(page->presentedViewController());
    }

    std::shared_ptr<fw::SparkColourPickerViewController> picker()
    {
        return std::dynamic_pointer_cast<fw::SparkColourPickerViewController>(
            page->presentedViewController());
    }

    fw::Dictionary settings() { return qln::readSettings().value_or(fw::Dictionary {}); }

    bool unsaved()
    {
        auto persistent = fw::dictionaryWithContentsOfFile(qln::persistentFile);
        const fw::Value* flag = persistent ? fw::lookup(*persistent, "unsaved") : nullptr;
        return flag && flag->boolValue();
    }

    void longPress(const std::shared_ptr<qln::QLNColorPicker>& row)
    {
        ASSERT_TRUE(row->lpgr()->shouldReceiveTouch());
        row->lpgr()->deliver(fw::UIGestureRecognizerState::Began);
        row->lpgr()->deliver(fw::UIGestureRecognizerState::Changed);
        row->lpgr()->deliver(fw::UIGestureRecognizerState::Ended);
    }

    TestDevice device;
    std::shared_ptr<CellTestPage> page = std::make_shared<CellTestPage>([](const fw::Id& target) {
        auto group = fw::PSSpecifier::preferenceSpecifierNamed(
            "", target, "", "", nullptr, fw::PSGroupCell, nullptr);
        auto keyless
            = settingsRow(target, "Keyless", &qln::QLNColorPicker::classObject(), std::nullopt);
        return fw::SpecifierList {
            group,
            colourRow(target, "A"),
            colourRow(target, "B"),
            colourRow(target, "moduleContainerBackground"),
            keyless,
            settingsRow(target, "Switch", nullptr, "C", fw::PSSwitchCell),
            colourRow(target, "G", true),
        };
    });
};

TEST_F(ColourRowEditing, PickerReportsAreKeptUntilTheClose)
{
    auto row = cell("B");
    page->tapSpecifier(page->rowWithKey("B"));
    ASSERT_TRUE(picker());
    picker()->reportColour(fw::UIColor::colorWithRed(0, 1, 0, 1));
    picker()->reportColour(fw::UIColor::colorWithRed(1, 0, 0, 1));
    EXPECT_EQ(row->currentColor(), fw::UIColor::colorWithRed(1, 0, 0, 1));
    EXPECT_TRUE(fw::Journal::take().effects.empty());
    EXPECT_EQ(settings(), initialSettings());

    picker()->close();
    EXPECT_FALSE(page->presentedViewController());
    EXPECT_EQ(effectLines(fw::Journal::take()),
        (std::vector<std::string> { kWritePagePath, kMark, kPost }));
    EXPECT_EQ(settings().at("B"), kRed);
    EXPECT_TRUE(unsaved());
    EXPECT_EQ(row->detailTextLabel()->text(), "#FF0000");
    // The colour survives the close: closing again without a report stores it again.
    EXPECT_EQ(row->currentColor(), fw::UIColor::colorWithRed(1, 0, 0, 1));
    page->tapSpecifier(page->rowWithKey("B"));
    picker()->close();
    EXPECT_EQ(fw::Journal::take().posted.size(), 1u);
}

// Whoever draws the row reads its swatch through the framework's picker cell, which must follow
// the display, the colour being picked and a reset.
TEST_F(ColourRowEditing, SwatchFollowsDisplayPickingAndReset)
{
    auto row = cell("A");
    const fw::SparkColourPickerCell& drawn = *row;
    struct Step {
        const char* what;
        std::function<void()> act;
        std::optional<std::string> value;
        bool hidden;
    };
    const Step steps[] = {
        { "first display", [] {}, "#010203:1.000000", false },
        { "a reported colour",
            [&] {
                page->tapSpecifier(page->rowWithKey("A"));
                picker()->reportColour(fw::UIColor::colorWithRed(1, 0, 0, 1));
            },
            "#FF0000:1.000000", false },
        { "the close", [&] { picker()->close(); }, "#FF0000:1.000000", false },
        { "a reset", [&] { longPress(row); }, std::nullopt, true },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        ASSERT_TRUE(drawn.swatch());
        EXPECT_EQ(drawn.swatchValue(), step.value);
        EXPECT_EQ(drawn.swatch()->isHidden(), step.hidden);
    }
    const fw::SparkColourPickerCell& global = *cell("G");
    EXPECT_FALSE(global.swatch());
}

TEST_F(ColourRowEditing, ClosingWithoutAReportStoresNothing)
{
    page->tapSpecifier(page->rowWithKey("A"));
    ASSERT_TRUE(picker());
    picker()->close();
    EXPECT_TRUE(fw::Journal::take().effects.empty());
    EXPECT_EQ(settings(), initialSettings());
}

TEST_F(ColourRowEditing, GlobalColourSpreadsToQualifyingRowsWithOneNotification)
{
    auto global = cell("G");
    page->tapSpecifier(page->rowWithKey("G"));
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->title, "Set Global Color");
    EXPECT_EQ(alert()->message,
        "This will overwrite all colors in the current category. Do you want to continue?");
    ASSERT_EQ(alert()->actions().size(), 2u);
    EXPECT_EQ(alert()->actions()[0]->title, "Yes");
    EXPECT_EQ(alert()->actions()[0]->style, fw::UIAlertActionStyleDefault);
    EXPECT_EQ(alert()->actions()[1]->title, "Cancel");
    EXPECT_EQ(alert()->actions()[1]->style, fw::UIAlertActionStyleCancel);
    ASSERT_TRUE(alert()->chooseAction("Yes"));

    ASSERT_TRUE(picker());
    picker()->reportColour(fw::UIColor::colorWithRed(1, 0, 0, 1));
    EXPECT_TRUE(fw::Journal::take().effects.empty());
    int buildsBefore = page->builds;
    picker()->close();

    auto journal = fw::Journal::take();
    EXPECT_EQ(effectLines(journal), (std::vector<std::string> { kWriteCellPath, kMark, kPost }));
    fw::Dictionary expected = initialSettings();
    expected["A"] = kRed;
    expected["B"] = kRed;
    expected["G"] = kRed;
    EXPECT_EQ(settings(), expected);
    EXPECT_TRUE(unsaved());
    EXPECT_EQ(page->builds, buildsBefore + 1);
    EXPECT_EQ(global->currentColor(), fw::UIColor::colorWithRed(1, 0, 0, 1));
}

TEST_F(ColourRowEditing, GlobalPickerClosedWithoutAColourDoesNothing)
{
    page->tapSpecifier(page->rowWithKey("G"));
    ASSERT_TRUE(alert()->chooseAction("Yes"));
    int buildsBefore = page->builds;
    picker()->close();
    EXPECT_TRUE(fw::Journal::take().effects.empty());
    EXPECT_EQ(page->builds, buildsBefore);
}

TEST_F(ColourRowEditing, OneLongPressOnAGlobalRowShowsOneResetAlert)
{
    seedFile(qln::settingsFile, [] {
        auto all = initialSettings();
        all["B"] = kOld;
        all["G"] = kOld;
        return all;
    }());
    longPress(cell("G"));

    auto journal = fw::Journal::take();
    EXPECT_TRUE(journal.effects.empty());
    EXPECT_EQ(
        journal.refused, (std::vector<std::string> { "Reset Global Color", "Reset Global Color" }));
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->title, "Reset Global Color");
    EXPECT_EQ(alert()->message,
        "This will reset all colors in the current category. Do you want to continue?");
    EXPECT_EQ(alert()->actions()[0]->title, "Yes");
    EXPECT_EQ(alert()->actions()[1]->title, "Cancel");

    // The reset writes the snapshot taken at the press: a later change is overwritten.
    seedFile(qln::settingsFile, [] {
        auto all = initialSettings();
        all["late"] = fw::Value(1);
        return all;
    }());
    int buildsBefore = page->builds;
    ASSERT_TRUE(alert()->chooseAction("Yes"));
    EXPECT_EQ(effectLines(fw::Journal::take()),
        (std::vector<std::string> { kWriteCellPath, kMark, kPost }));
    fw::Dictionary expected = initialSettings();
    expected.erase("A");
    EXPECT_EQ(settings(), expected);
    EXPECT_EQ(page->builds, buildsBefore + 1);
}

TEST_F(ColourRowEditing, CancelledGlobalResetChangesNothing)
{
    longPress(cell("G"));
    fw::Journal::take();
    ASSERT_TRUE(alert()->chooseAction("Cancel"));
    EXPECT_TRUE(fw::Journal::take().effects.empty());
    EXPECT_EQ(settings(), initialSettings());
}

TEST_F(ColourRowEditing, LongPressOnARowRewritesAtEveryMessageAndShowsDefault)
{
    auto row = cell("A");
    row->setCurrentColor(fw::UIColor::colorWithRed(0, 0, 1, 1));
    longPress(row);

    auto journal = fw::Journal::take();
    std::vector<std::string> once { kWriteCellPath, kMark, kPost };
    std::vector<std::string> thrice;
    for (int i = 0; i < 3; ++i)
        thrice.insert(thrice.end(), once.begin(), once.end());
    EXPECT_EQ(effectLines(journal), thrice);
    EXPECT_FALSE(page->presentedViewController());
    fw::Dictionary expected = initialSettings();
    expected.erase("A");
    EXPECT_EQ(settings(), expected);
    EXPECT_TRUE(unsaved());
    EXPECT_FALSE(row->currentColor());
    EXPECT_EQ(row->detailTextLabel()->text(), "Default");
    EXPECT_TRUE(row->colorPreview()->isHidden());
}

TEST_F(ColourRowEditing, LongPressWithoutSettingsFileStillMarksAndNotifies)
{
    ASSERT_TRUE(fw::NSFileManager::defaultManager().removeItemAtPath(qln::settingsFile));
    fw::Journal::take();
    cell("B")->handleLongPress(nullptr);
    EXPECT_EQ(effectLines(fw::Journal::take()), (std::vector<std::string> { kMark, kPost }));
    EXPECT_FALSE(device.exists(qln::settingsFile));
}

TEST_F(ColourRowEditing, KeylessColourRowIsLeftOutEverywhere)
{
    auto keyless = std::dynamic_pointer_cast<qln::QLNColorPicker>(
        page->cellForSpecifier(page->specifiers()[4]));
    ASSERT_TRUE(keyless);
    keyless->handleLongPress(nullptr);
    EXPECT_TRUE(fw::Journal::take().effects.empty());
    EXPECT_EQ(keyless->detailTextLabel()->text(), "Default");
}

} // namespace
