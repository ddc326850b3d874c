#include "TestClasses.hpp"
#include "foundation/PropertyList.hpp"
#include "support/TestDevice.hpp"
#include "uikit/UIViewController.hpp"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

std::shared_ptr<TestPage> makePage()
{
    registerTestClasses();
    return std::make_shared<TestPage>();
}

std::vector<std::string> names(const fw::SpecifierList& rows)
{
    std::vector<std::string> result;
    for (const auto& row : rows)
        result.push_back(row->name());
    return result;
}

std::shared_ptr<LoggingCell> loggingCell(TestPage& page, const std::shared_ptr<fw::PSSpecifier>& s)
{
    return std::dynamic_pointer_cast<LoggingCell>(page.cellForSpecifier(s));
}

} // namespace

TEST(PSListControllerCells, ReloadMakesNewCellsForNewRowsAndTakesTheOldOnesAway)
{
    auto page = makePage();
    auto kept = makeRow(page, "Kept");
    kept->setProperty(&LoggingCell::classObject(), "cellClass");
    page->build = [&](TestPage& self) {
        auto fresh = makeRow(std::static_pointer_cast<TestPage>(self.shared_from_this()), "Fresh");
        fresh->setProperty(&LoggingCell::classObject(), "cellClass");
        return fw::SpecifierList { kept, fresh };
    };
    page->layoutTable(390);
    auto keptCell = loggingCell(*page, kept);
    auto oldFresh = loggingCell(*page, page->specifiers()[1]);
    ASSERT_TRUE(keptCell && oldFresh);
    EXPECT_EQ(oldFresh->log, (std::vector<std::string> { "refresh", "in" }));
    EXPECT_DOUBLE_EQ(oldFresh->frame().width, 390);

    page->reloadSpecifiers();
    page->layoutTable(390);

    EXPECT_EQ(page->builds, 2);
    EXPECT_EQ(loggingCell(*page, kept), keptCell);
    EXPECT_EQ(keptCell->log, (std::vector<std::string> { "refresh", "in", "refresh" }));
    auto newFresh = loggingCell(*page, page->specifiers()[1]);
    EXPECT_NE(newFresh, oldFresh);
    EXPECT_EQ(oldFresh->log, (std::vector<std::string> { "refresh", "in", "out" }));
    EXPECT_EQ(oldFresh->superview(), nullptr);
    EXPECT_TRUE(newFresh->window());
}

TEST(PSListControllerCells, CellClassComesFromTheRowThenItsType)
{
    auto page = makePage();
    auto header = makeRow(page, "", fw::PSGroupCell);
    header->setProperty(&LoggingCell::classObject(), "headerCellClass");
    auto group = makeRow(page, "Options", fw::PSGroupCell);
    auto toggle = makeRow(page, "Toggle", fw::PSSwitchCell);
    auto segment = makeRow(page, "Style", fw::PSSegmentCell);
    auto refusing = makeRow(page, "Refusing");
    refusing->setProperty(&NilCell::classObject(), "cellClass");
    auto notACell = makeRow(page, "View");
    notACell->setProperty(&fw::UIView::classObject(), "cellClass");
    page->build = [&](TestPage&) {
        return fw::SpecifierList { header, group, toggle, segment, refusing, notACell };
    };

    auto headerCell = loggingCell(*page, header);
    ASSERT_TRUE(headerCell);
    EXPECT_EQ(headerCell->log.front(), "initWithSpecifier");
    EXPECT_EQ(headerCell->preferredHeightForWidth(0), 100);
    EXPECT_EQ(&page->cellForSpecifier(group)->isa(), &fw::PSTableCell::classObject());
    EXPECT_TRUE(std::dynamic_pointer_cast<fw::PSSwitchTableCell>(page->cellForSpecifier(toggle)));
    EXPECT_TRUE(std::dynamic_pointer_cast<fw::PSSegmentTableCell>(page->cellForSpecifier(segment)));
    auto fallback = page->cellForSpecifier(refusing);
    EXPECT_EQ(&fallback->isa(), &fw::PSTableCell::classObject());
    EXPECT_EQ(fallback->textLabel()->text(), "Refusing");
    EXPECT_EQ(&page->cellForSpecifier(notACell)->isa(), &fw::PSTableCell::classObject());
}

TEST(PSListControllerCells, LabelWalksFindRowTitlesInDisplayOrder)
{
    auto page = makePage();
    page->build = [](TestPage& self) {
        auto me = std::static_pointer_cast<TestPage>(self.shared_from_this());
        return fw::SpecifierList { makeRow(me, "", fw::PSGroupCell), makeRow(me, "Night"),
            makeRow(me, "Day") };
    };
    page->layoutTable();
    page->moveRow({ 0, 1 }, { 0, 0 });
    page->layoutTable();

    std::vector<std::string> titles;
    for (const auto& view : page->view()->allSubviews()) {
        auto label = std::dynamic_pointer_cast<fw::UILabel>(view);
        if (label && label->isKindOfClass(fw::UITableViewLabel::classObject()) && label->text()
            && !label->text()->empty())
            titles.push_back(*label->text());
    }
    EXPECT_EQ(titles, (std::vector<std::string> { "Day", "Night" }));
    EXPECT_EQ(page->view()->subviews().front(), page->table());
    EXPECT_EQ(page->table()->style(), fw::UITableViewStyleGrouped);
}

TEST(PSListControllerRows, RemovingAnUnlistedRowIsIgnored)
{
    auto page = makePage();
    auto a = makeRow(page, "A");
    auto b = makeRow(page, "B");
    a->setProperty(&LoggingCell::classObject(), "cellClass");
    page->build = [&](TestPage&) { return fw::SpecifierList { a, b }; };
    page->layoutTable();
    auto cell = loggingCell(*page, a);

    page->removeSpecifier(makeRow(page, "A"), true); // same title, another object
    EXPECT_EQ(names(page->displayedSpecifiers()), (std::vector<std::string> { "A", "B" }));

    page->removeSpecifier(a, true);
    page->removeSpecifier(a, true);
    EXPECT_EQ(names(page->displayedSpecifiers()), (std::vector<std::string> { "B" }));
    EXPECT_EQ(cell->log.back(), "out");
    EXPECT_EQ(page->builds, 1);
}

TEST(PSListControllerRows, DragsReorderTheDisplayUntilTheNextReload)
{
    auto page = makePage();
    page->build = [](TestPage& self) {
        auto me = std::static_pointer_cast<TestPage>(self.shared_from_this());
        return fw::SpecifierList { makeRow(me, "G1", fw::PSGroupCell), makeRow(me, "A"),
            makeRow(me, "B"), makeRow(me, "C"), makeRow(me, "G2", fw::PSGroupCell),
            makeRow(me, "D") };
    };
    page->moveRow({ 0, 0 }, { 0, 2 });
    EXPECT_EQ(names(page->displayedSpecifiers()),
        (std::vector<std::string> { "G1", "B", "C", "A", "G2", "D" }));
    EXPECT_EQ(
        names(page->specifiers()), (std::vector<std::string> { "G1", "A", "B", "C", "G2", "D" }));

    page->moveRow({ 1, 0 }, { 0, 0 }); // row numbers refer to what is shown
    EXPECT_EQ(names(page->displayedSpecifiers()),
        (std::vector<std::string> { "G1", "D", "B", "C", "A", "G2" }));
    ASSERT_EQ(page->moves.size(), 2u);
    EXPECT_EQ(page->moves[1].first.section, 1);
    EXPECT_EQ(page->moves[1].second.row, 0);

    page->moveRow({ 0, 9 }, { 0, 0 }); // no such row: nothing happens
    EXPECT_EQ(page->moves.size(), 2u);

    page->reloadSpecifiers();
    EXPECT_EQ(names(page->displayedSpecifiers()),
        (std::vector<std::string> { "G1", "A", "B", "C", "G2", "D" }));
}

TEST(PSListControllerRows, TapsPerformActionsAndPushLinkedPages)
{
    auto page = makePage();
    auto navigation
        = std::make_shared<fw::UINavigationController>(std::make_shared<fw::UIViewController>());
    page->setBundlePath("/Library/PreferenceBundles/Test.bundle");
    navigation->pushViewController(page, false);
    auto plain = makeRow(page, "Plain", fw::PSButtonCell);
    plain->setButtonAction("plainAction");
    auto withRow = makeRow(page, "WithRow", fw::PSButtonCell);
    withRow->setButtonAction("actionWithRow:");
    auto disabledText = makeRow(page, "Off", fw::PSButtonCell);
    disabledText->setButtonAction("plainAction");
    disabledText->setProperty(fw::Value("NO"), "enabled");
    auto disabledBool = makeRow(page, "OffToo", fw::PSButtonCell);
    disabledBool->setButtonAction("plainAction");
    disabledBool->setProperty(fw::Value(false), "enabled");
    auto link = fw::PSSpecifier::preferenceSpecifierNamed(
        "More", page, "", "", &TestPage::classObject(), fw::PSLinkCell, nullptr);

    for (const auto& row : { plain, withRow, disabledText, disabledBool, link })
        page->tapSpecifier(row);

    EXPECT_EQ(page->calls, (std::vector<std::string> { "plainAction/0", "actionWithRow:WithRow" }));
    ASSERT_EQ(navigation->viewControllers().size(), 3u);
    auto pushed = std::dynamic_pointer_cast<TestPage>(navigation->topViewController());
    ASSERT_TRUE(pushed);
    EXPECT_EQ(pushed->bundlePath(), page->bundlePath());
    EXPECT_EQ(pushed->navigationItem().title, "More");
    EXPECT_EQ(page->cellForSpecifier(link)->accessoryType(),
        fw::UITableViewCellAccessoryDisclosureIndicator);
}

TEST(PSListControllerValues, FrameworkGetterAndSetterUseTheRowsDomainFile)
{
    TestDevice device;
    auto page = makePage();
    auto row = fw::PSSpecifier::preferenceSpecifierNamed("Enable", page,
        "setPreferenceValue:specifier:", "readPreferenceValue:", nullptr, fw::PSSwitchCell,
        nullptr);
    row->setProperty(fw::Value("enabled"), "key");
    row->setProperty(fw::Value("com.test"), "defaults");
    row->setProperty(fw::Value(true), "default");
    page->build = [&](TestPage&) { return fw::SpecifierList { row }; };

    auto cell = std::dynamic_pointer_cast<fw::PSSwitchTableCell>(page->cellForSpecifier(row));
    ASSERT_TRUE(cell);
    EXPECT_TRUE(cell->switchControl()->isOn()); // the default, no file yet

    page->setValueForSpecifier(fw::Value(false), row);
    EXPECT_FALSE(cell->switchControl()->isOn()); // refreshed through the getter
    auto stored = fw::dictionaryWithContentsOfFile("/User/Library/Preferences/com.test.plist");
    ASSERT_TRUE(stored);
    EXPECT_EQ(*fw::lookup(*stored, "enabled"), fw::Value(false));

    device.write("/User/Library/Preferences/com.test.plist", "damaged");
    page->setValueForSpecifier(fw::Value(true), row);
    EXPECT_EQ(device.read("/User/Library/Preferences/com.test.plist"), "damaged");

    row->setProperty(fw::Value("../../../escape"), "defaults");
    page->setPreferenceValue(fw::Value(true), row);
    EXPECT_FALSE(device.exists("/escape.plist"));
}

TEST(PSListControllerValues, SegmentCellsSelectTheStoredValue)
{
    TestDevice device;
    auto page = makePage();
    auto row = fw::PSSpecifier::preferenceSpecifierNamed("Style", page,
        "setPreferenceValue:specifier:", "readPreferenceValue:", nullptr, fw::PSSegmentCell,
        nullptr);
    row->setProperty(fw::Value("style"), "key");
    row->setProperty(fw::Value("com.test"), "defaults");
    row->values = { fw::Value(0), fw::Value(1), fw::Value(2) };
    row->titles = { "Fill", "Outline", "None" };
    page->build = [&](TestPage&) { return fw::SpecifierList { row }; };
    fw::writeToFile(
        fw::Dictionary { { "style", 1.0 } }, "/User/Library/Preferences/com.test.plist");

    auto cell = std::dynamic_pointer_cast<fw::PSSegmentTableCell>(page->cellForSpecifier(row));
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->segmentedControl()->selectedSegmentIndex, 1);
    EXPECT_EQ(cell->segmentedControl()->titles.size(), 3u);
    page->setValueForSpecifier(fw::Value(7), row);
    EXPECT_EQ(cell->segmentedControl()->selectedSegmentIndex, -1);
}
