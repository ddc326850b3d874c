#include "cells/QLNButton.hpp"
#include "cells/QLNImage.hpp"
#include "cells/QLNMovableCell.hpp"
#include "cells/QLNSegment.hpp"
#include "cells/QLNStateSwitcher.hpp"
#include "cells/QLNToggle.hpp"
#include "foundation/PropertyList.hpp"
#include "foundation/UIDevice.hpp"
#include "store/Settings.hpp"
#include "support/TestDevice.hpp"

#include <cstdint>
#include <gtest/gtest.h>

namespace {

// The first bytes of a PNG: signature and header chunk, which is all a size read needs.
std::string pngWithSize(std::uint32_t width, std::uint32_t height)
{
    std::string bytes("\x89PNG\r\n\x1a\n", 8);
    auto put32 = [&bytes](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<char>((v >> shift) & 0xFF));
    };
    put32(13);
    bytes += "IHDR";
    put32(width);
    put32(height);
    bytes += std::string("\x08\x06\x00\x00\x00", 5);
    put32(0);
    return bytes;
}

std::shared_ptr<fw::PSSpecifier> plainRow(fw::Dictionary properties = {})
{
    auto row = fw::PSSpecifier::preferenceSpecifierNamed(
        "Row", nullptr, "", "", nullptr, fw::PSButtonCell, nullptr);
    for (const auto& [key, value] : properties)
        row->setProperty(value, key);
    return row;
}

template <class Cell> std::shared_ptr<Cell> makeCell(fw::Dictionary properties = {}, int style = 0)
{
    auto cell = std::make_shared<Cell>();
    EXPECT_TRUE(cell->initWithStyle(style, "reuse", plainRow(std::move(properties))));
    return cell;
}

class SimpleCells : public testing::Test {
protected:
    void setSystemVersion(std::string_view version)
    {
        device.write(fw::kSystemVersionPath,
            fw::xmlPropertyList(fw::Dictionary { { "ProductVersion", fw::Value(version) } }));
    }
    void addPicture(const std::string& name, std::uint32_t pixelsHigh)
    {
        device.write(std::string(qln::bundlePath) + "/" + name, pngWithSize(640, pixelsHigh));
    }

    TestDevice device;
};

TEST_F(SimpleCells, ImageRowIsHalfThePictureHeightRounded)
{
    struct Case {
        std::uint32_t pixels;
        double height;
    };
    for (const Case& c : { Case { 100, 50 }, Case { 99, 50 }, Case { 301, 151 }, Case { 1, 1 } }) {
        addPicture("pic.png", c.pixels);
        auto cell = makeCell<qln::QLNImage>({ { "icon", fw::Value("pic.png") } });
        EXPECT_EQ(cell->preferredHeightForWidth(320), c.height) << c.pixels;
    }
}

TEST_F(SimpleCells, ImageRowWithoutPictureHasNoHeight)
{
    for (fw::Dictionary properties :
        { fw::Dictionary { { "icon", fw::Value("missing.png") } }, fw::Dictionary {} }) {
        auto cell = makeCell<qln::QLNImage>(properties);
        EXPECT_EQ(cell->preferredHeightForWidth(320), 0.0);
        EXPECT_FALSE(cell->bigImageView()->image());
    }
}

TEST_F(SimpleCells, ImageRowPrefersThePrysmPictureOnlyWithPrysm)
{
    addPicture("plain.png", 100);
    addPicture("prysm.png", 200);
    const std::string bundle(qln::bundlePath);
    struct Case {
        bool prysmInstalled;
        bool hasPrysmIcon;
        std::string shown;
    };
    for (const Case& c : { Case { false, true, "plain.png" }, Case { true, true, "prysm.png" },
             Case { true, false, "plain.png" } }) {
        if (c.prysmInstalled)
            device.write(qln::prysmPath, "");
        fw::Dictionary properties { { "icon", fw::Value("plain.png") } };
        if (c.hasPrysmIcon)
            properties["prysmIcon"] = fw::Value("prysm.png");
        auto cell = makeCell<qln::QLNImage>(properties);
        ASSERT_TRUE(cell->bigImageView()->image());
        EXPECT_EQ(cell->bigImageView()->image()->devicePath(), bundle + "/" + c.shown);
    }
}

TEST_F(SimpleCells, ImageRowLiesBelowItsNeighboursWithTheLabelsHidden)
{
    addPicture("pic.png", 100);
    auto cell = std::make_shared<qln::QLNImage>();
    ASSERT_TRUE(cell->initWithSpecifier(plainRow({ { "icon", fw::Value("pic.png") } })));
    EXPECT_EQ(cell->style(), fw::UITableViewCellStyleDefault);
    EXPECT_EQ(cell->layer().zPosition, -1.0);
    EXPECT_EQ(cell->backgroundColor(), fw::UIColor::clearColor());
    EXPECT_FALSE(cell->backgroundView());

    const auto& picture = cell->bigImageView();
    fw::CGRect content = cell->contentView()->bounds();
    EXPECT_EQ(picture->frame(),
        (fw::CGRect { content.x - 15, content.y + 5, content.width, content.height }));
    EXPECT_EQ(picture->autoresizingMask(), 18u);
    EXPECT_EQ(picture->contentMode(), fw::UIViewContentModeScaleAspectFit);
    EXPECT_EQ(picture->layer().minificationFilter, "trilinear");
    EXPECT_EQ(picture->superview(), cell->contentView());
    EXPECT_TRUE(cell->imageView()->isHidden());
    EXPECT_TRUE(cell->textLabel()->isHidden());
    EXPECT_TRUE(cell->detailTextLabel()->isHidden());
}

TEST_F(SimpleCells, ButtonTitleColourFollowsTextColor)
{
    struct Case {
        const char* textColor; // nullptr: absent
        const char* version;
        fw::UIColor expected;
    };
    const Case cases[] = {
        { nullptr, "14.0", qln::accentColour() },
        { "regular", "14.0", fw::UIColor::labelColor() },
        { "regular", "12.4", fw::UIColor::darkTextColor() },
        { "disabled", "12.4", fw::UIColor::systemGrayColor() },
        { "Regular", "14.0", qln::accentColour() },
        { "DISABLED", "14.0", qln::accentColour() },
    };
    for (const Case& c : cases) {
        setSystemVersion(c.version);
        fw::Dictionary properties;
        if (c.textColor)
            properties["textColor"] = fw::Value(c.textColor);
        auto cell = makeCell<qln::QLNButton>(properties);
        cell->layoutSubviews();
        EXPECT_EQ(cell->textLabel()->textColor(), c.expected) << (c.textColor ? c.textColor : "-");
        EXPECT_EQ(cell->textLabel()->highlightedTextColor(), c.expected);
        EXPECT_EQ(cell->textLabel()->textAlignment(), fw::NSTextAlignmentLeft);
    }
}

TEST_F(SimpleCells, CentredButtonSpansTheWholeCell)
{
    auto cell = makeCell<qln::QLNButton>({ { "textAlignment", fw::Value("center") } });
    cell->setFrame({ 8, 0, 320, 44 });
    fw::CGRect before = cell->textLabel()->frame();
    cell->layoutSubviews();
    EXPECT_EQ(cell->textLabel()->textAlignment(), fw::NSTextAlignmentCenter);
    EXPECT_EQ(cell->textLabel()->frame(), (fw::CGRect { 8, before.y, 320, before.height }));
}

TEST_F(SimpleCells, StateSwitcherCentresBothLabelsAcrossTheCell)
{
    for (auto [version, colour] : { std::pair { "14.0", fw::UIColor::labelColor() },
             std::pair { "12.4", fw::UIColor::darkTextColor() } }) {
        setSystemVersion(version);
        auto cell = makeCell<qln::QLNStateSwitcher>();
        EXPECT_EQ(cell->style(), fw::UITableViewCellStyleSubtitle);
        EXPECT_EQ(cell->detailTextLabel()->text(), "Tap to Switch State");
        ASSERT_TRUE(cell->accessoryView());
        EXPECT_TRUE(cell->accessoryView()->isHidden());
        EXPECT_EQ(cell->accessoryView()->frame(), (fw::CGRect { 0, 0, 29, 29 }));

        cell->setFrame({ 4, 0, 300, 44 });
        fw::CGRect title = cell->textLabel()->frame();
        fw::CGRect detail = cell->detailTextLabel()->frame();
        auto detailColour = cell->detailTextLabel()->textColor();
        cell->layoutSubviews();
        EXPECT_EQ(cell->textLabel()->textColor(), colour) << version;
        EXPECT_EQ(cell->textLabel()->highlightedTextColor(), colour);
        EXPECT_EQ(cell->detailTextLabel()->textColor(), detailColour);
        EXPECT_EQ(cell->textLabel()->textAlignment(), fw::NSTextAlignmentCenter);
        EXPECT_EQ(cell->detailTextLabel()->textAlignment(), fw::NSTextAlignmentCenter);
        EXPECT_EQ(cell->textLabel()->frame(), (fw::CGRect { 4, title.y, 300, title.height }));
        EXPECT_EQ(
            cell->detailTextLabel()->frame(), (fw::CGRect { 4, detail.y, 300, detail.height }));
    }
}

TEST_F(SimpleCells, MovableRowAlwaysShowsItsReorderControl)
{
    auto cell = makeCell<qln::QLNMovableCell>();
    cell->layoutSubviews();
    EXPECT_TRUE(cell->showsReorderControl());
    EXPECT_TRUE(cell->isEditing());
}

TEST_F(SimpleCells, SegmentAndSwitchAreAccentTintedInSubtitleStyle)
{
    auto segment = makeCell<qln::QLNSegment>();
    EXPECT_EQ(segment->style(), fw::UITableViewCellStyleSubtitle);
    ASSERT_TRUE(segment->control());
    EXPECT_EQ(segment->control()->tintColor(), qln::accentColour());

    auto toggle = makeCell<qln::QLNToggle>();
    EXPECT_EQ(toggle->style(), fw::UITableViewCellStyleSubtitle);
    ASSERT_TRUE(toggle->switchControl());
    EXPECT_EQ(toggle->switchControl()->onTintColor(), qln::accentColour());
}

} // namespace
