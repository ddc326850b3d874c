#include "pages/QLNConnectivityController.hpp"
#include "pages/SectionPageSupport.hpp"

#include <gtest/gtest.h>

namespace {

using namespace sectiontest;

void writeConnectivityLayout(const TestDevice& device)
{
    writeLayout(device, "Connectivity",
        { groupItem(""), keyedItem("switchState", "Switch"), keyedItem("airplaneEnabledColor"),
            keyedItem("airplaneDisabledColor"), keyedItem("connectivityModeEnabled"),
            keyedItem("colorEnabledDisabled"), keyedItem("lowerenabledColor"),
            keyedItem("lowerdisabledColor"), groupItem("Order"), keyedItem("rearrangeToggles"),
            keyedItem("rearrangeTogglesHint"), keyedItem("plainColor"),
            { { "cell", fw::Value("PSStaticTextCell") }, { "label", fw::Value("Note") } } });
}

const fw::PSSpecifier* rowWithKey(const fw::SpecifierList& rows, std::string_view key)
{
    for (const auto& row : rows) {
        if (const std::string* rowKey = row->stringForKey("key"); rowKey && *rowKey == key)
            return row.get();
    }
    return nullptr;
}

struct StateCase {
    const char* name;
    bool prysm;
    int switches;
    std::vector<std::string> rows;
    const char* switchTitle;
};

TEST(ConnectivityPage, ShowsTheRowsOfTheEditedState)
{
    const std::vector<std::string> enabledRows = { "#", "switchState", "airplaneEnabledColor",
        "connectivityModeEnabled", "lowerenabledColor", "lowerdisabledColor", "#Order",
        "rearrangeToggles", "plainColor", "#Note" };
    const std::vector<std::string> disabledRows = { "#", "switchState", "airplaneDisabledColor",
        "connectivityModeEnabled", "lowerenabledColor", "lowerdisabledColor", "#Order",
        "rearrangeToggles", "plainColor", "#Note" };
    auto withHint = [](std::vector<std::string> rows) {
        rows.insert(rows.end() - 2, "rearrangeTogglesHint");
        return rows;
    };
    const StateCase cases[] = {
        { "fresh page", false, 0, enabledRows, "Colors for Enabled State" },
        { "switched once", false, 1, disabledRows, "Colors for Disabled State" },
        { "switched twice", false, 2, enabledRows, "Colors for Enabled State" },
        { "Prysm, fresh page", true, 0, withHint(enabledRows), "Colors for Enabled State" },
        { "Prysm, switched once", true, 1, withHint(disabledRows), "Colors for Disabled State" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestDevice device;
        writeConnectivityLayout(device);
        if (c.prysm)
            device.write(qln::prysmPath, "");
        auto page = openPage<qln::QLNConnectivityController>();
        for (int i = 0; i < c.switches; ++i)
            page->perform("switchState");

        const auto& rows = page->specifiers();
        EXPECT_EQ(rowIds(rows), c.rows);
        EXPECT_EQ(rowWithKey(rows, "switchState")->name(), c.switchTitle);
        EXPECT_EQ(qln::qlnEnabledConnectivityState, c.switches % 2 == 0);
        const fw::Value* enabled = rowWithKey(rows, "rearrangeToggles")->valueForKey("enabled");
        if (c.prysm)
            EXPECT_EQ(enabled ? *enabled : fw::Value(), fw::Value("NO"));
        else
            EXPECT_EQ(enabled, nullptr);
    }
}

TEST(ConnectivityPage, SwitchingTwiceGivesTheFirstListAgain)
{
    TestDevice device;
    writeConnectivityLayout(device);
    auto page = openPage<qln::QLNConnectivityController>();
    const auto first = rowIds(page->specifiers());
    page->switchState();
    EXPECT_NE(rowIds(page->specifiers()), first);
    page->switchState();
    EXPECT_EQ(rowIds(page->specifiers()), first);
}

TEST(ConnectivityPage, EveryOpeningStartsInTheEnabledState)
{
    TestDevice device;
    writeConnectivityLayout(device);
    auto previous = openPage<qln::QLNConnectivityController>();
    previous->switchState();
    ASSERT_FALSE(qln::qlnEnabledConnectivityState);

    auto page = openPage<qln::QLNConnectivityController>();
    EXPECT_TRUE(qln::qlnEnabledConnectivityState);
    EXPECT_EQ(rowWithKey(page->specifiers(), "switchState")->name(), "Colors for Enabled State");
    EXPECT_NE(rowWithKey(page->specifiers(), "airplaneEnabledColor"), nullptr);
}

} // namespace
