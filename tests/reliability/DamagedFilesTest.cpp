// Every file the system reads, damaged in every way we know: opening every page (and the
// theming component reading its palette) must answer each event, refuse the damaged file, and
// leave every file as it was.
#include "DeviceFiles.hpp"
#include "HostileFiles.hpp"
#include "ScratchDevice.hpp"
#include "UiDriver.hpp"
#include "foundation/PropertyList.hpp"
#include "theming/ThemingComponent.hpp"

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

// Opens each page linked from the root page (and the order page under Connectivity), exports
// every listed preset, and lets the theming component read its palette.
void visitEverything(UiDriver& ui)
{
    ui.toRoot();
    std::vector<std::string> links;
    for (const auto& row : ui.screen()["page"]["rows"]) {
        if (row["cell"] == "link" && row["title"].is_string())
            links.push_back(row["title"].get<std::string>());
    }
    for (const auto& title : links) {
        ui.openPage(title);
        for (const auto& name : ui.presetNames()) {
            ui.send(event("tap", { { "row", { { "fileName", name } } } }));
            if (ui.modalHasAction("Export"))
                ui.send(event("alert", { { "button", "Export" } }));
            ui.dismissModals();
        }
        if (title == "Connectivity")
            ui.send(event("tap", { { "row", rowByKey("rearrangeToggles") } }));
    }
    ui.toRoot();
    theming::ThemingComponent component;
    component.start();
    (void)component.palette();
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

TEST_P(DamagedFile, IsRefusedAndNothingIsLost)
{
    const auto& file = GetParam();
    double slowest = 0;
    for (const auto& damage : damages()) {
        SCOPED_TRACE(damage.name);
        ScratchDevice device(everyTweak());
        fs::create_directories(device.hostPath(kPresetA).parent_path());
        fs::copy_file(
            device.hostPath("/var/mobile/Library/Preferences/com.tarrowvine.quillane.plist"),
            device.hostPath(kPresetA));
        if (file.devicePath == "/.pasteboard.plist")
            writeWholeFile(device.hostPath(file.devicePath),
                "<?xml version=\"1.0\"?><plist><dict><key>kind</key><string>string</string>"
                "<key>string</key><string>x</string></dict></plist>");
        auto damaged = damage.make(readWholeFile(device.hostPath(file.devicePath)));
        writeWholeFile(device.hostPath(file.devicePath), damaged);
        auto before = withoutMarker(trackedFiles(device.root()));

        auto started = std::chrono::steady_clock::now();
        UiDriver ui(device.root());
        visitEverything(ui);
        slowest = std::max(slowest,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());

        EXPECT_EQ(ui.screen()["stack"].size(), 1u) << "the root page did not open";
        EXPECT_EQ(withoutMarker(trackedFiles(device.root())), before);
        auto now = readWholeFile(device.hostPath(file.devicePath));
        if (file.devicePath == "/.pasteboard.plist")
            EXPECT_TRUE(fw::parsePropertyList(now)) << "exporting did not replace the pasteboard";
        else
            EXPECT_TRUE(now == damaged) << "the damaged file was changed";
    }
    // One figure file per damaged file: each runs in a process of its own.
    recordFigure("damaged-" + std::string(file.name),
        std::string(file.name) + ": " + std::to_string(damages().size())
            + " damages, slowest walk over every page "
            + std::to_string(static_cast<int>(slowest * 1000)) + " ms");
}

INSTANTIATE_TEST_SUITE_P(EveryFileTheSystemReads, DamagedFile, ::testing::ValuesIn(readFiles()),
    [](const auto& info) { return std::string(info.param.name); });
