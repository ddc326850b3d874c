#include "presets/BundleDevice.hpp"
#include "presets/QLNPreset.hpp"

#include <gtest/gtest.h>

namespace {

using bundletest::BundleDevice;

struct Flags {
    bool active = false, unsaved = false, dark = false, light = false;
};

std::shared_ptr<fw::PSSpecifier> row(const Flags& flags)
{
    auto spec = fw::PSSpecifier::preferenceSpecifierNamed(
        "Night", nullptr, "", "", nullptr, fw::PSButtonCell, nullptr);
    spec->setProperty(fw::Value("regular"), "textColor");
    if (flags.active)
        spec->setProperty(fw::Value(true), "isActive");
    if (flags.unsaved)
        spec->setProperty(fw::Value(true), "isUnsaved");
    if (flags.dark)
        spec->setProperty(fw::Value(true), "isDarkDefault");
    if (flags.light)
        spec->setProperty(fw::Value(true), "isLightDefault");
    return spec;
}

std::shared_ptr<qln::QLNPreset> shownCell(const std::shared_ptr<fw::PSSpecifier>& spec)
{
    auto cell = std::make_shared<qln::QLNPreset>();
    EXPECT_TRUE(cell->initWithStyle(fw::UITableViewCellStyleDefault, "QLNPreset", spec));
    cell->setInWindow(true);
    return cell;
}

std::optional<std::string> subtitle(const qln::QLNPreset& cell)
{
    return cell.detailTextLabel()->text();
}

TEST(PresetCell, ShowsItsRowsMarks)
{
    BundleDevice device;
    struct Case {
        Flags flags;
        std::optional<std::string> subtitle;
        bool checkmark;
    };
    std::vector<Case> cases = {
        { {}, std::nullopt, false },
        { { true, true }, "Unsaved", true },
        { { false, false, true }, "Used for Dark Mode", false },
        { { false, false, false, true }, "Used for Light Mode", false },
        { { false, false, true, true }, "Used for Dark Mode", false },
        { { true, true, true }, "Unsaved, Used for Dark Mode", true },
        { { false, true, false, true }, "Unsaved, Used for Light Mode", false },
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        auto cell = shownCell(row(cases[i].flags));
        EXPECT_EQ(subtitle(*cell), cases[i].subtitle);
        EXPECT_EQ(
            cell->accessoryType() == fw::UITableViewCellAccessoryCheckmark, cases[i].checkmark);
        if (cases[i].checkmark) {
            EXPECT_EQ(cell->tintColor(), qln::accentColour());
        }
    }
}

TEST(PresetCell, OnlyUnsavedCarriesTheAccentColour)
{
    BundleDevice device;
    auto cell = shownCell(row({ true, true, true }));
    const auto& text = cell->detailTextLabel()->attributedText();
    ASSERT_TRUE(text);
    ASSERT_EQ(text->runs().size(), 1u);
    EXPECT_EQ(text->runs()[0].range.location, 0u);
    EXPECT_EQ(text->runs()[0].range.length, 7u);
    EXPECT_EQ(text->runs()[0].foregroundColor, qln::accentColour());
}

TEST(PresetCell, AnIsActivePropertyOfAnyValueShowsTheCheckmark)
{
    BundleDevice device;
    auto spec = row({});
    spec->setProperty(fw::Value(false), "isActive");
    EXPECT_EQ(shownCell(spec)->accessoryType(), fw::UITableViewCellAccessoryCheckmark);
}

TEST(PresetCell, ShowsExactlyTheStateOfItsRowEachTimeItIsShown)
{
    BundleDevice device;
    auto spec = row({ true, true, true });
    auto cell = shownCell(spec);
    for (const char* flag : { "isActive", "isUnsaved", "isDarkDefault" })
        spec->removePropertyForKey(flag);
    cell->setInWindow(false);
    cell->setInWindow(true);
    EXPECT_EQ(cell->accessoryType(), fw::UITableViewCellAccessoryNone);
    EXPECT_EQ(subtitle(*cell), std::nullopt);
}

TEST(PresetCell, TitleColourFollowsTextColorAndSystem)
{
    struct Case {
        const char* version;
        std::optional<std::string> textColor;
        fw::UIColor expected;
    };
    std::vector<Case> cases = {
        { "14.4", "regular", fw::UIColor::labelColor() },
        { "12.4", "regular", fw::UIColor::darkTextColor() },
        { "14.4", "disabled", fw::UIColor::systemGrayColor() },
        { "14.4", "green", qln::accentColour() },
        { "14.4", std::nullopt, qln::accentColour() },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.version) + " " + c.textColor.value_or("none"));
        device::DeviceOptions options;
        options.systemVersion = c.version;
        BundleDevice device(options);
        auto spec = row({});
        spec->removePropertyForKey("textColor");
        if (c.textColor)
            spec->setProperty(fw::Value(*c.textColor), "textColor");
        auto cell = shownCell(spec);
        EXPECT_EQ(cell->textLabel()->textColor(), c.expected);
        EXPECT_EQ(cell->textLabel()->highlightedTextColor(), c.expected);
    }
}

} // namespace
