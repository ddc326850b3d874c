#include "ccservices/CCSModuleRepository.hpp"
#include "ccservices/CCSModuleSettingsProvider.hpp"
#include "cells/CellClasses.hpp"
#include "device/DeviceSetup.hpp"
#include "foundation/Device.hpp"
#include "foundation/NSBundle.hpp"
#include "pages/QLNTogglesController.hpp"
#include "pages/SectionPageSupport.hpp"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>

namespace {

using namespace sectiontest;

constexpr std::string_view stockFolder = "/System/Library/ControlCenter/Bundles/";
constexpr std::string_view thirdPartyFolder = "/Library/ControlCenter/Bundles/";
constexpr std::string_view configurationFile
    = "/var/mobile/Library/ControlCenter/ModuleConfiguration.plist";

struct Module {
    std::string bundle; // device path of the bundle directory
    fw::Dictionary info;
    std::optional<fw::Dictionary> strings;
};

void install(const TestDevice& device, const Module& module)
{
    writePlist(device, module.bundle + "/Info.plist", module.info);
    if (module.strings)
        writePlist(device, module.bundle + "/en.lproj/InfoPlist.strings", *module.strings);
}

fw::Dictionary info(
    std::string identifier, std::string displayName = {}, std::string bundleName = {})
{
    fw::Dictionary dictionary;
    if (!identifier.empty())
        dictionary["CFBundleIdentifier"] = fw::Value(identifier);
    if (!displayName.empty())
        dictionary["CFBundleDisplayName"] = fw::Value(displayName);
    if (!bundleName.empty())
        dictionary["CFBundleName"] = fw::Value(bundleName);
    return dictionary;
}

fw::Dictionary localized(std::string displayName)
{
    return { { "CFBundleDisplayName", fw::Value(displayName) } };
}

std::string stock(std::string name)
{
    return std::string(stockFolder) + name + ".bundle";
}
std::string thirdParty(std::string name)
{
    return std::string(thirdPartyFolder) + name + ".bundle";
}

const std::string flashlightId = "com.apple.control-center.FlashlightModule";
const std::string textSizeId = "com.apple.control-center.TextSizeModule";
const std::string orientationId = "com.apple.control-center.OrientationLockModule";
const std::string doNotDisturbId = "com.apple.donotdisturb.DoNotDisturbModule";
const std::string timerId = "com.apple.mobiletimer.controlcenter.timer";
const std::string noctisId = "com.laughingquoll.noctis.toggle";

// Every rule of a module's row, as the user's enabled list orders them.
const std::vector<Module> modules = {
    { thirdParty("Noctis"), info(noctisId, "", "Noctis"), {} },
    { stock("OrientationLock"), info(orientationId, "Portrait Orientation Lock"),
        localized("Portrait Lock") },
    { stock("Flashlight"), info(flashlightId, "Torch"), localized("Flashlight") },
    { thirdParty("PowerModule"), info("com.dorvak07.powermodule", "PowerModule", "PowerModule"),
        {} },
    { stock("DoNotDisturb"), info(doNotDisturbId, "Do Not Disturb Mode"), {} },
    { stock("TextSize"), info(textSizeId, "", "TextSizeModule"), localized("Text Size") },
    { thirdParty("BCIXWeather"), info("com.yelbrin.betterccxi.weathermodule", "Weather"), {} },
    { stock("ReplayKit"),
        info("com.apple.replaykit.controlcenter.screenrecording", "", "ReplayKit"), {} },
    { thirdParty("Applesauce"), info("com.applesauce.toggle", "", "Applesauce"), {} },
    { thirdParty("Nameless"), info("com.example.nameless"), {} },
    { stock("Timer"), info(timerId, "Timer", "TimerModule"), {} },
};
const std::vector<std::string> enabledList = { noctisId, orientationId, "com.example.notinstalled",
    flashlightId, "com.dorvak07.powermodule", doNotDisturbId, textSizeId,
    "com.yelbrin.betterccxi.weathermodule", "com.apple.replaykit.controlcenter.screenrecording",
    "com.example.broken", "com.applesauce.toggle", "com.example.nameless", timerId };
// The rows those modules get, in the user's order.
const std::vector<std::pair<std::string, std::string>> expectedRows = { { "Noctis", noctisId },
    { "Orientation Lock", orientationId }, { "Flashlight", flashlightId },
    { "Do Not Disturb", doNotDisturbId }, { "Text Size", textSizeId }, { "Timer", timerId } };

void writeTogglesLayout(const TestDevice& device)
{
    writeLayout(device, "Toggles",
        { groupItem(""), keyedItem("switchState", "Switch"), groupItem("Modules") });
}

void writeEnabledModules(const TestDevice& device, const std::vector<std::string>& identifiers)
{
    fw::Array list(identifiers.begin(), identifiers.end());
    list.insert(list.begin() + 1, fw::Value(42)); // not an identifier: ignored
    writePlist(device, configurationFile, { { "module-identifiers", fw::Value(std::move(list)) } });
}

void installServices(const TestDevice& device)
{
    std::filesystem::create_directories(device.hostPath(qln::controlCenterServicesPath));
}

// A device with every module above installed and enabled, and a damaged module bundle.
void layOutModules(const TestDevice& device)
{
    writeTogglesLayout(device);
    for (const auto& module : modules)
        install(device, module);
    device.write(thirdParty("Broken") + "/Info.plist", "<plist><dict><key>CFBundle");
    writeEnabledModules(device, enabledList);
}

std::vector<std::string> expectedIds(std::string_view state)
{
    std::vector<std::string> ids = { "#", "switchState", "#Modules" };
    for (const auto& [name, identifier] : expectedRows)
        ids.push_back(identifier + std::string(state));
    ids.push_back("togglesGlobalPicker");
    return ids;
}

std::vector<std::string> names(const fw::SpecifierList& rows)
{
    std::vector<std::string> result;
    for (const auto& row : rows)
        result.push_back(row->name());
    return result;
}

std::vector<std::string> expectedNames(std::string_view switchTitle)
{
    std::vector<std::string> result = { "", std::string(switchTitle), "Modules" };
    for (const auto& [name, identifier] : expectedRows)
        result.push_back(name);
    result.push_back("Change All");
    return result;
}

void expectColorRow(const fw::PSSpecifier& row, const std::string& name, const fw::NSObject* page)
{
    EXPECT_EQ(row.name(), name);
    EXPECT_EQ(*row.stringForKey("label"), name);
    EXPECT_EQ(*row.stringForKey("defaults"), "com.tarrowvine.quillane");
    EXPECT_EQ(row.classForKey("cellClass"), fw::NSClassFromString("QLNColorPicker"));
    EXPECT_EQ(row.cellType(), fw::PSLinkCell);
    EXPECT_EQ(row.getter(), "readPreferenceValue:");
    EXPECT_EQ(row.setter(), "setPreferenceValue:specifier:");
    EXPECT_EQ(row.target().get(), page);
    EXPECT_EQ(row.propertyForKey("default"), nullptr);
}

TEST(TogglesPage, GivesEachEnabledModuleARowKeyedByTheEditedState)
{
    qln::registerCellClasses();
    ASSERT_NE(fw::NSClassFromString("QLNColorPicker"), nullptr);
    TestDevice device;
    installServices(device);
    layOutModules(device);
    auto page = openPage<qln::QLNTogglesController>();

    struct State {
        const char* word;
        const char* switchTitle;
    };
    for (const State state : { State { "Enabled", "Colors for Enabled State" },
             State { "Disabled", "Colors for Disabled State" },
             State { "Enabled", "Colors for Enabled State" } }) {
        SCOPED_TRACE(state.word);
        const auto& rows = page->specifiers();
        EXPECT_EQ(rowIds(rows), expectedIds(state.word));
        EXPECT_EQ(names(rows), expectedNames(state.switchTitle));
        for (std::size_t i = 3; i < rows.size(); ++i) {
            expectColorRow(*rows[i], rows[i]->name(), page.get());
            EXPECT_EQ(rows[i]->propertyForKey("global") != nullptr, i + 1 == rows.size());
        }
        EXPECT_EQ(*rows.back()->valueForKey("global"), fw::Value(true));
        page->perform("switchState");
    }
}

TEST(TogglesPage, EveryOpeningStartsInTheEnabledState)
{
    TestDevice device;
    installServices(device);
    layOutModules(device);
    openPage<qln::QLNTogglesController>()->switchState();
    ASSERT_FALSE(qln::qlnEnabledState);

    auto page = openPage<qln::QLNTogglesController>();
    EXPECT_TRUE(qln::qlnEnabledState);
    EXPECT_EQ(rowIds(page->specifiers()), expectedIds("Enabled"));
    EXPECT_EQ(page->specifiers()[1]->name(), "Colors for Enabled State");
}

TEST(TogglesPage, ModuleListIsReadAtEveryBuild)
{
    TestDevice device;
    installServices(device);
    writeTogglesLayout(device);
    auto page = openPage<qln::QLNTogglesController>();
    EXPECT_EQ(rowIds(page->specifiers()),
        (std::vector<std::string> { "#", "switchState", "#Modules", "togglesGlobalPicker" }));

    for (const auto& module : modules)
        install(device, module);
    writeEnabledModules(device, { timerId, flashlightId });
    EXPECT_EQ(page->specifiers().size(), 4u) << "the stored list stays until a reload";
    page->reloadSpecifiers();
    EXPECT_EQ(rowIds(page->specifiers()),
        (std::vector<std::string> { "#", "switchState", "#Modules", timerId + "Enabled",
            flashlightId + "Enabled", "togglesGlobalPicker" }));
}

TEST(TogglesPage, KeysComeFromTheBundlesOwnIdentifier)
{
    TestDevice device;
    const Module moved { thirdParty("Elsewhere"), info("com.example.real", "Real"), {} };
    install(device, moved);
    install(device, { thirdParty("NoIdentifier"), info("", "Untitled Key"), {} });
    auto page = openPage<qln::QLNTogglesController>();

    auto bundle = fw::NSBundle::bundleWithURL(moved.bundle);
    ASSERT_NE(bundle, nullptr);
    auto row = page->generateSpecifierForBundle(*bundle);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(*row->stringForKey("key"), "com.example.realEnabled");

    auto withoutIdentifier = fw::NSBundle::bundleWithURL(thirdParty("NoIdentifier"));
    ASSERT_NE(withoutIdentifier, nullptr);
    EXPECT_EQ(page->generateSpecifierForBundle(*withoutIdentifier), nullptr)
        << "a module without an identifier would share its key with every other such module";
}

TEST(TogglesPage, ShippedDeviceListsItsEnabledModules)
{
    qln::registerCellClasses();
    TestDevice scratch;
    const auto root = scratch.root() / "device";
    device::DeviceOptions options;
    options.powerModule = options.bcixWeather = options.noctis = true;
    options.enabledModules = { orientationId, "com.dorvak07.powermodule",
        "com.apple.mediaremote.controlcenter.airplaymirroring", flashlightId,
        "com.yelbrin.betterccxi.weathermodule", "com.apple.replaykit.controlcenter.screenrecording",
        textSizeId, noctisId, doNotDisturbId };
    device::initDevice(root, options);
    fw::Device::setRoot(root);

    auto page = openPage<qln::QLNTogglesController>();
    const auto& rows = page->specifiers();
    std::vector<std::string> modulesShown;
    for (const auto& row : rows) {
        if (row->classForKey("cellClass") == fw::NSClassFromString("QLNColorPicker"))
            modulesShown.push_back(row->name() + " " + *row->stringForKey("key"));
    }
    EXPECT_EQ(modulesShown,
        (std::vector<std::string> { "Orientation Lock " + orientationId + "Enabled",
            "Screen Mirroring com.apple.mediaremote.controlcenter.airplaymirroringEnabled",
            "Flashlight " + flashlightId + "Enabled", "Text Size " + textSizeId + "Enabled",
            "Noctis " + noctisId + "Enabled", "Do Not Disturb " + doNotDisturbId + "Enabled",
            "Change All togglesGlobalPicker" }));
}

// Runs in a process of its own: loading the services' framework makes its classes known for
// the rest of the process, as on the device.
int buildWithoutServicesThenWith()
{
    TestDevice device;
    layOutModules(device);
    auto page = openPage<qln::QLNTogglesController>();
    const auto layoutOnly
        = std::vector<std::string> { "#", "switchState", "#Modules", "togglesGlobalPicker" };
    if (rowIds(page->specifiers()) != layoutOnly) {
        std::cerr << "module rows without ControlCenterServices\n";
        return 1;
    }
    if (fw::NSClassFromString("CCSModuleRepository")
        || fw::NSClassFromString("CCSModuleSettingsProvider")) {
        std::cerr << "service classes known before their framework was loaded\n";
        return 2;
    }
    installServices(device);
    page->reloadSpecifiers();
    if (rowIds(page->specifiers()) != expectedIds("Enabled")) {
        std::cerr << "classes not looked up again once the framework appeared\n";
        return 3;
    }
    return 0;
}

TEST(TogglesPageDeathTest, WithoutControlCenterServicesShowsLayoutRowsAndChangeAll)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(buildWithoutServicesThenWith()), testing::ExitedWithCode(0), "");
}

TEST(ModuleServices, RepositoryFindsBundlesByTheirIdentifier)
{
    TestDevice device;
    install(device, { stock("Flashlight"), info(flashlightId, "Torch"), {} });
    install(device, { thirdParty("FlashlightCopy"), info(flashlightId, "Copy"), {} });
    install(device, { thirdParty("Noctis"), info(noctisId, "", "Noctis"), {} });
    install(device, { thirdParty("NoIdentifier"), info("", "Nameless"), {} });
    writePlist(device, std::string(thirdPartyFolder) + "NotABundle/Info.plist",
        info("com.example.notabundle"));
    auto repository = fw::CCSModuleRepository::repositoryWithDefaults();

    struct Case {
        std::string identifier;
        std::optional<std::string> bundle;
    };
    for (const auto& c : { Case { flashlightId, stock("Flashlight") },
             Case { noctisId, thirdParty("Noctis") }, Case { "com.example.notabundle", {} },
             Case { "", {} }, Case { "com.example.absent", {} } }) {
        SCOPED_TRACE(c.identifier);
        auto metadata = repository->moduleMetadataForModuleIdentifier(c.identifier);
        if (!c.bundle) {
            EXPECT_EQ(metadata, nullptr);
            continue;
        }
        ASSERT_NE(metadata, nullptr);
        EXPECT_EQ(metadata->moduleBundleURL(), c.bundle);
    }
}

TEST(ModuleServices, ProviderReadsTheEnabledModulesAfresh)
{
    TestDevice device;
    auto provider = fw::CCSModuleSettingsProvider::sharedProvider();
    EXPECT_TRUE(provider->orderedUserEnabledModuleIdentifiers().empty());
    writeEnabledModules(device, { timerId, flashlightId, noctisId });
    EXPECT_EQ(provider->orderedUserEnabledModuleIdentifiers(),
        (std::vector<std::string> { timerId, flashlightId, noctisId }));
    writeEnabledModules(device, { noctisId });
    EXPECT_EQ(
        provider->orderedUserEnabledModuleIdentifiers(), std::vector<std::string> { noctisId });
}

TEST(ModuleServices, BundlesOpenOnlyWhereADirectoryIs)
{
    TestDevice device;
    install(device, { stock("Plain"), info("com.example.plain", "Plain"), {} });
    install(device,
        { stock("Localized"), info("com.example.localized", "Plain"), localized("Localized") });

    EXPECT_EQ(fw::NSBundle::bundleWithURL(stock("Absent")), nullptr);
    EXPECT_FALSE(fw::NSBundle::bundleWithPath(stock("Absent"))->load());
    EXPECT_TRUE(fw::NSBundle::bundleWithPath(stock("Plain"))->load());

    auto plain = fw::NSBundle::bundleWithURL(stock("Plain"));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->localizedInfoDictionary(), plain->infoDictionary());
    auto localizedBundle = fw::NSBundle::bundleWithURL(stock("Localized"));
    ASSERT_NE(localizedBundle, nullptr);
    EXPECT_EQ(localizedBundle->localizedInfoDictionary(), localized("Localized"));
    EXPECT_EQ(
        *fw::lookup(localizedBundle->infoDictionary(), "CFBundleDisplayName"), fw::Value("Plain"));
}

} // namespace
