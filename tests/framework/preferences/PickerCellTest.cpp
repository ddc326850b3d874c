#include "TestClasses.hpp"
#include "foundation/Journal.hpp"
#include "foundation/PropertyList.hpp"
#include "support/TestDevice.hpp"
#include "uikit/UIAlertController.hpp"

#include <gtest/gtest.h>

namespace {

constexpr const char* kDomainFile = "/User/Library/Preferences/com.test.plist";

struct PickerPage {
    std::shared_ptr<TestPage> page;
    std::shared_ptr<fw::PSSpecifier> row;
    std::shared_ptr<TestPickerCell> cell;
};

PickerPage pickerPage(bool withDomain = true)
{
    registerTestClasses();
    PickerPage setup;
    setup.page = std::make_shared<TestPage>();
    setup.row = fw::PSSpecifier::preferenceSpecifierNamed("Tint", setup.page,
        "setPreferenceValue:specifier:", "readPreferenceValue:", nullptr, fw::PSLinkCell, nullptr);
    setup.row->setProperty(fw::Value("tint"), "key");
    if (withDomain)
        setup.row->setProperty(fw::Value("com.test"), "defaults");
    setup.row->setProperty(&TestPickerCell::classObject(), "cellClass");
    auto row = setup.row;
    setup.page->build = [row](TestPage&) { return fw::SpecifierList { row }; };
    setup.page->layoutTable();
    setup.cell = std::dynamic_pointer_cast<TestPickerCell>(setup.page->cellForSpecifier(row));
    return setup;
}

std::shared_ptr<fw::SparkColourPickerViewController> openPicker(const PickerPage& setup)
{
    setup.cell->openColourPicker();
    return std::dynamic_pointer_cast<fw::SparkColourPickerViewController>(
        setup.page->presentedViewController());
}

} // namespace

TEST(SparkColourPickerCell, ReportsReachTheCellAndClosingStoresThroughThePage)
{
    TestDevice device;
    fw::writeToFile(fw::Dictionary { { "other", 1 } }, kDomainFile);
    auto setup = pickerPage();
    ASSERT_TRUE(setup.cell);
    int updatesBefore = setup.cell->displayUpdates;
    EXPECT_GE(updatesBefore, 1); // redrawn once when the row was made

    auto picker = openPicker(setup);
    ASSERT_TRUE(picker);
    EXPECT_EQ(setup.cell->colourPickerView(), picker->pickerView());
    picker->reportColour(fw::UIColor::colorWithRed(1, 0.5, 0, 0.5));
    picker->reportColour(fw::UIColor::colorWithRed(0.1, 0.2, 0.3, 0.25));
    EXPECT_EQ(setup.cell->heard.size(), 2u);
    EXPECT_TRUE(setup.page->storedValues.empty()); // reports store nothing

    picker->close();

    EXPECT_EQ(setup.cell->dismissals, 1);
    EXPECT_EQ(setup.page->presentedViewController(), nullptr);
    EXPECT_EQ(setup.page->storedValues, (std::vector<fw::Value> { "#19334C:0.250000" }));
    auto stored = fw::dictionaryWithContentsOfFile(kDomainFile);
    ASSERT_TRUE(stored);
    EXPECT_EQ(*fw::lookup(*stored, "tint"), fw::Value("#19334C:0.250000"));
    EXPECT_EQ(*fw::lookup(*stored, "other"), fw::Value(1));
    EXPECT_GT(setup.cell->displayUpdates, updatesBefore); // the row was redrawn
}

TEST(SparkColourPickerCell, StoredColourComponentsAreClampedAndTruncated)
{
    TestDevice device;
    auto setup = pickerPage();
    auto picker = openPicker(setup);
    ASSERT_TRUE(picker);
    picker->reportColour(fw::UIColor::colorWithRed(1.7, -0.2, 0.999, 1));
    picker->close();
    EXPECT_EQ(setup.page->storedValues, (std::vector<fw::Value> { "#FF00FE:1.000000" }));
}

TEST(SparkColourPickerCell, PickerStartsFromTheStoredColourThenTheFallbackThenRed)
{
    TestDevice device;
    auto setup = pickerPage();
    setup.cell->options()["fallback"] = fw::Value("#00FF00");
    auto picker = openPicker(setup);
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->colour(), fw::UIColor::colorWithRed(0, 1, 0, 1));
    picker->close();

    fw::writeToFile(fw::Dictionary { { "tint", "#0000FF:0.5" } }, kDomainFile);
    picker = openPicker(setup);
    ASSERT_TRUE(picker);
    EXPECT_DOUBLE_EQ(picker->colour().blue, 1);
    EXPECT_DOUBLE_EQ(picker->colour().alpha, 0.5);
    picker->close();

    fw::writeToFile(fw::Dictionary { { "tint", 12 } }, kDomainFile);
    setup.cell->options().erase("fallback");
    picker = openPicker(setup);
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->colour(), fw::UIColor::colorWithRed(1, 0, 0, 1));
}

TEST(SparkColourPickerCell, ARowWithoutAColourOpensOnItsOwnFallbackThenTheShownColour)
{
    struct Case {
        const char* what;
        const char* rowFallback; // the row's "fallback" property, or nullptr
        bool shownColourKnown;
        const char* stored; // the row's stored value, or nullptr
        fw::UIColor expected;
    };
    const fw::UIColor green = fw::UIColor::colorWithRed(0, 1, 0, 1);
    const fw::UIColor shown = fw::UIColor::colorWithRed(0, 0, 1, 0.5);
    const fw::UIColor red = fw::UIColor::colorWithRed(1, 0, 0, 1);
    const Case cases[] = {
        { "the row's own fallback", "#00FF00:1", true, nullptr, green },
        { "the shown colour for rows without one", nullptr, true, nullptr, shown },
        { "red when nothing is known", nullptr, false, nullptr, red },
        { "a stored colour before all of them", "#00FF00:1", true, "#FF0000", red },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDevice device;
        fw::writeToFile(
            c.stored ? fw::Dictionary { { "tint", c.stored } } : fw::Dictionary {}, kDomainFile);
        fw::SparkColourPickerCell::setShownColour([&](std::string_view key) {
            return c.shownColourKnown && key == "tint" ? std::optional<std::string>("#0000FF:0.5")
                                                       : std::nullopt;
        });
        registerTestClasses();
        auto page = std::make_shared<TestPage>();
        auto row = fw::PSSpecifier::preferenceSpecifierNamed("Tint", page,
            "setPreferenceValue:specifier:", "readPreferenceValue:", nullptr, fw::PSLinkCell,
            nullptr);
        row->setProperty(fw::Value("tint"), "key");
        row->setProperty(fw::Value("com.test"), "defaults");
        if (c.rowFallback)
            row->setProperty(fw::Value(c.rowFallback), "fallback");
        row->setProperty(&TestPickerCell::classObject(), "cellClass");
        page->build = [row](TestPage&) { return fw::SpecifierList { row }; };
        page->layoutTable();
        auto cell = std::dynamic_pointer_cast<TestPickerCell>(page->cellForSpecifier(row));
        ASSERT_TRUE(cell);
        // The row's options reach the cell's option dictionary, both or neither.
        EXPECT_EQ(fw::lookup(cell->options(), "defaults") != nullptr, c.rowFallback != nullptr);
        cell->openColourPicker();
        auto picker = std::dynamic_pointer_cast<fw::SparkColourPickerViewController>(
            page->presentedViewController());
        ASSERT_TRUE(picker);
        EXPECT_EQ(picker->colour(), c.expected);
        picker->close();
    }
    fw::SparkColourPickerCell::setShownColour(nullptr);
}

TEST(SparkColourPickerCell, ARowWithoutDomainStoresUnderTheOptionsDomain)
{
    TestDevice device;
    auto setup = pickerPage(false);
    setup.cell->options()["defaults"] = fw::Value("com.test");
    auto picker = openPicker(setup);
    ASSERT_TRUE(picker);
    picker->reportColour(fw::UIColor::colorWithRed(0, 0, 0, 1));
    picker->close();
    auto stored = fw::dictionaryWithContentsOfFile(kDomainFile);
    ASSERT_TRUE(stored);
    EXPECT_EQ(*fw::lookup(*stored, "tint"), fw::Value("#000000:1.000000"));
}

TEST(SparkColourPickerCell, ClosingLeavesOtherPresentationsAloneAndAnOpenPageRefusesAPicker)
{
    TestDevice device;
    auto setup = pickerPage();
    auto alert = fw::UIAlertController::alertControllerWithTitle(
        "Busy", "", fw::UIAlertControllerStyleAlert);
    setup.page->presentViewController(alert, true);
    fw::Journal::take();

    setup.cell->openColourPicker();
    EXPECT_EQ(setup.page->presentedViewController(), alert);
    EXPECT_EQ(fw::Journal::take().refused, (std::vector<std::string> { "Colour Picker" }));
    setup.cell->dismissPicker(); // the tap action before the first display: no picker to close
    EXPECT_EQ(setup.page->presentedViewController(), alert);
    EXPECT_EQ(setup.cell->colourPickerView(), nullptr);
}

TEST(SparkColourPickerCell, TouchFilterAndActionsAnswerThroughTheActionTable)
{
    TestDevice device;
    auto setup = pickerPage();
    EXPECT_TRUE(setup.cell->respondsToSelector("openColourPicker"));
    EXPECT_TRUE(setup.cell->respondsToSelector("dismissPicker"));
    auto answer = setup.cell->perform("gestureRecognizer:shouldReceiveTouch:", {});
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->boolValue());

    setup.row->setTarget(setup.cell);
    setup.row->setButtonAction("openColourPicker");
    setup.page->tapSpecifier(setup.row);
    EXPECT_TRUE(std::dynamic_pointer_cast<fw::SparkColourPickerViewController>(
        setup.page->presentedViewController()));
}
