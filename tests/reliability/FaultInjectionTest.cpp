// Every writer of the system with each kind of file operation failing: nothing may crash, no
// file may end up other than its old or its new content, nothing temporary may stay behind,
// and where a writer promises to say that it failed, it says so. The table of outcomes is
// written to the build folder (reliability/fault-table.md) for the README.
#include "BuildPaths.hpp"
#include "DeviceFiles.hpp"
#include "ScratchDevice.hpp"
#include "UiDriver.hpp"
#include "foundation/FileFaults.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "presets/PresetExchange.hpp"
#include "theming/AppearancePreset.hpp"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;
using namespace reliability;

namespace {

constexpr std::array kFaults { fw::FileOp::Read, fw::FileOp::Write, fw::FileOp::Flush,
    fw::FileOp::Rename, fw::FileOp::Copy, fw::FileOp::Remove, fw::FileOp::CreateDirectory,
    fw::FileOp::List, fw::FileOp::CreateFile };

struct Writer {
    const char* name;
    std::function<void(UiDriver&)> arrange;
    // Runs the write; answers what the user is told (an alert's title) or the outcome.
    std::function<std::string(UiDriver&)> act;
    // The alert a failure of this writer shows; empty where failures stay silent.
    const char* failureNotice;
    // The file whose loss the alert reports ("settings", "preset").
    const char* primary = "";
};

struct Observation {
    FileMap before;
    FileMap after;
    std::set<std::string> changed;
    std::string told;
    std::string shown; // the preset rows on the page afterwards
    std::vector<std::string> problems;
};

std::string alertTitle(UiDriver& ui)
{
    return ui.modalTitle();
}

std::string tell(UiDriver& ui, json event)
{
    ui.send(std::move(event));
    return alertTitle(ui);
}

json choose(const std::string& button, std::optional<std::string> text = std::nullopt)
{
    json fields { { "button", button } };
    if (text)
        fields["text"] = { *text };
    return event("alert", fields);
}

void pickOn(UiDriver& ui, const std::string& key)
{
    ui.send(event("tap", { { "row", rowByKey(key) } }));
    ui.send(event("pick", { { "color", "#123456" } }));
}

void writeRow(UiDriver& ui)
{
    ui.openPage("Sliders");
    pickOn(ui, "brightnessFill");
    ui.send(event("closePicker"));
}

void createPreset(UiDriver& ui, const std::string& name)
{
    ui.openPage("Presets");
    ui.send(event("tap", { { "row", rowByTitle("New Preset") } }));
    ui.send(choose("Save", name));
}

void openSheetOf(UiDriver& ui, const std::string& name)
{
    ui.openPage("Presets");
    ui.send(event("tap", { { "row", { { "fileName", name } } } }));
}

std::string presetRows(const UiDriver& ui)
{
    std::string shown;
    for (const auto& name : ui.presetNames())
        shown += (shown.empty() ? "" : ",") + name;
    return shown;
}

std::string applyDarkPreset()
{
    using Outcome = theming::PresetApplication::Outcome;
    switch (theming::applyAppearancePreset(theming::Appearance::Dark).outcome) {
    case Outcome::Applied:
        return "applied";
    case Outcome::CopyFailed:
        return "copy failed";
    case Outcome::FileMissing:
        return "preset missing";
    default:
        return "not applied";
    }
}

std::vector<Writer> writers()
{
    return {
        { "row write",
            [](UiDriver& ui) {
                ui.openPage("Sliders");
                pickOn(ui, "brightnessFill");
            },
            [](UiDriver& ui) { return tell(ui, event("closePicker")); }, "" },
        { "switch write", [](UiDriver& ui) { ui.openPage("Miscellaneous"); },
            [](UiDriver& ui) {
                return tell(ui,
                    event("switch",
                        { { "row", rowByKey("colorExpandedModules") }, { "value", true } }));
            },
            "" },
        { "long-press reset", writeRow,
            [](UiDriver& ui) {
                return tell(ui, event("longPress", { { "row", rowByKey("brightnessFill") } }));
            },
            "" },
        { "global spread",
            [](UiDriver& ui) {
                ui.openPage("Sliders");
                ui.send(event("tap", { { "row", rowByKey("slidersGlobalPicker") } }));
                ui.send(choose("Yes"));
                ui.send(event("pick", { { "color", "#654321" } }));
            },
            [](UiDriver& ui) { return tell(ui, event("closePicker")); }, "" },
        { "global reset",
            [](UiDriver& ui) {
                writeRow(ui);
                ui.send(event("longPress", { { "row", rowByKey("slidersGlobalPicker") } }));
            },
            [](UiDriver& ui) { return tell(ui, choose("Yes")); }, "" },
        { "order save",
            [](UiDriver& ui) {
                ui.openPage("Connectivity");
                ui.send(event("tap", { { "row", rowByKey("rearrangeToggles") } }));
            },
            [](UiDriver& ui) {
                return tell(ui, event("move", { { "from", 1 }, { "to", 4 } }));
            },
            "" },
        { "full reset",
            [](UiDriver& ui) {
                createPreset(ui, "A");
                writeRow(ui);
                ui.toRoot();
                ui.send(event("tap", { { "row", rowByTitle("Reset All Settings") } }));
            },
            [](UiDriver& ui) { return tell(ui, choose("Yes")); }, "Reset failed", "settings" },
        { "preset create",
            [](UiDriver& ui) {
                ui.openPage("Presets");
                ui.send(event("tap", { { "row", rowByTitle("New Preset") } }));
            },
            [](UiDriver& ui) { return tell(ui, choose("Save", "Evening")); }, "Save failed",
            "preset" },
        { "preset save",
            [](UiDriver& ui) {
                createPreset(ui, "A");
                writeRow(ui);
                ui.openPage("Presets");
            },
            [](UiDriver& ui) { return tell(ui, event("barButton")); }, "Save failed", "preset" },
        { "preset load",
            [](UiDriver& ui) {
                createPreset(ui, "A");
                writeRow(ui);
                openSheetOf(ui, "A");
                ui.send(choose("Load")); // unsaved work: asks first
            },
            [](UiDriver& ui) { return tell(ui, choose("OK")); }, "Load failed", "settings" },
        { "preset delete",
            [](UiDriver& ui) {
                createPreset(ui, "A");
                openSheetOf(ui, "A");
                ui.send(choose("Delete"));
            },
            [](UiDriver& ui) { return tell(ui, choose("Yes")); }, "Delete failed", "preset" },
        { "preset import",
            [](UiDriver& ui) {
                auto text = fw::xmlPropertyList(
                    fw::Value(fw::Dictionary { { "moduleGlyph", fw::Value("#00FFFF:1.000000") } }));
                ui.send(event("pasteboard", { { "string", qln::PresetExchange::encode(text) } }));
                ui.openPage("Presets");
                ui.send(event("tap", { { "row", rowByTitle("Import Preset") } }));
            },
            [](UiDriver& ui) { return tell(ui, choose("Save", "Imported")); }, "Import failed",
            "preset" },
        { "set mode default",
            [](UiDriver& ui) {
                createPreset(ui, "A");
                openSheetOf(ui, "A");
            },
            [](UiDriver& ui) { return tell(ui, choose("Use for Dark Mode")); }, "" },
        { "remove mode default",
            [](UiDriver& ui) {
                createPreset(ui, "A");
                openSheetOf(ui, "A");
                ui.send(choose("Use for Dark Mode"));
                openSheetOf(ui, "A");
            },
            [](UiDriver& ui) { return tell(ui, choose("Stop using for Dark Mode")); }, "" },
        { "configured marker", [](UiDriver&) {},
            [](UiDriver& ui) { return tell(ui, event("open")); }, "" },
        { "presets folder", [](UiDriver& ui) { ui.toRoot(); },
            [](UiDriver& ui) {
                return tell(ui, event("tap", { { "row", rowByTitle("Presets") } }));
            },
            "" },
        { "appearance switch",
            [](UiDriver& ui) {
                createPreset(ui, "A");
                openSheetOf(ui, "A");
                ui.send(choose("Use for Dark Mode"));
                writeRow(ui);
            },
            [](UiDriver&) { return applyDarkPreset(); }, "" },
    };
}

// The files a writer touches plus whether the presets folder exists, which is a change too.
FileMap observedFiles(const fs::path& root)
{
    auto files = trackedFiles(root);
    if (fs::is_directory(preferencesDir(root) / "com.tarrowvine.quillane.presets"))
        files["<presets folder>"] = "";
    return files;
}

std::vector<std::string> temporaryFilesAnywhere(const fs::path& root)
{
    std::vector<std::string> found;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        if (fw::isTemporaryFileName(it->path().filename().string()))
            found.push_back(it->path().string());
    }
    return found;
}

Observation observe(
    const Writer& writer, std::optional<fw::FileOp> fault, const std::string& pathPart = {})
{
    ScratchDevice device;
    UiDriver ui(device.root());
    writer.arrange(ui);
    Observation seen;
    seen.before = observedFiles(device.root());
    if (fault)
        fw::FileFaults::arm(*fault, -1, pathPart);
    seen.told = writer.act(ui);
    fw::FileFaults::clear();
    seen.after = observedFiles(device.root());
    seen.shown = presetRows(ui);
    for (const auto& [path, contents] : seen.after) {
        auto old = seen.before.find(path);
        if (old == seen.before.end() || old->second != contents)
            seen.changed.insert(path);
        if (auto why = damage(path, contents))
            seen.problems.push_back(path + " " + *why);
    }
    for (const auto& [path, contents] : seen.before) {
        if (!seen.after.count(path))
            seen.changed.insert(path);
    }
    for (const auto& leftover : temporaryFilesAnywhere(device.root()))
        seen.problems.push_back("left behind: " + leftover);
    return seen;
}

// Each file after the failure holds what it held before or what the writer writes without one.
void expectOldOrNew(const Observation& seen, const Observation& baseline)
{
    for (const auto& path : seen.changed) {
        auto now = seen.after.find(path);
        auto wanted = baseline.after.find(path);
        bool asWithoutFault = (now == seen.after.end()) == (wanted == baseline.after.end())
            && (now == seen.after.end() || now->second == wanted->second);
        EXPECT_TRUE(asWithoutFault) << path << " holds neither its old nor its new content";
    }
}

std::string shortName(const std::string& path)
{
    if (path == "com.tarrowvine.quillane.plist")
        return "settings";
    if (path == "com.tarrowvine.quillane.persistent.plist")
        return "persistent";
    if (path == "com.tarrowvine.quillane.configured")
        return "marker";
    if (path == "<presets folder>")
        return "folder";
    return "preset";
}

std::string names(const std::set<std::string>& paths)
{
    std::set<std::string> unique;
    for (const auto& path : paths)
        unique.insert(shortName(path));
    std::string joined;
    for (const auto& name : unique)
        joined += (joined.empty() ? "" : "+") + name;
    return joined;
}

bool wrote(const Observation& seen, const std::string& file)
{
    for (const auto& path : seen.changed) {
        if (shortName(path) == file)
            return true;
    }
    return false;
}

// One cell of the README table: "—" where the fault changes nothing.
std::string outcome(const Observation& seen, const Observation& baseline)
{
    if (seen.changed == baseline.changed && seen.told == baseline.told) {
        if (seen.shown == baseline.shown)
            return "—";
        return "written as without it; the page lists "
            + (seen.shown.empty() ? std::string("no presets") : seen.shown) + " until reopened";
    }
    std::set<std::string> kept;
    for (const auto& path : baseline.changed) {
        if (!seen.changed.count(path))
            kept.insert(path);
    }
    std::string text = seen.changed.empty() ? "nothing written"
        : kept.empty()                      ? "wrote " + names(seen.changed)
                       : "wrote " + names(seen.changed) + ", not " + names(kept);
    if (seen.told != baseline.told)
        text += seen.told.empty() ? ", no alert" : ", “" + seen.told + "”";
    else if (seen.changed != baseline.changed)
        text += seen.told.empty() ? ", silent" : "";
    return text;
}

// The fault table the README shows, as it stands there: the outcomes are held to it, so that a
// fault seam that no longer reaches a writer (every cell "—") or a writer that starts to show an
// alert where it stayed silent is caught.
std::string documentedFaultTable()
{
    std::ifstream readme(fs::path(QLN_SOURCE_DIR) / "README.md");
    std::string table, line;
    while (std::getline(readme, line)) {
        if (table.empty() && !line.starts_with("| Writer |"))
            continue;
        if (!line.starts_with("|"))
            break;
        table += line + "\n";
    }
    return table;
}

} // namespace

TEST(InjectedFaults, EveryWriterFailsSafelyAtEveryKindOfFileOperation)
{
    std::ostringstream table;
    table << "| Writer |";
    for (auto fault : kFaults)
        table << " " << fw::fileOpName(fault) << " |";
    table << "\n|---|";
    for (std::size_t i = 0; i < kFaults.size(); ++i)
        table << "---|";
    table << "\n";

    for (const auto& writer : writers()) {
        SCOPED_TRACE(writer.name);
        auto baseline = observe(writer, std::nullopt);
        ASSERT_TRUE(baseline.problems.empty()) << ::testing::PrintToString(baseline.problems);
        ASSERT_FALSE(baseline.changed.empty()) << "the writer wrote nothing without a fault";
        table << "| " << writer.name << " |";
        for (auto fault : kFaults) {
            SCOPED_TRACE(std::string(fw::fileOpName(fault)));
            auto seen = observe(writer, fault);
            EXPECT_TRUE(seen.problems.empty()) << ::testing::PrintToString(seen.problems);
            expectOldOrNew(seen, baseline);
            // A writer that reports failures reports every one that cost it its main file.
            if (*writer.failureNotice && wrote(baseline, writer.primary)
                && !wrote(seen, writer.primary)) {
                EXPECT_EQ(seen.told, writer.failureNotice);
            }
            table << " " << outcome(seen, baseline) << " |";
        }
        table << "\n";
    }
    auto folder = fs::path(QLN_BINARY_DIR) / "reliability";
    fs::create_directories(folder);
    std::ofstream(folder / "fault-table.md") << table.str();
    EXPECT_EQ(table.str(), documentedFaultTable()) << "the README's fault table is out of date";
}

// Each file operation on each file the writer touches, failing alone: the writer may get half
// of its work done, but every file stays old or new and nothing is left behind.
TEST(InjectedFaults, AFaultOnOneFileLeavesTheOthersOldOrNew)
{
    int cases = 0;
    for (const auto& writer : writers()) {
        SCOPED_TRACE(writer.name);
        auto baseline = observe(writer, std::nullopt);
        for (const auto& path : baseline.changed) {
            if (path.front() == '<')
                continue;
            auto file = fs::path(path).filename().string();
            for (auto fault : { fw::FileOp::Write, fw::FileOp::Flush, fw::FileOp::Rename,
                     fw::FileOp::Copy, fw::FileOp::Read }) {
                SCOPED_TRACE(file + " " + std::string(fw::fileOpName(fault)));
                auto seen = observe(writer, fault, file);
                EXPECT_TRUE(seen.problems.empty()) << ::testing::PrintToString(seen.problems);
                expectOldOrNew(seen, baseline);
                ++cases;
            }
        }
    }
    recordFigure("injected-faults", std::to_string(cases) + " single-file fault cases");
}
