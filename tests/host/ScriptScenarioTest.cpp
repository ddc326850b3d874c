// End-to-end scenarios: the real program on a real device directory, as a script drives it.
#include "BuildPaths.hpp"
#include "foundation/PropertyList.hpp"
#include "support/ScriptDriver.hpp"

#include <arpa/inet.h>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

using nlohmann::json;

namespace {

const std::string kSettings = "/var/mobile/Library/Preferences/com.tarrowvine.quillane.plist";
const std::string kPersistent
    = "/var/mobile/Library/Preferences/com.tarrowvine.quillane.persistent.plist";

json ev(std::string name, json fields = json::object())
{
    fields["event"] = std::move(name);
    return fields;
}

json tapTitle(const std::string& title)
{
    return ev("tap", { { "row", { { "title", title } } } });
}
json tapKey(const std::string& key)
{
    return ev("tap", { { "row", { { "key", key } } } });
}

// Opens the bundle and dismisses the first-run greeting.
std::vector<json> opening()
{
    return { ev("open"), ev("alert", { { "button", "OK" } }) };
}

fw::Dictionary plist(const ScriptDevice& device, const std::string& devicePath)
{
    auto value = fw::parsePropertyList(device.read(devicePath));
    if (!value || !value->asDictionary())
        return {};
    return *value->asDictionary();
}

std::string stringAt(const fw::Dictionary& dictionary, const std::string& key)
{
    auto* value = fw::lookup(dictionary, key);
    return value && value->asString() ? *value->asString() : std::string("<absent>");
}

std::vector<json> concat(std::vector<json> first, const std::vector<json>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

} // namespace

TEST(ScriptScenario, FirstOpeningGreetsOnceAndShowsTheRootPage)
{
    ScriptDevice device;
    auto screens = device.run({ ev("open") });
    ASSERT_EQ(screens.size(), 1u);
    auto& screen = screens[0];
    EXPECT_EQ(screen["stack"], json::array({ "QLNRootListController" }));
    EXPECT_EQ(screen["page"]["class"], "QLNRootListController");
    EXPECT_EQ(screen["modal"]["title"], "Welcome");
    EXPECT_EQ(screen["page"]["tableStyle"], 2);
    EXPECT_EQ(screen["page"]["separatorStyle"], 0);
    EXPECT_EQ(screen["page"]["tint"]["rgba"][0], 0.81);
    EXPECT_GE(rowIndex(screen, "Connectivity"), 0);
    // Prysm is not installed on a default device.
    EXPECT_EQ(rowIndex(screen, "Battery"), -1);
    EXPECT_TRUE(std::filesystem::exists(
        device.path("/var/mobile/Library/Preferences/com.tarrowvine.quillane.configured")));

    auto again = device.run({ ev("open") });
    EXPECT_TRUE(again[0]["modal"].is_null());
}

TEST(ScriptScenario, EveryPageNamesThePageBeneathItForItsBackButton)
{
    ScriptDevice device;
    const std::vector<std::pair<json, std::string>> steps {
        { ev("open"), "Settings" },
        { ev("alert", { { "button", "OK" } }), "Settings" },
        { tapTitle("Connectivity"), "Quillane" },
        { tapTitle("Rearrange Toggles"), "Connectivity" },
        { ev("back"), "Quillane" },
        { ev("back"), "Settings" },
        { tapTitle("Presets"), "Quillane" },
    };
    std::vector<json> events;
    for (auto& step : steps)
        events.push_back(step.first);
    auto screens = device.run(events);
    ASSERT_EQ(screens.size(), steps.size());
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(steps[i].first.dump());
        EXPECT_EQ(screens[i]["page"]["backTitle"], steps[i].second);
    }
    auto list = device.run({ ev("back"), ev("back") });
    EXPECT_TRUE(list[1]["page"].is_null());
}

TEST(ScriptScenario, AColourPickedOnARowReachesTheSettingsFile)
{
    ScriptDevice device;
    auto screens = device.run(concat(opening(),
        {
            tapTitle("Connectivity"),
            tapKey("wifiEnabled"),
            ev("pick", { { "color", "#00FF00:0.5" } }),
            ev("pick", { { "color", "#FF8000" } }),
            ev("closePicker"),
        }));
    ASSERT_EQ(screens.size(), 7u);
    EXPECT_EQ(screens[3]["modal"]["style"], "picker");
    // Reports are kept until the picker closes: nothing is written while dragging.
    EXPECT_TRUE(screens[4]["effects"].empty());
    EXPECT_TRUE(screens[5]["effects"].empty());
    auto& closed = screens[6];
    EXPECT_TRUE(closed["modal"].is_null());
    EXPECT_EQ(closed["posted"], json::array({ "com.tarrowvine.quillane/update" }));
    auto* row = rowWithKey(closed, "wifiEnabled");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ((*row)["detail"], "#FF8000");
    EXPECT_EQ((*row)["swatch"]["hidden"], false);
    EXPECT_EQ(stringAt(plist(device, kSettings), "wifiEnabled"), "#FF8000:1.000000");
    auto persistent = plist(device, kPersistent);
    auto* unsaved = fw::lookup(persistent, "unsaved");
    ASSERT_NE(unsaved, nullptr);
    EXPECT_TRUE(unsaved->boolValue());
}

TEST(ScriptScenario, AGlobalRowSpreadsOneColourOverThePage)
{
    ScriptDevice device;
    auto screens = device.run(concat(opening(),
        {
            tapTitle("Connectivity"),
            tapKey("connectivityGlobalPicker"),
            ev("alert", { { "button", "Yes" } }),
            ev("pick", { { "color", "#112233" } }),
            ev("closePicker"),
        }));
    auto& closed = screens.back();
    EXPECT_EQ(closed["posted"].size(), 1u);
    auto settings = plist(device, kSettings);
    EXPECT_EQ(stringAt(settings, "airplaneEnabled"), "#112233:1.000000");
    EXPECT_EQ(stringAt(settings, "hotspotGlyphEnabled"), "#112233:1.000000");
    EXPECT_EQ(stringAt(settings, "connectivityGlobalPicker"), "#112233:1.000000");
    // Protected keys and the other state's rows keep their values.
    EXPECT_EQ(stringAt(settings, "connectivityContainerBackground"), "<absent>");
    EXPECT_EQ(stringAt(settings, "airplaneDisabled"), "<absent>");
}

TEST(ScriptScenario, ReorderingTheConnectivityTogglesSavesTheOrderOnly)
{
    ScriptDevice device;
    auto screens = device.run(concat(opening(),
        {
            tapTitle("Connectivity"),
            tapKey("rearrangeToggles"),
            ev("move", { { "from", 1 }, { "to", 6 } }),
        }));
    auto& order = screens[3];
    EXPECT_EQ(order["page"]["rightButton"]["title"], "Respring");
    auto& moved = screens[4];
    ASSERT_TRUE(moved["error"].is_null()) << moved["error"];
    EXPECT_TRUE(moved["posted"].empty());
    EXPECT_EQ(moved["page"]["rows"][6]["title"], "Airplane Mode");
    auto settings = plist(device, kSettings);
    EXPECT_EQ(
        stringAt(settings, "connectivityPosition0"), "CCUIConnectivityCellularDataViewController");
    EXPECT_EQ(
        stringAt(settings, "connectivityPosition5"), "CCUIConnectivityAirplaneViewController");
    auto persistent = plist(device, kPersistent);
    EXPECT_EQ(fw::lookup(persistent, "unsaved"), nullptr);
}

TEST(ScriptScenario, PresetsKeepTheirStateThroughSaveAndLoad)
{
    ScriptDevice device;
    auto newPreset = [](const std::string& name) {
        return std::vector<json> { tapTitle("New Preset"),
            ev("alert", { { "button", "Save" }, { "text", { name } } }) };
    };
    auto events = concat(opening(), { tapTitle("Presets") });
    events = concat(events, newPreset("Night"));
    events = concat(events, newPreset("Day"));
    events = concat(events,
        {
            ev("back"),
            tapTitle("Connectivity"),
            tapKey("wifiEnabled"),
            ev("pick", { { "color", "#0000FF" } }),
            ev("closePicker"),
            ev("back"),
            tapTitle("Presets"),
        });
    auto screens = device.run(events);
    auto& presets = screens.back();
    auto dayRow = rowIndex(presets, "Day");
    ASSERT_GE(dayRow, 0);
    EXPECT_EQ(presets["page"]["rows"][dayRow]["detail"], "Unsaved");
    EXPECT_EQ(presets["page"]["rows"][dayRow]["accessory"], "checkmark");
    EXPECT_EQ(presets["page"]["rightButton"]["enabled"], true);

    // Loading another preset with unsaved changes asks first, then brings its settings back.
    auto more = device.run(concat(opening(),
        {
            tapTitle("Presets"),
            ev("tap", { { "row", { { "fileName", "Night" } } } }),
            ev("alert", { { "button", "Load" } }),
            ev("alert", { { "button", "OK" } }),
        }));
    auto& confirm = more[more.size() - 2];
    EXPECT_EQ(confirm["modal"]["title"], "Night");
    EXPECT_EQ(more.back()["posted"], json::array({ "com.tarrowvine.quillane/update" }));
    EXPECT_EQ(device.read(kSettings),
        device.read("/var/mobile/Library/Preferences/com.tarrowvine.quillane.presets/Night.plist"));
}

TEST(ScriptScenario, AnExportedPresetImportsUnderANewName)
{
    ScriptDevice device;
    auto screens = device.run(concat(opening(),
        {
            tapTitle("Presets"),
            tapTitle("New Preset"),
            ev("alert", { { "button", "Save" }, { "text", { "Mine" } } }),
            ev("tap", { { "row", { { "fileName", "Mine" } } } }),
            ev("alert", { { "button", "Export" } }),
            ev("alert", { { "button", "OK" } }),
            tapTitle("Import Preset"),
            ev("alert", { { "button", "Save" }, { "text", { "Copy" } } }),
        }));
    auto& exported = screens[6];
    EXPECT_EQ(exported["modal"]["title"], "Export successful");
    EXPECT_EQ(exported["pasteboard"]["kind"], "string");
    EXPECT_GE(rowIndex(screens.back(), "Copy"), 0);
    auto dir = std::string("/var/mobile/Library/Preferences/com.tarrowvine.quillane.presets/");
    EXPECT_EQ(device.read(dir + "Copy.plist"), device.read(dir + "Mine.plist"));
}

TEST(ScriptScenario, TheFullResetRestoresTheDefaults)
{
    ScriptDevice device;
    auto screens = device.run(concat(opening(),
        {
            tapTitle("Connectivity"),
            tapKey("wifiEnabled"),
            ev("pick", { { "color", "#0000FF" } }),
            ev("closePicker"),
            ev("back"),
            tapTitle("Reset All Settings"),
            ev("alert", { { "button", "Yes" } }),
        }));
    EXPECT_EQ(screens.back()["modal"]["title"], "Success");
    EXPECT_EQ(screens.back()["posted"], json::array({ "com.tarrowvine.quillane/update" }));
    EXPECT_EQ(device.read(kSettings),
        device.read("/Library/PreferenceBundles/Quillane.bundle/defaults.plist"));
}

// Backing out of a picker writes nothing, also later: the row forgets the colour being picked.
TEST(ScriptScenario, CancellingAPickerWritesNothingThenOrAtTheNextClose)
{
    for (const std::string key : { "wifiEnabled", "connectivityGlobalPicker" }) {
        SCOPED_TRACE(key);
        ScriptDevice device;
        std::vector<json> open { tapKey(key) };
        if (key.ends_with("GlobalPicker"))
            open.push_back(ev("alert", { { "button", "Yes" } }));
        auto events = concat(opening(), { tapTitle("Connectivity") });
        events = concat(events, open);
        events = concat(events, { ev("pick", { { "color", "#112233" } }), ev("cancelPicker") });
        events = concat(events, open);
        events = concat(events, { ev("closePicker") });
        auto screens = device.run(events);
        auto cancelled = screens[screens.size() - 2 - open.size()];
        EXPECT_TRUE(cancelled["error"].is_null());
        EXPECT_TRUE(cancelled["modal"].is_null());
        EXPECT_TRUE(cancelled["effects"].empty());
        EXPECT_EQ((*rowWithKey(cancelled, "wifiEnabled"))["detail"], "Default");
        EXPECT_TRUE(screens.back()["effects"].empty());
        auto settings = plist(device, kSettings);
        EXPECT_EQ(stringAt(settings, "wifiEnabled"), "<absent>");
        EXPECT_EQ(stringAt(settings, "airplaneEnabled"), "<absent>");
    }
}

// Two tabs share one picker: a tab's Done stores only the colour that tab shows.
TEST(ScriptScenario, ClosingWithAColourTheTabShowsStoresOnlyThatColour)
{
    const std::vector<std::tuple<std::string, bool, std::string>> cases {
        // colour the closing tab shows, closes, stored afterwards
        { "#34C759:1.000000", true, "#34C759:1.000000" },
        { "#34C759", true, "#34C759:1.000000" },
        { "#5856D6:1.000000", false, "<absent>" },
        { "#34C759:0.5", false, "<absent>" },
    };
    for (const auto& [shown, closes, stored] : cases) {
        SCOPED_TRACE(shown);
        ScriptDevice device;
        auto screens = device.run(concat(opening(),
            { tapTitle("Connectivity"), tapKey("hotspotEnabled"),
                ev("pick", { { "color", "#5856D6" } }), ev("pick", { { "color", "#34C759" } }),
                ev("closePicker", { { "color", shown } }) }));
        auto& answer = screens.back();
        EXPECT_EQ(answer["error"].is_null(), closes) << answer["error"];
        EXPECT_EQ(answer["modal"].is_null(), closes);
        if (!closes) {
            EXPECT_EQ(answer["modal"]["color"], "#34C759:1.000000");
        }
        EXPECT_EQ(stringAt(plist(device, kSettings), "hotspotEnabled"), stored);
    }
}

TEST(ScriptScenario, EventsThatCannotApplyAreAnsweredWithAnError)
{
    ScriptDevice device;
    auto screens = device.run({
        json("not an object"),
        ev("fly"),
        ev("tap", { { "row", 0 } }),
        ev("open"),
        ev("tap", { { "row", 3 } }),
        ev("alert", { { "button", "Nope" } }),
        ev("alert", { { "button", "OK" } }),
        ev("tap", { { "row", "three" } }),
        ev("tap", { { "row", 999 } }),
        ev("pick", { { "color", "#FFFFFF" } }),
        ev("move", { { "from", 1 } }),
        ev("undo"),
        ev("redo"),
    });
    ASSERT_EQ(screens.size(), 13u);
    for (std::size_t i : { 0u, 1u, 2u, 4u, 5u, 7u, 8u, 9u, 10u, 11u, 12u })
        EXPECT_TRUE(screens[i]["error"].is_string()) << "event " << i;
    EXPECT_TRUE(screens[3]["error"].is_null());
    EXPECT_TRUE(screens[6]["error"].is_null());
    // Nothing the refused events named happened: the greeting stayed until "OK".
    EXPECT_EQ(screens[5]["modal"]["title"], "Welcome");
}

TEST(Cli, BadCommandLinesExitWithAMessage)
{
    auto noCommand = runQuillane({});
    EXPECT_NE(noCommand.exitStatus, 0);
    auto noRoot = runQuillane({ "script" });
    EXPECT_NE(noRoot.exitStatus, 0);
    EXPECT_NE(noRoot.err.find("--root"), std::string::npos);
    auto notADevice = runQuillane({ "script", "--root", "/nonexistent/device" });
    EXPECT_NE(notADevice.exitStatus, 0);
    EXPECT_NE(notADevice.err.find("holds no device"), std::string::npos);
    auto badVersion
        = runQuillane({ "device", "init", "--root", "/tmp/x", "--system-version", "abc" });
    EXPECT_NE(badVersion.exitStatus, 0);
}

TEST(Cli, DeviceInitRefusesToOverwriteWhatIsNotADevice)
{
    ScriptDevice device;
    auto again = runQuillane({ "device", "init", "--root", device.root().string() });
    EXPECT_NE(again.exitStatus, 0);
    EXPECT_NE(again.err.find("--force"), std::string::npos);
    auto forced = runQuillane({ "device", "init", "--root", device.root().string(), "--force" });
    EXPECT_EQ(forced.exitStatus, 0) << forced.err;

    auto home = device.root().parent_path() / "home";
    std::filesystem::create_directories(home);
    std::ofstream(home / "letter.txt") << "keep me";
    auto refused = runQuillane({ "device", "init", "--root", home.string(), "--force" });
    EXPECT_NE(refused.exitStatus, 0);
    EXPECT_TRUE(std::filesystem::exists(home / "letter.txt"));
}

TEST(Cli, DeviceInitLaysOutExactlyTheModulesAskedFor)
{
    const std::string kModules = "/var/mobile/Library/ControlCenter/ModuleConfiguration.plist";
    struct Case {
        const char* what;
        std::vector<std::string> options;
        std::optional<std::vector<std::string>> modules; // nullopt: the shipped selection
    };
    const Case cases[] = {
        { "no option", {}, std::nullopt },
        { "an empty list", { "--modules", "" }, std::vector<std::string> {} },
        { "two modules", { "--modules", "a.b,c.d" }, std::vector<std::string> { "a.b", "c.d" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptDevice device(c.options);
        auto stored = plist(device, kModules);
        const fw::Value* identifiers = fw::lookup(stored, "module-identifiers");
        ASSERT_TRUE(identifiers && identifiers->asArray());
        std::vector<std::string> names;
        for (const auto& identifier : *identifiers->asArray())
            names.push_back(*identifier.asString());
        if (c.modules)
            EXPECT_EQ(names, *c.modules);
        else
            EXPECT_FALSE(names.empty());
    }
}

TEST(Cli, ServeLaysOutADeviceInAnEmptyOrNewDirectoryOnly)
{
    // A port already taken makes `serve` stop right after it has dealt with the directory.
    int taken = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(taken, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(taken, 1), 0);
    ASSERT_EQ(::getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string port = std::to_string(ntohs(address.sin_port));

    ScriptDevice scratch;
    auto base = scratch.root().parent_path();
    std::filesystem::create_directories(base / "empty");
    std::filesystem::create_directories(base / "home");
    std::ofstream(base / "home" / "letter.txt") << "keep me";
    struct Case {
        const char* what;
        std::filesystem::path root;
        bool laidOut;
        const char* message;
    };
    const Case cases[] = {
        { "an empty directory", base / "empty", true, "created a device" },
        { "a new directory", base / "new" / "phone", true, "created a device" },
        { "a directory holding something else", base / "home", false, "not empty" },
        { "a device already there", scratch.root(), true, "cannot listen" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto result = runQuillane({ "serve", "--root", c.root.string(), "--port", port });
        EXPECT_NE(result.exitStatus, 0);
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(
            std::filesystem::exists(c.root / "System/Library/CoreServices/SystemVersion.plist"),
            c.laidOut);
    }
    EXPECT_TRUE(std::filesystem::exists(base / "home" / "letter.txt"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(base / "home"),
                  std::filesystem::directory_iterator()),
        1);
    ::close(taken);
}

// The program finds its data (bundle resources, device files, browser UI) in share/quillane
// beside its own folder, or where QUILLANE_DATA_DIR says; when it cannot, it names where it
// looked.
TEST(Cli, FindsItsDataBesideItselfOrWhereTheEnvironmentSays)
{
    namespace fs = std::filesystem;
    ScriptDevice scratch;
    const fs::path place = scratch.root().parent_path() / "installed";
    const fs::path program = place / "bin" / "quillane";
    fs::create_directories(program.parent_path());
    fs::copy_file(QUILLANE_EXE, program);
    const std::string resources = std::string(QLN_SOURCE_DIR) + "/resources";
    const std::string beside = (place / "share" / "quillane").string();
    struct Case {
        const char* what;
        std::vector<std::string> environment;
        bool withData;
        bool works;
        std::string named;
    };
    const Case cases[] = {
        { "nothing beside it", { "-QUILLANE_DATA_DIR" }, false, false, beside },
        { "the environment names the data", { "QUILLANE_DATA_DIR=" + resources }, false, true, "" },
        { "the environment names no data", { "QUILLANE_DATA_DIR=/nonexistent/data" }, true, false,
            "/nonexistent/data" },
        { "the data beside it", { "-QUILLANE_DATA_DIR" }, true, true, "" },
    };
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(place / "share");
        if (c.withData) {
            fs::create_directories(beside);
            for (const char* part : { "Quillane.bundle", "device", "web" })
                fs::create_directory_symlink(resources + "/" + part, fs::path(beside) / part);
        }
        auto root = place / ("device" + std::to_string(run++));
        auto result = runProgram(
            program.string(), { "device", "init", "--root", root.string() }, {}, c.environment);
        EXPECT_EQ(result.exitStatus == 0, c.works) << result.err;
        EXPECT_EQ(
            fs::exists(root / "Library/PreferenceBundles/Quillane.bundle/Root.plist"), c.works);
        if (!c.works) {
            EXPECT_NE(result.err.find(c.named), std::string::npos) << result.err;
        }
    }
}
