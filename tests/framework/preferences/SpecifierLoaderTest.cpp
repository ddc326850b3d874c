#include "TestClasses.hpp"
#include "foundation/PropertyList.hpp"
#include "support/TestDevice.hpp"

#include <gtest/gtest.h>

namespace {

constexpr const char* kBundle = "/Library/PreferenceBundles/Test.bundle";

std::shared_ptr<TestPage> pageInBundle()
{
    registerTestClasses();
    auto page = std::make_shared<TestPage>();
    page->setBundlePath(kBundle);
    return page;
}

void writeLayout(const TestDevice& device, const std::string& name, const fw::Value& root)
{
    device.write(std::string(kBundle) + "/" + name + ".plist", fw::xmlPropertyList(root));
}

fw::Dictionary item(std::initializer_list<std::pair<const std::string, fw::Value>> entries)
{
    return fw::Dictionary(entries);
}

} // namespace

TEST(SpecifierLoader, ReadsEveryFieldOfTheLayoutFileInFileOrder)
{
    TestDevice device;
    auto page = pageInBundle();
    fw::Array items {
        item({ { "cell", "PSGroupCell" }, { "headerCellClass", "LoggingCell" },
            { "footerText", "Footer" } }),
        item({ { "cell", "PSSwitchCell" }, { "cellClass", "LoggingCell" }, { "label", "Enable" },
            { "key", "enabled" }, { "defaults", "com.test" }, { "default", true } }),
        item({ { "cell", "PSSwitchCell" }, { "label", "Respring" }, { "key", "k" },
            { "set", "setWithRespring:specifier:" }, { "get", "readPreferenceValue:" } }),
        fw::Value("not an item"),
        item({ { "cell", "PSLinkCell" }, { "label", "More" }, { "detail", "TestPage" } }),
        item({ { "cell", "PSButtonCell" }, { "label", "Reset" }, { "action", "plainAction" },
            { "textColor", "regular" }, { "global", true }, { "id", "reset" } }),
        item({ { "cell", "PSSegmentCell" }, { "label", "Style" }, { "key", "style" },
            { "validValues", fw::Array { 0, 1 } }, { "validTitles", fw::Array { "Fill", 7 } } }),
        item({ { "cell", "PSMysteryCell" }, { "cellClass", "NoSuchClass" }, { "label", 5 } }),
        item({ { "label", "Plain" } }),
    };
    writeLayout(device, "Page", fw::Dictionary { { "title", "Test Page" }, { "items", items } });

    auto rows = page->loadSpecifiersFromPlistName("Page", page);

    EXPECT_EQ(page->navigationItem().title, "Test Page");
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0]->cellType(), fw::PSGroupCell);
    EXPECT_EQ(rows[0]->classForKey("headerCellClass"), &LoggingCell::classObject());
    EXPECT_EQ(*rows[0]->stringForKey("footerText"), "Footer");
    EXPECT_TRUE(rows[0]->getter().empty());

    EXPECT_EQ(rows[1]->name(), "Enable");
    EXPECT_EQ(*rows[1]->stringForKey("label"), "Enable");
    EXPECT_EQ(rows[1]->classForKey("cellClass"), &LoggingCell::classObject());
    EXPECT_EQ(*rows[1]->valueForKey("default"), fw::Value(true));
    EXPECT_EQ(rows[1]->setter(), "setPreferenceValue:specifier:");
    EXPECT_EQ(rows[1]->getter(), "readPreferenceValue:");
    EXPECT_EQ(rows[1]->target(), page);

    EXPECT_EQ(rows[2]->setter(), "setWithRespring:specifier:");
    EXPECT_EQ(rows[3]->detailControllerClass(), &TestPage::classObject());
    EXPECT_TRUE(rows[3]->getter().empty());
    EXPECT_EQ(rows[4]->buttonAction(), "plainAction");
    EXPECT_TRUE(rows[4]->boolForKey("global"));
    EXPECT_EQ(*rows[4]->stringForKey("textColor"), "regular");
    EXPECT_EQ(*rows[4]->stringForKey("id"), "reset");

    EXPECT_EQ(rows[5]->values, (std::vector<fw::Value> { 0, 1 }));
    EXPECT_EQ(rows[5]->titles, (std::vector<std::string> { "Fill", "" }));
    EXPECT_EQ(rows[6]->cellType(), fw::PSStaticTextCell);
    EXPECT_EQ(rows[6]->propertyForKey("cellClass"), nullptr);
    EXPECT_EQ(rows[6]->name(), "");
    EXPECT_EQ(rows[7]->cellType(), fw::PSStaticTextCell);
}

TEST(SpecifierLoader, DamagedFilesGiveWhatCanBeReadAndNeverFail)
{
    TestDevice device;
    auto page = pageInBundle();
    fw::Dictionary wrongTypes {
        { "cell", fw::Array {} },
        { "label", fw::Dictionary {} },
        { "cellClass", 3 },
        { "headerCellClass", true },
        { "detail", 1.5 },
        { "action", fw::Array {} },
        { "set", false },
        { "get", 2 },
        { "validValues", "x" },
        { "validTitles", fw::Dictionary {} },
        { "key", fw::Array {} },
    };
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t rows;
    } cases[] = {
        { "RootArray", fw::xmlPropertyList(fw::Array { fw::Dictionary {} }), 0 },
        { "ItemsString", fw::xmlPropertyList(fw::Dictionary { { "items", "rows" } }), 0 },
        { "TitleNumber", fw::xmlPropertyList(fw::Dictionary { { "title", 4 } }), 0 },
        { "ItemsOfNumbers", fw::xmlPropertyList(fw::Dictionary { { "items", fw::Array { 1, 2 } } }),
            0 },
        { "WrongTypes",
            fw::xmlPropertyList(fw::Dictionary { { "items", fw::Array { wrongTypes } } }), 1 },
        { "NotAPlist", "<plist><dict><key>items</key><array><dict>", 0 },
        { "Empty", "", 0 },
    };
    for (const auto& c : cases) {
        device.write(std::string(kBundle) + "/" + c.name + ".plist", c.bytes);
        auto rows = page->loadSpecifiersFromPlistName(c.name, page);
        EXPECT_EQ(rows.size(), c.rows) << c.name;
    }
    EXPECT_TRUE(page->loadSpecifiersFromPlistName("Missing", page).empty());
    EXPECT_EQ(page->navigationItem().title, "");
}

TEST(SpecifierLoader, RowsOfWrongTypesStillShowAndTap)
{
    TestDevice device;
    auto page = pageInBundle();
    fw::Dictionary damaged { { "cell", 9 }, { "label", 4 }, { "action", 1 }, { "key", 2 },
        { "enabled", fw::Array {} }, { "cellClass", "UIView" } };
    writeLayout(device, "Damaged", fw::Dictionary { { "items", fw::Array { damaged } } });
    page->build = [](TestPage& self) {
        return self.loadSpecifiersFromPlistName("Damaged", self.shared_from_this());
    };

    page->layoutTable(390);
    auto rows = page->displayedSpecifiers();
    ASSERT_EQ(rows.size(), 1u);
    auto cell = page->cellForSpecifier(rows[0]);
    ASSERT_TRUE(cell);
    EXPECT_EQ(&cell->isa(), &fw::PSTableCell::classObject()); // UIView is no cell class
    page->tapSpecifier(rows[0]);
    EXPECT_TRUE(page->calls.empty());
}
