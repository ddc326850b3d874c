#include "BuildPaths.hpp"
#include "foundation/PropertyList.hpp"
#include "pages/QLNBetterCCXIController.hpp"
#include "pages/QLNMediaControlsController.hpp"
#include "pages/QLNMiscController.hpp"
#include "pages/QLNPowerModuleController.hpp"
#include "pages/QLNPrysmBatteryController.hpp"
#include "pages/QLNPrysmPowerController.hpp"
#include "pages/QLNPrysmWeatherController.hpp"
#include "pages/QLNSlidersController.hpp"
#include "pages/SectionPageClasses.hpp"
#include "pages/SectionPageSupport.hpp"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace {

using namespace sectiontest;

// Every feature value a layout may carry, each on a row titled after it.
const std::vector<std::string> allTitles = { "Prysm group", "prysm", "Tweaks group", "notPrysm",
    "powerModule", "bcxiWeather", "thirdparty", "ccRinger", "Prysm", "plain", "otherTag" };

fw::Dictionary featureItem(
    const std::string& title, const std::string& feature, const char* cell = "PSLinkCell")
{
    fw::Dictionary item { { "cell", fw::Value(cell) }, { "label", fw::Value(title) } };
    if (!feature.empty())
        item["feature"] = fw::Value(feature);
    return item;
}

std::vector<fw::Dictionary> everyFeatureLayout()
{
    return { featureItem("Prysm group", "prysm", "PSGroupCell"), featureItem("prysm", "prysm"),
        // Stays although every row below it may go: it carries no feature itself.
        featureItem("Tweaks group", "", "PSGroupCell"), featureItem("notPrysm", "notPrysm"),
        featureItem("powerModule", "powerModule"), featureItem("bcxiWeather", "bcxiWeather"),
        featureItem("thirdparty", "thirdparty"), featureItem("ccRinger", "ccRinger"),
        featureItem("Prysm", "Prysm"), featureItem("plain", ""),
        featureItem("otherTag", "otherTag") };
}

struct Tweaks {
    bool prysm = false;
    bool powerModule = false;
    bool bcixWeather = false;
    bool ccRinger = false;
    bool ccRingerWithoutExecutable = false;
};

void install(const TestDevice& device, const Tweaks& tweaks)
{
    if (tweaks.prysm)
        device.write(qln::prysmPath, "");
    if (tweaks.powerModule)
        device.write(std::string(qln::powerModulePath) + "/Info.plist", "");
    if (tweaks.bcixWeather)
        device.write(std::string(qln::bcixWeatherModulePath) + "/Info.plist", "");
    if (tweaks.ccRinger)
        device.write(qln::ccRingerModulePath, "");
    if (tweaks.ccRingerWithoutExecutable)
        device.write("/Library/ControlCenter/Bundles/CCRingerModule.bundle/Info.plist", "");
}

std::vector<std::string> titles(const fw::SpecifierList& rows)
{
    std::vector<std::string> names;
    for (const auto& row : rows)
        names.push_back(row->name());
    return names;
}

std::vector<std::string> allBut(const std::set<std::string>& removed)
{
    std::vector<std::string> kept;
    std::copy_if(allTitles.begin(), allTitles.end(), std::back_inserter(kept),
        [&](const std::string& title) { return !removed.count(title); });
    return kept;
}

using PageMaker = std::function<std::shared_ptr<fw::PSListController>()>;

template <class Page> PageMaker maker()
{
    return [] { return openPage<Page>(); };
}

struct FilterCase {
    const char* name;
    PageMaker open;
    Tweaks tweaks;
    std::set<std::string> removed;
};

const std::set<std::string> prysmRows = { "Prysm group", "prysm" };

TEST(SectionPages, FilterRowsByInstalledTweaks)
{
    const FilterCase cases[] = {
        { "media, nothing installed", maker<qln::QLNMediaControlsController>(), {}, prysmRows },
        { "media, Prysm", maker<qln::QLNMediaControlsController>(), { .prysm = true }, {} },
        { "misc, nothing installed", maker<qln::QLNMiscController>(), {},
            { "Prysm group", "prysm", "powerModule", "bcxiWeather", "thirdparty" } },
        { "misc, Prysm", maker<qln::QLNMiscController>(), { .prysm = true },
            { "notPrysm", "powerModule", "bcxiWeather", "thirdparty" } },
        { "misc, Prysm and BCIXWeatherModule", maker<qln::QLNMiscController>(),
            { .prysm = true, .bcixWeather = true }, { "notPrysm", "powerModule", "bcxiWeather" } },
        { "misc, BCIXWeatherModule", maker<qln::QLNMiscController>(), { .bcixWeather = true },
            { "Prysm group", "prysm", "powerModule" } },
        { "misc, PowerModule", maker<qln::QLNMiscController>(), { .powerModule = true },
            { "Prysm group", "prysm", "bcxiWeather" } },
        { "sliders, nothing installed", maker<qln::QLNSlidersController>(), {},
            { "Prysm group", "prysm", "ccRinger" } },
        { "sliders, CCRinger bundle without its executable", maker<qln::QLNSlidersController>(),
            { .ccRingerWithoutExecutable = true }, { "Prysm group", "prysm", "ccRinger" } },
        { "sliders, Prysm and CCRinger", maker<qln::QLNSlidersController>(),
            { .prysm = true, .ccRinger = true }, {} },
        { "power module page", maker<qln::QLNPowerModuleController>(), {}, {} },
        { "Prysm battery page", maker<qln::QLNPrysmBatteryController>(), {}, {} },
        { "Prysm power page", maker<qln::QLNPrysmPowerController>(), {}, {} },
        { "Prysm weather page", maker<qln::QLNPrysmWeatherController>(), { .prysm = true }, {} },
        { "BetterCCXI page", maker<qln::QLNBetterCCXIController>(), {}, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestDevice device;
        for (const char* layout : { "MediaControls", "Misc", "Sliders", "PowerModule",
                 "PrysmBattery", "PrysmPower", "PrysmWeather", "BetterCCXI" })
            writeLayout(device, layout, everyFeatureLayout());
        install(device, c.tweaks);
        auto page = c.open();
        EXPECT_EQ(titles(page->specifiers()), allBut(c.removed));
    }
}

// The footer above a "Change All" row names every background that the spread leaves alone (the
// "ContainerBackground" keys), so that it never promises more than it does.
TEST(SectionPages, ChangeAllFootersNameTheBackgroundsTheyLeaveAlone)
{
    for (const char* layout : { "Connectivity", "MediaControls", "Misc", "Sliders", "PowerModule",
             "PrysmBattery", "PrysmPower", "PrysmWeather", "BetterCCXI" }) {
        SCOPED_TRACE(layout);
        std::ifstream file(
            std::string(QLN_SOURCE_DIR) + "/resources/Quillane.bundle/" + layout + ".plist");
        std::stringstream bytes;
        bytes << file.rdbuf();
        auto parsed = fw::parsePropertyList(bytes.str());
        ASSERT_TRUE(parsed && parsed->asDictionary());
        const fw::Value* items = fw::lookup(*parsed->asDictionary(), "items");
        ASSERT_TRUE(items && items->asArray());

        std::string footer, globalFooter;
        std::vector<std::string> leftAlone;
        for (const auto& item : *items->asArray()) {
            const fw::Dictionary& row = *item.asDictionary();
            auto text = [&](const char* key) {
                const fw::Value* value = fw::lookup(row, key);
                return value && value->asString() ? *value->asString() : std::string();
            };
            if (text("cell") == "PSGroupCell")
                footer = text("footerText");
            if (fw::lookup(row, "global"))
                globalFooter = footer;
            if (text("key").find("ContainerBackground") == std::string::npos)
                continue;
            std::string title = text("label");
            std::transform(title.begin(), title.end(), title.begin(),
                [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            leftAlone.push_back(title.substr(0, title.rfind("background")));
        }
        ASSERT_FALSE(leftAlone.empty());
        EXPECT_NE(globalFooter.find(" keep"), std::string::npos) << globalFooter;
        for (std::string stem : leftAlone) {
            while (!stem.empty() && stem.back() == ' ')
                stem.pop_back();
            EXPECT_NE(globalFooter.find(stem), std::string::npos) << stem << ": " << globalFooter;
        }
    }
}

TEST(SectionPages, StoredListIsReturnedUntilReload)
{
    TestDevice device;
    writeLayout(device, "Misc", everyFeatureLayout());
    auto page = openPage<qln::QLNMiscController>();
    const fw::SpecifierList first = page->specifiers();

    install(device, { .prysm = true });
    EXPECT_EQ(page->specifiers(), first) << "a later request returns the stored rows";

    page->reloadSpecifiers();
    EXPECT_EQ(titles(page->specifiers()),
        allBut({ "notPrysm", "powerModule", "bcxiWeather", "thirdparty" }));
}

TEST(SectionPages, RegisteredByNameAsBasePages)
{
    qln::registerSectionPageClasses();
    for (const char* name :
        { "QLNMediaControlsController", "QLNMiscController", "QLNSlidersController",
            "QLNPowerModuleController", "QLNPrysmBatteryController", "QLNPrysmPowerController",
            "QLNPrysmWeatherController", "QLNBetterCCXIController", "QLNConnectivityController",
            "QLNConnectivityOrderController", "QLNTogglesController" }) {
        SCOPED_TRACE(name);
        const fw::ClassDescriptor* cls = fw::NSClassFromString(name);
        ASSERT_NE(cls, nullptr);
        ASSERT_TRUE(cls->make);
        auto page = cls->make();
        EXPECT_EQ(page->isa().name, name);
        EXPECT_TRUE(page->isKindOfClass(qln::QLNBaseController::classObject()));
    }
    for (const char* name : { "QLNConnectivityController", "QLNTogglesController" })
        EXPECT_TRUE(fw::NSClassFromString(name)->make()->respondsToSelector("switchState")) << name;
    EXPECT_TRUE(fw::NSClassFromString("QLNConnectivityOrderController")
                    ->make()
                    ->respondsToSelector("respring"));
}

} // namespace
