#include "cells/CellClasses.hpp"
#include "foundation/Device.hpp"
#include "foundation/FileFaults.hpp"
#include "foundation/Journal.hpp"
#include "pages/QLNConnectivityOrderController.hpp"
#include "pages/SectionPageSupport.hpp"
#include "store/SettingsStore.hpp"

#include <gtest/gtest.h>
#include <map>
#include <optional>

namespace {

using namespace sectiontest;

const std::string airplane = "CCUIConnectivityAirplaneViewController";
const std::string cellular = "CCUIConnectivityCellularDataViewController";
const std::string wifi = "CCUIConnectivityWifiViewController";
const std::string bluetooth = "CCUIConnectivityBluetoothViewController";
const std::string airDrop = "CCUIConnectivityAirDropViewController";
const std::string hotspot = "CCUIConnectivityHotspotViewController";
const std::string unknown = "CCUIConnectivityFutureViewController";

using Positions = std::map<int, fw::Value>;

std::string positionKey(int i)
{
    return "connectivityPosition" + std::to_string(i);
}

// The settings file with these positions and one unrelated setting; an empty persistent file.
void storePositions(const TestDevice& device, const Positions& positions)
{
    fw::Dictionary settings { { "otherSetting", fw::Value("#112233:1.000000") } };
    for (const auto& [i, name] : positions)
        settings[positionKey(i)] = name;
    writePlist(device, qln::settingsFile, settings);
    writePlist(device, qln::persistentFile, {});
}

Positions storedPositions()
{
    Positions positions;
    auto settings = qln::readSettings();
    for (int i = 0; i < 6; ++i) {
        const fw::Value* value = settings ? fw::lookup(*settings, positionKey(i)) : nullptr;
        if (value)
            positions[i] = *value;
    }
    return positions;
}

std::vector<std::string> titles(const fw::SpecifierList& rows)
{
    std::vector<std::string> names;
    for (const auto& row : rows)
        names.push_back(row->name());
    return names;
}

TEST(ConnectivityOrderPage, ListsTheStoredOrderUnderAFooter)
{
    qln::registerCellClasses();
    TestDevice device;
    storePositions(device,
        { { 0, hotspot }, { 1, wifi }, { 2, airplane }, { 3, airDrop }, { 4, cellular },
            { 5, bluetooth } });
    auto page = openPage<qln::QLNConnectivityOrderController>();
    const auto& rows = page->specifiers();

    EXPECT_EQ(titles(rows),
        (std::vector<std::string> { "", "Personal Hotspot", "WiFi", "Airplane Mode", "AirDrop",
            "Cellular Data", "Bluetooth" }));
    EXPECT_EQ(rows[0]->cellType(), fw::PSGroupCell);
    EXPECT_EQ(*rows[0]->stringForKey("footerText"), "Changes require a respring.");
    EXPECT_EQ(*rows[0]->stringForKey("footerAlignment"), "1");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i]->cellType(), fw::PSStaticTextCell);
        EXPECT_EQ(rows[i]->stringForKey("key"), nullptr);
        EXPECT_TRUE(rows[i]->getter().empty());
        EXPECT_EQ(rows[i]->classForKey("cellClass"), fw::NSClassFromString("QLNMovableCell"));
    }
    EXPECT_NE(fw::NSClassFromString("QLNMovableCell"), nullptr);
}

TEST(ConnectivityOrderPage, InstallsTheRespringButtonOnEveryRequest)
{
    TestDevice device;
    storePositions(device, { { 0, wifi } });
    auto page = openPage<qln::QLNConnectivityOrderController>();
    const fw::SpecifierList first = page->specifiers();

    page->navigationItem().setRightBarButtonItem(nullptr);
    EXPECT_EQ(page->specifiers(), first);
    auto button = page->navigationItem().rightBarButtonItem;
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->title, "Respring");
    EXPECT_EQ(button->style, fw::UIBarButtonItem::UIBarButtonItemStylePlain);
    EXPECT_EQ(button->action, "respring");
    EXPECT_EQ(button->target(), page);
}

TEST(ConnectivityOrderPage, ReadsPositionsWithoutDefaults)
{
    struct Case {
        const char* name;
        Positions stored;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        { "a name stored twice is listed once, at its first position",
            { { 0, wifi }, { 1, airplane }, { 2, wifi } }, { "", "WiFi", "Airplane Mode" } },
        { "a missing key leaves no gap", { { 0, wifi }, { 1, airplane }, { 3, bluetooth } },
            { "", "WiFi", "Airplane Mode", "Bluetooth" } },
        { "an unknown name gets no row", { { 0, unknown }, { 1, wifi } }, { "", "WiFi" } },
        { "nor does a value that is no string",
            { { 0, fw::Value(3) }, { 1, wifi }, { 2, fw::Value(fw::Array {}) } }, { "", "WiFi" } },
        { "no position keys", {}, { "" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestDevice device;
        storePositions(device, c.stored);
        auto page = openPage<qln::QLNConnectivityOrderController>();
        EXPECT_EQ(titles(page->specifiers()), c.rows);
        EXPECT_EQ(page->readPreferenceValueForKey("connectivityPosition5"), std::nullopt);
    }
    TestDevice noSettings;
    EXPECT_EQ(titles(openPage<qln::QLNConnectivityOrderController>()->specifiers()),
        std::vector<std::string> { "" });
}

struct MoveCase {
    const char* name;
    Positions stored;
    int from;
    int to;
    Positions expected;
};

TEST(ConnectivityOrderPage, SavesEachMoveToThePositionKeysOnly)
{
    const Positions six = { { 0, airplane }, { 1, cellular }, { 2, wifi }, { 3, bluetooth },
        { 4, airDrop }, { 5, hotspot } };
    const MoveCase cases[] = {
        { "first to last", six, 0, 5,
            { { 0, cellular }, { 1, wifi }, { 2, bluetooth }, { 3, airDrop }, { 4, hotspot },
                { 5, airplane } } },
        { "last to first", six, 5, 0,
            { { 0, hotspot }, { 1, airplane }, { 2, cellular }, { 3, wifi }, { 4, bluetooth },
                { 5, airDrop } } },
        { "equal rows rewrite the same order", six, 2, 2, six },
        { "a duplicate leaves the last position as it was",
            { { 0, airplane }, { 1, cellular }, { 2, airplane }, { 3, wifi }, { 4, bluetooth },
                { 5, hotspot } },
            0, 1,
            { { 0, cellular }, { 1, airplane }, { 2, wifi }, { 3, bluetooth }, { 4, hotspot },
                { 5, hotspot } } },
        { "a missing middle key closes the gap",
            { { 0, airplane }, { 1, cellular }, { 3, wifi }, { 4, bluetooth }, { 5, airDrop } }, 4,
            0,
            { { 0, airDrop }, { 1, airplane }, { 2, cellular }, { 3, wifi }, { 4, bluetooth },
                { 5, airDrop } } },
        { "an unknown name keeps its place",
            { { 0, airplane }, { 1, unknown }, { 2, cellular }, { 3, wifi }, { 4, bluetooth },
                { 5, airDrop } },
            0, 2,
            { { 0, cellular }, { 1, unknown }, { 2, wifi }, { 3, airplane }, { 4, bluetooth },
                { 5, airDrop } } },
        { "a value that is no string keeps its place",
            { { 0, airplane }, { 1, fw::Value(7) }, { 2, cellular }, { 3, wifi }, { 4, bluetooth },
                { 5, hotspot } },
            0, 4,
            { { 0, cellular }, { 1, fw::Value(7) }, { 2, wifi }, { 3, bluetooth }, { 4, hotspot },
                { 5, airplane } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestDevice device;
        storePositions(device, c.stored);
        auto page = openPage<qln::QLNConnectivityOrderController>();
        page->specifiers();
        const std::string persistentBefore = device.read(qln::persistentFile);
        fw::Journal::take();

        page->moveRow({ 0, c.from }, { 0, c.to });

        EXPECT_EQ(storedPositions(), c.expected);
        auto settings = qln::readSettings();
        ASSERT_TRUE(settings);
        EXPECT_EQ(*fw::lookup(*settings, "otherSetting"), fw::Value("#112233:1.000000"));
        auto journal = fw::Journal::take();
        ASSERT_EQ(journal.effects.size(), 1u);
        EXPECT_EQ(journal.effects[0].op, "write");
        EXPECT_EQ(
            fw::Device::resolve(journal.effects[0].path), fw::Device::resolve(qln::settingsFile));
        EXPECT_TRUE(journal.posted.empty());
        EXPECT_EQ(device.read(qln::persistentFile), persistentBefore);
    }
}

TEST(ConnectivityOrderPage, LaterMovesFollowTheOrderShown)
{
    TestDevice device;
    storePositions(device, { { 0, airplane }, { 1, cellular }, { 2, wifi } });
    auto page = openPage<qln::QLNConnectivityOrderController>();
    page->specifiers();
    page->moveRow({ 0, 0 }, { 0, 2 });
    page->moveRow({ 0, 0 }, { 0, 1 });
    EXPECT_EQ(storedPositions(), (Positions { { 0, wifi }, { 1, cellular }, { 2, airplane } }));
    EXPECT_EQ(qln::toggles, (std::vector<fw::Value> { wifi, cellular, airplane }));
}

TEST(ConnectivityOrderPage, MovesThatCannotBeSavedStayInMemory)
{
    TestDevice device;
    storePositions(device, { { 0, airplane }, { 1, cellular } });
    auto page = openPage<qln::QLNConnectivityOrderController>();
    page->specifiers();
    const std::string before = device.read(qln::settingsFile);

    fw::FileFaults::arm(fw::FileOp::Read, -1, "com.tarrowvine.quillane.plist");
    page->moveRow({ 0, 0 }, { 0, 1 });
    fw::FileFaults::clear();

    EXPECT_EQ(device.read(qln::settingsFile), before);
    EXPECT_EQ(qln::toggles, (std::vector<fw::Value> { cellular, airplane }));
}

TEST(ConnectivityOrderPage, IgnoresMovesOutsideTheShownRows)
{
    TestDevice device;
    storePositions(device, { { 0, airplane }, { 1, unknown }, { 2, cellular } });
    auto page = openPage<qln::QLNConnectivityOrderController>();
    page->specifiers();
    fw::Journal::take();
    page->tableView(page->table(), { 0, 0 }, { 0, 2 });
    page->tableView(page->table(), { 0, -1 }, { 0, 0 });
    EXPECT_TRUE(fw::Journal::take().effects.empty());
    EXPECT_EQ(qln::toggles, (std::vector<fw::Value> { airplane, unknown, cellular }));
}

} // namespace
