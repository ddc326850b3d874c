// Every file the system reads, damaged in every way we know: opening every page (and the
// theming component reading its palette) must answer each event, refuse the damaged file, and
// leave every file as it was.
#include "DeviceFiles.hpp"
#include "HostileFiles.hpp"
#include "ScratchDevice.hpp"
#include "UiDriver.hpp"
#include "foundation/PropertyList.hpp"
#include "theming/ThemingComponent.hpp"
#include "web/PreviewJson.hpp"

#include <chrono>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace reliability;

namespace {

struct ReadFile {
    const char* name;
    std::string devicePath;
};

const std::string kBundle = "/Library/PreferenceBundles/Quillane.bundle/";
const std::string kSettings = "/var/mobile/Library/Preferences/com.tarrowvine.quillane.plist";
const std::string kPresetA
    = "/var/mobile/Library/Preferences/com.tarrowvine.quillane.presets/A.plist";

std::vector<ReadFile> readFiles()
{
    std::vector<ReadFile> files {
        { "settings", "/var/mobile/Library/Preferences/com.tarrowvine.quillane.plist" },
        { "persistent",
            "/var/mobile/Library/Preferences/com.tarrowvine.quillane.persistent.plist" },
        { "defaults", kBundle + "defaults.plist" },
        { "preset", kPresetA },
        { "module_info",
            "/System/Library/ControlCenter/Bundles/FlashlightModule.bundle/Info.plist" },
        { "tweak_module_info", "/Library/ControlCenter/Bundles/PowerModule.bundle/Info.plist" },
        { "module_strings",
            "/System/Library/ControlCenter/Bundles/FlashlightModule.bundle/en.lproj/"
            "InfoPlist.strings" },
        { "system_version", "/System/Library/CoreServices/SystemVersion.plist" },
        { "enabled_modules", "/var/mobile/Library/ControlCenter/ModuleConfiguration.plist" },
        { "pasteboard", "/.pasteboard.plist" },
    };
    for (const char* layout :
        { "Root", "Presets", "Connectivity", "Toggles", "MediaControls", "Sliders", "Misc",
            "PowerModule", "BetterCCXI", "PrysmBattery", "PrysmPower", "PrysmWeather" })
        files.push_back({ layout, kBundle + layout + ".plist" });
    return files;
}

// Every page of the bundle is reachable only with every tweak installed.
device::DeviceOptions everyTweak()
{
    device::DeviceOptions options;
    options.prysm = options.powerModule = options.bcixWeather = options.ccRinger = true;
    options.noctis = true;
    return options;
}

// What a user sees of a screen: pages, rows and what is presented (not the header's version,
// which arrives from a background job whenever it is ready).
json seen(const json& screen)
{
    auto at = [](const json& object, const char* key) {
        return object.is_object() ? object.value(key, json()) : json();
    };
    json rows = json::array();
    for (const auto& row : at(at(screen, "page"), "rows")) {
        json kept = json::array();
        for (const char* key : { "cell", "key", "title", "detail", "enabled", "value", "footer" })
            kept.push_back(at(row, key));
        rows.push_back(kept);
    }
    const json modal = at(screen, "modal");
    return { at(screen, "stack"), at(screen, "error"), rows, at(modal, "title"),
        at(modal, "actions") };
}

// Opens each page linked from the root page (and the order page under Connectivity) and
// exports every listed preset; answers what each event showed.
std::vector<json> visitEverything(UiDriver& ui, const std::string& damagedLayout)
{
    std::vector<json> screens;
    ui.afterEvent = [&](const json&) { screens.push_back(seen(ui.screen())); };
    ui.toRoot();
    EXPECT_EQ(ui.screen()["stack"].size(), 1u) << "the root page did not open";
    std::vector<std::string> links;
    for (const auto& row : ui.screen()["page"]["rows"]) {
        if (row["cell"] == "link" && row["title"].is_string())
            links.push_back(row["title"].get<std::string>());
    }
    EXPECT_TRUE(damagedLayout == "Root" || links.size() >= 5) << "the root page lists no pages";
    for (const auto& title : links) {
        ui.openPage(title);
        EXPECT_EQ(ui.screen()["stack"].size(), 2u) << title << " did not open";
        for (const auto& name : ui.presetNames()) {
            ui.send(event("tap", { { "row", { { "fileName", name } } } }));
            if (ui.modalHasAction("Export"))
                ui.send(event("alert", { { "button", "Export" } }));
            ui.dismissModals();
        }
        // The order page stays closed: its row is disabled until custom toggle colours are on.
        if (title == "Connectivity")
            ui.send(event("tap", { { "row", rowByKey("rearrangeToggles") } }));
    }
    ui.toRoot();
    ui.afterEvent = nullptr;
    return screens;
}

// The palette the theming component resolves from the device's files.
std::string palette()
{
    theming::ThemingComponent component;
    component.start();
    return web::previewJson(component.palette());
}

// A row write after the walk, on a page whose layout is at hand.
const json& writeARow(UiDriver& ui, const std::string& damagedLayout)
{
    ui.openPage(damagedLayout == "Sliders" ? "Miscellaneous" : "Sliders");
    if (damagedLayout == "Sliders")
        return ui.send(
            event("switch", { { "row", rowByKey("colorExpandedModules") }, { "value", true } }));
    ui.send(event("tap", { { "row", rowByKey("brightnessFill") } }));
    ui.send(event("pick", { { "color", "#123456" } }));
    return ui.send(event("closePicker"));
}

FileMap withoutMarker(const FileMap& files)
{
    FileMap kept;
    for (const auto& [path, contents] : files) {
        if (path != "com.tarrowvine.quillane.configured")
            kept[path] = contents;
    }
    return kept;
}

void PrintTo(const ReadFile& file, std::ostream* out)
{
    *out << file.devicePath;
}

class DamagedFile : public ::testing::TestWithParam<ReadFile> { };

} // namespace

namespace {

// The device with the file damaged, or without it (no damage): what the walk showed, the palette,
// and the files before and after.
struct Walk {
    std::vector<json> screens;
    std::string palette;
    FileMap before;
    FileMap after;
    std::string damaged;
    std::string fileAfter;
    std::string settingsAfterWrite;
    json writeError;
    double seconds { 0 };
};

Walk walkWith(const ReadFile& file, std::string (*damage)(const std::string&))
{
    ScratchDevice device(everyTweak());
    fs::create_directories(device.hostPath(kPresetA).parent_path());
    fs::copy_file(device.hostPath(kSettings), device.hostPath(kPresetA));
    if (file.devicePath == "/.pasteboard.plist")
        writeWholeFile(device.hostPath(file.devicePath),
            "<?xml version=\"1.0\"?><plist><dict><key>kind</key><string>string</string>"
            "<key>string</key><string>x</string></dict></plist>");
    Walk walk;
    if (damage) {
        walk.damaged = damage(readWholeFile(device.hostPath(file.devicePath)));
        writeWholeFile(device.hostPath(file.devicePath), walk.damaged);
    } else {
        fs::remove(device.hostPath(file.devicePath));
    }
    walk.before = withoutMarker(trackedFiles(device.root()));
    auto started = std::chrono::steady_clock::now();
    UiDriver ui(device.root());
    walk.screens = visitEverything(ui, file.name);
    walk.seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    walk.palette = palette();
    walk.after = withoutMarker(trackedFiles(device.root()));
    if (file.devicePath != kBundle + "Root.plist") {
        walk.writeError = writeARow(ui, file.name).value("error", json());
        walk.settingsAfterWrite = readWholeFile(device.hostPath(kSettings));
    }
    walk.fileAfter = readWholeFile(device.hostPath(file.devicePath));
    return walk;
}

} // namespace

// A damaged file is refused: every page opens and shows what it shows without the file, the
// theming component resolves the palette it resolves without it, nothing is written by the
// walk, the damaged file stays as it is, and a row write afterwards still lands (or, on a
// damaged settings file, changes nothing).
TEST_P(DamagedFile, IsRefusedAsIfItWereAbsentAndNothingIsLost)
{
    const auto& file = GetParam();
    const Walk absent = walkWith(file, nullptr);
    double slowest = 0;
    for (const auto& damage : damages()) {
        SCOPED_TRACE(damage.name);
        auto walk = walkWith(file, damage.make);
        slowest = std::max(slowest, walk.seconds);

        EXPECT_EQ(walk.after, walk.before);
        // A preset file is listed whatever it holds (the store never reads one); only its
        // export judges it, and says so.
        if (file.devicePath != kPresetA) {
            ASSERT_EQ(walk.screens.size(), absent.screens.size());
            for (std::size_t i = 0; i < walk.screens.size(); ++i)
                EXPECT_EQ(walk.screens[i], absent.screens[i]) << "event " << i;
        }
        EXPECT_EQ(walk.palette, absent.palette);
        if (file.devicePath == "/.pasteboard.plist") {
            EXPECT_TRUE(fw::parsePropertyList(walk.fileAfter))
                << "exporting did not replace the pasteboard";
        } else {
            EXPECT_TRUE(walk.fileAfter == walk.damaged) << "the damaged file was changed";
        }

        if (file.devicePath == kBundle + "Root.plist")
            continue;
        auto settings = fw::parsePropertyList(walk.settingsAfterWrite);
        if (file.devicePath == kSettings) {
            EXPECT_TRUE(walk.settingsAfterWrite == walk.damaged) << "the write replaced it";
            continue;
        }
        ASSERT_TRUE(walk.writeError.is_null()) << walk.writeError;
        ASSERT_TRUE(settings && settings->asDictionary()) << "the settings file is damaged";
        const std::string key
            = file.name == std::string("Sliders") ? "colorExpandedModules" : "brightnessFill";
        const fw::Value* written = fw::lookup(*settings->asDictionary(), key);
        ASSERT_TRUE(written);
        EXPECT_EQ(
            *written, key == "brightnessFill" ? fw::Value("#123456:1.000000") : fw::Value(true));
    }
    // One figure file per damaged file: each runs in a process of its own.
    recordFigure("damaged-" + std::string(file.name),
        std::string(file.name) + ": " + std::to_string(damages().size())
            + " damages, slowest walk over every page "
            + std::to_string(static_cast<int>(slowest * 1000)) + " ms");
}

INSTANTIATE_TEST_SUITE_P(EveryFileTheSystemReads, DamagedFile, ::testing::ValuesIn(readFiles()),
    [](const auto& info) { return std::string(info.param.name); });
