#include "CellTestPage.hpp"
#include "cells/CellClasses.hpp"
#include "foundation/NSFileManager.hpp"
#include "store/UIColor+Quillane.hpp"
#include "support/TestDevice.hpp"

#include <gtest/gtest.h>

namespace {

class ColourRowDisplay : public testing::Test {
protected:
    void SetUp() override
    {
        seedFile(qln::settingsFile, {});
        page->layoutTable();
    }

    std::shared_ptr<qln::QLNColorPicker> cell(std::string_view key)
    {
        return page->cellWithKey<qln::QLNColorPicker>(key);
    }

    TestDevice device;
    std::shared_ptr<CellTestPage> page = std::make_shared<CellTestPage>([](const fw::Id& target) {
        auto keyless
            = settingsRow(target, "Keyless", &qln::QLNColorPicker::classObject(), std::nullopt);
        return fw::SpecifierList { colourRow(target, "A"), colourRow(target, "G", true), keyless };
    });
};

TEST_F(ColourRowDisplay, IsRegisteredByName)
{
    qln::registerCellClasses();
    EXPECT_EQ(fw::NSClassFromString("QLNColorPicker"), &qln::QLNColorPicker::classObject());
}

TEST_F(ColourRowDisplay, StoredValueShowsHexAndTruncatedOpacity)
{
    struct Case {
        fw::Value stored;
        const char* detail; // nullptr: "Default" without swatch
    };
    const Case cases[] = {
        { fw::Value("#1A2B3C:0.500000"), "#1A2B3C 50%" },
        { fw::Value("#1A2B3C:1.000000"), "#1A2B3C" },
        { fw::Value("#1A2B3C:0.125000"), "#1A2B3C 12%" },
        { fw::Value("#1A2B3C:0.000000"), "Hidden" },
        { fw::Value("#1A2B3C:0.004000"), "Hidden" },
        // 0.29 × 100.0 lies just below 29 in double precision.
        { fw::Value("#1A2B3C:0.290000"), "#1A2B3C 28%" },
        { fw::Value("#1A2B3C:0.570000"), "#1A2B3C 56%" },
        { fw::Value("#1A2B3C:0.580000"), "#1A2B3C 57%" },
        { fw::Value("#1A2B3C:0.130000"), "#1A2B3C 13%" },
        { fw::Value("#1A2B3C"), "#1A2B3C" },
        // Fewer than four characters after the colon are read as they are.
        { fw::Value("#1A2B3C:0.5"), "#1A2B3C 50%" },
        { fw::Value("#1A2B3C:"), "Hidden" },
        // A negative opacity draws nothing, so it reads as hidden rather than "-50%".
        { fw::Value("#1A2B3C:-0.5"), "Hidden" },
        // Four characters, not four bytes: an ideographic space (three bytes) is white space
        // before the number, as the swatch reads it too.
        { fw::Value("#FF8000:\u30000.75"), "#FF8000 70%" },
        { fw::Value("#FF8000:\u00a00.75"), "#FF8000 70%" },
        { fw::Value(42), nullptr },
        { fw::Value(true), nullptr },
        { fw::Value(""), nullptr },
    };
    auto row = cell("A");
    ASSERT_TRUE(row);
    for (const Case& c : cases) {
        seedFile(qln::settingsFile, { { "A", c.stored } });
        row->updateCellDisplay();
        const auto& swatch = row->colorPreview();
        ASSERT_TRUE(swatch);
        if (!c.detail) {
            EXPECT_EQ(row->detailTextLabel()->text(), "Default");
            EXPECT_EQ(row->detailTextLabel()->alpha(), 0.5);
            EXPECT_TRUE(swatch->isHidden());
            continue;
        }
        const std::string& value = *c.stored.asString();
        EXPECT_EQ(row->detailTextLabel()->text(), c.detail) << value;
        EXPECT_EQ(row->detailTextLabel()->alpha(), 1.0) << value;
        EXPECT_FALSE(swatch->isHidden()) << value;
        EXPECT_EQ(swatch->backgroundColor(), qln::qlnRGBAColorFromHexString(value)) << value;
        EXPECT_EQ(swatch->layer().shadowColor, swatch->backgroundColor()) << value;
    }
}

TEST_F(ColourRowDisplay, NoStoredValueShowsDefaultAtHalfOpacity)
{
    auto row = cell("A");
    EXPECT_EQ(row->detailTextLabel()->text(), "Default");
    EXPECT_EQ(row->detailTextLabel()->alpha(), 0.5);
    EXPECT_TRUE(row->colorPreview()->isHidden());
    EXPECT_EQ(row->previewColor(), std::nullopt);
}

TEST_F(ColourRowDisplay, MissingSettingsFileShowsDefault)
{
    ASSERT_TRUE(fw::NSFileManager::defaultManager().removeItemAtPath(qln::settingsFile));
    auto row = cell("A");
    row->updateCellDisplay();
    EXPECT_EQ(row->detailTextLabel()->text(), "Default");
}

TEST_F(ColourRowDisplay, SwatchIsARoundShadowedAccessory)
{
    seedFile(qln::settingsFile, { { "A", fw::Value("#FF0000:1.000000") } });
    auto row = cell("A");
    row->updateCellDisplay();
    const auto& swatch = row->colorPreview();
    EXPECT_EQ(row->accessoryView(), swatch);
    EXPECT_EQ(swatch->frame(), (fw::CGRect { 0, 0, 29, 29 }));
    EXPECT_EQ(swatch->layer().cornerRadius, 14.5);
    EXPECT_EQ(swatch->layer().shadowOpacity, 0.5);
    EXPECT_EQ(swatch->layer().shadowOffset, (fw::CGSize { 0, 0 }));
    EXPECT_EQ(swatch->layer().shadowRadius, 5.0);
    EXPECT_EQ(swatch->backgroundColor(), fw::UIColor::colorWithRed(1, 0, 0, 1));
}

TEST_F(ColourRowDisplay, RowIsWiredToItsCell)
{
    auto row = cell("A");
    auto spec = page->rowWithKey("A");
    EXPECT_EQ(row->style(), fw::UITableViewCellStyleSubtitle);
    EXPECT_EQ(spec->target(), row);
    EXPECT_EQ(spec->buttonAction(), "openColourPicker");
    const auto& lpgr = row->lpgr();
    ASSERT_TRUE(lpgr);
    EXPECT_EQ(lpgr->minimumPressDuration(), 1.0);
    EXPECT_EQ(lpgr->delegate(), row);
    EXPECT_EQ(lpgr->view(), row->contentView());
    EXPECT_EQ(row->contentView()->gestureRecognizers(),
        std::vector<std::shared_ptr<fw::UIGestureRecognizer>> { lpgr });
    EXPECT_TRUE(lpgr->shouldReceiveTouch());
}

TEST_F(ColourRowDisplay, OptionsAreCompletedOnlyWhenOneIsMissing)
{
    auto row = cell("A");
    EXPECT_EQ(row->options(),
        (fw::Dictionary { { "defaults", fw::Value("com.tarrowvine.quillane") },
            { "fallback", fw::Value("#FF0000") } }));
    row->options() = { { "defaults", fw::Value("other") } };
    row->updateCellDisplay();
    EXPECT_EQ(row->options(),
        (fw::Dictionary { { "defaults", fw::Value("com.tarrowvine.quillane") },
            { "fallback", fw::Value("#FF0000") } }));
    row->options() = { { "defaults", fw::Value("other") }, { "fallback", fw::Value("#00FF00") } };
    row->updateCellDisplay();
    EXPECT_EQ(row->options(),
        (fw::Dictionary {
            { "defaults", fw::Value("other") }, { "fallback", fw::Value("#00FF00") } }));
}

TEST_F(ColourRowDisplay, GlobalRowHasNoSwatchAndAnAccentTitle)
{
    seedFile(qln::settingsFile, { { "G", fw::Value("#00FF00:1.000000") } });
    auto global = cell("G");
    global->updateCellDisplay();
    EXPECT_FALSE(global->colorPreview());
    EXPECT_TRUE(!global->accessoryView() || global->accessoryView()->isHidden());
    EXPECT_NE(global->detailTextLabel()->text(), "#00FF00");
    EXPECT_EQ(page->rowWithKey("G")->buttonAction(), "showOverwriteAlert");
    global->layoutSubviews();
    EXPECT_EQ(global->textLabel()->textColor(), qln::accentColour());
    EXPECT_EQ(global->textLabel()->highlightedTextColor(), qln::accentColour());

    auto single = cell("A");
    single->layoutSubviews();
    EXPECT_NE(single->textLabel()->textColor(), qln::accentColour());
}

} // namespace
