#include "foundation/Journal.hpp"
#include "foundation/PropertyList.hpp"
#include "foundation/UIDevice.hpp"
#include "pages/QLNBaseController.hpp"
#include "store/Settings.hpp"
#include "support/TestDevice.hpp"
#include "uikit/UIAlertController.hpp"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

void setSystemVersion(const TestDevice& device, std::string_view version)
{
    device.write(fw::kSystemVersionPath,
        fw::xmlPropertyList(fw::Dictionary { { "ProductVersion", fw::Value(version) } }));
}

// A view that notes whether editing was ended in the page's view tree.
class EditingProbe : public fw::UIView {
public:
    bool endEditing(bool force) override
    {
        ended = force;
        return true;
    }
    bool ended { false };
};

class BasePage : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fw::writeToFile({ { "keep", fw::Value(1) } }, qln::settingsFile));
        ASSERT_TRUE(fw::writeToFile({ { "unsaved", fw::Value(false) } }, qln::persistentFile));
        device.write(qln::sbreloadPath, "#!/bin/sh\nexit 0\n");
        std::filesystem::permissions(
            device.hostPath(qln::sbreloadPath), std::filesystem::perms::owner_all);
        fw::Journal::take();
    }

    std::shared_ptr<fw::PSSpecifier> respringRow()
    {
        auto spec = fw::PSSpecifier::preferenceSpecifierNamed("Option", page,
            "setWithRespring:specifier:", "readPreferenceValue:", nullptr, fw::PSSwitchCell,
            nullptr);
        spec->setProperty(fw::Value("option"), "key");
        spec->setProperty(fw::Value(qln::settingsDomain), "defaults");
        return spec;
    }

    std::shared_ptr<fw::UIAlertController> presentedAlert()
    {
        return std::dynamic_pointer_cast<fw::UIAlertController>(page->presentedViewController());
    }

    TestDevice device;
    std::shared_ptr<qln::QLNBaseController> page = std::make_shared<qln::QLNBaseController>();
};

TEST_F(BasePage, TableStyleComparesVersionsNumerically)
{
    struct Case {
        const char* version;
        int style;
    };
    for (const Case& c :
        { Case { "9.3", fw::UITableViewStyleGrouped }, Case { "12.4", fw::UITableViewStyleGrouped },
            Case { "13.0", fw::UITableViewStyleInsetGrouped },
            Case { "13.1.2", fw::UITableViewStyleInsetGrouped },
            Case { "14.0", fw::UITableViewStyleInsetGrouped } }) {
        setSystemVersion(device, c.version);
        EXPECT_EQ(page->tableViewStyle(), c.style) << c.version;
    }
}

TEST_F(BasePage, AppearingTintsTheBarAndDropsSeparatorsEveryTime)
{
    auto navigation
        = std::make_shared<fw::UINavigationController>(std::make_shared<fw::UIViewController>());
    navigation->pushViewController(page, false);
    EXPECT_EQ(navigation->navigationBar().tintColor, qln::accentColour());
    EXPECT_EQ(page->table()->separatorStyle(), fw::UITableViewCellSeparatorStyleNone);

    navigation->navigationBar().setTintColor(std::nullopt);
    page->table()->setSeparatorStyle(fw::UITableViewCellSeparatorStyleSingleLine);
    page->viewWillAppear(true);
    EXPECT_EQ(navigation->navigationBar().tintColor, qln::accentColour());
    EXPECT_EQ(page->table()->separatorStyle(), fw::UITableViewCellSeparatorStyleNone);
}

TEST_F(BasePage, RespringAlertStoresFirstAndNoSkipsTheRestart)
{
    page->perform("setWithRespring:specifier:", { fw::Value(true), respringRow() });

    auto journal = fw::Journal::take();
    EXPECT_EQ(journal.posted, std::vector<std::string> { "com.tarrowvine.quillane/update" });
    EXPECT_EQ(fw::dictionaryWithContentsOfFile(qln::settingsFile),
        (fw::Dictionary { { "keep", fw::Value(1) }, { "option", fw::Value(true) } }));
    EXPECT_EQ(fw::dictionaryWithContentsOfFile(qln::persistentFile),
        (fw::Dictionary { { "unsaved", fw::Value(true) } }));

    auto alert = presentedAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title, "Respring required");
    EXPECT_EQ(
        alert->message, "Changing this option requires a respring. Do you want to respring now?");
    ASSERT_EQ(alert->actions().size(), 2u);
    EXPECT_EQ(alert->actions()[0]->title, "Yes");
    EXPECT_EQ(alert->actions()[0]->style, fw::UIAlertActionStyleDefault);
    EXPECT_EQ(alert->actions()[1]->title, "No");
    EXPECT_EQ(alert->actions()[1]->style, fw::UIAlertActionStyleCancel);

    ASSERT_TRUE(alert->chooseAction("No"));
    EXPECT_TRUE(fw::Journal::take().spawned.empty());
    EXPECT_FALSE(page->presentedViewController());
    EXPECT_EQ(fw::dictionaryWithContentsOfFile(qln::settingsFile)->at("option"), fw::Value(true));
}

TEST_F(BasePage, RespringAlertYesEndsEditingAndStartsOneSbreload)
{
    auto probe = std::make_shared<EditingProbe>();
    page->view()->addSubview(probe);
    page->setWithRespring(fw::Value(false), respringRow());
    fw::Journal::take();

    ASSERT_TRUE(presentedAlert());
    ASSERT_TRUE(presentedAlert()->chooseAction("Yes"));
    EXPECT_TRUE(probe->ended);
    EXPECT_EQ(fw::Journal::take().spawned,
        (std::vector<std::vector<std::string>> { { "/usr/bin/sbreload", "sbreload" } }));
}

TEST_F(BasePage, RespringIsInTheActionTable)
{
    page->perform("respring");
    EXPECT_EQ(fw::Journal::take().spawned.size(), 1u);
}

} // namespace
