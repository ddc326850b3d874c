// Undo and redo of every writer of the settings, through the host's events and its labels.
#include "BuildPaths.hpp"
#include "contract/SettingsContract.hpp"
#include "foundation/NSFileManager.hpp"
#include "history/History.hpp"
#include "support/ScriptDriver.hpp"
#include "support/TestDevice.hpp"

#include <cstdlib>
#include <fstream>
#include <future>
#include <gtest/gtest.h>

using history::History;
using nlohmann::json;

namespace fs = std::filesystem;

namespace {

const std::string kSettings(contract::settingsFile);
const std::string kPersistent(contract::persistentFile);
const std::string kPresets(contract::presetsDirectory);

json ev(std::string name, json fields = json::object())
{
    fields["event"] = std::move(name);
    return fields;
}

json tapTitle(const std::string& title)
{
    return ev("tap", { { "row", { { "title", title } } } });
}

json pickRow(const std::string& key, const std::string& colour, std::vector<json>& events)
{
    events.push_back(ev("tap", { { "row", { { "key", key } } } }));
    events.push_back(ev("pick", { { "color", colour } }));
    return ev("closePicker");
}

std::vector<json> concat(std::vector<json> first, const std::vector<json>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::vector<json> opening()
{
    return { ev("open"), ev("alert", { { "button", "OK" } }) };
}

// Every file a step may touch, by device path, as bytes.
std::map<std::string, std::string> settingsFiles(const ScriptDevice& device)
{
    std::map<std::string, std::string> files;
    for (auto& path : { kSettings, kPersistent }) {
        if (fs::exists(device.path(path)))
            files[path] = device.read(path);
    }
    std::error_code error;
    for (auto& entry : fs::directory_iterator(device.path(kPresets), error)) {
        // A killed writer's temporary file is no preset.
        auto name = entry.path().filename().string();
        if (!fw::isTemporaryFileName(name))
            files[kPresets + name] = device.read(kPresets + name);
    }
    return files;
}

std::string binaryPlist()
{
    // {"wifiEnabled": "#FF0000:1.000000"} with one-byte offsets and references.
    std::string file = "bplist00";
    std::vector<std::size_t> offsets;
    auto object = [&](const std::string& bytes) {
        offsets.push_back(file.size());
        file += bytes;
    };
    object(std::string("\xD1\x01\x02", 3));
    object("\x5B" + std::string("wifiEnabled"));
    object(std::string("\x5F\x10\x10", 3) + "#FF0000:1.000000");
    std::size_t table = file.size();
    for (auto offset : offsets)
        file += static_cast<char>(offset);
    file += std::string(6, '\0') + '\x01' + '\x01';
    auto big = [](std::uint64_t value) {
        std::string out(8, '\0');
        for (int i = 7; i >= 0; --i, value >>= 8)
            out[static_cast<std::size_t>(i)] = static_cast<char>(value & 0xff);
        return out;
    };
    return file + big(3) + big(0) + big(table);
}

} // namespace

// Each kind of writer, then undo and redo: every file comes back byte for byte.
TEST(HistoryScenario, UndoAndRedoRestoreEveryWritersBytesExactly)
{
    struct Case {
        const char* what;
        std::vector<json> setup;
        std::function<void(const ScriptDevice&)> act;
        std::string label;
        bool notice; // the user is told of it
    };
    auto script = [](std::vector<json> events) {
        return [events](const ScriptDevice& device) { device.run(events); };
    };
    auto newPreset = [](const std::string& name) {
        return std::vector<json> { tapTitle("New Preset"),
            ev("alert", { { "button", "Save" }, { "text", { name } } }) };
    };
    std::vector<json> picked = concat(opening(), { tapTitle("Connectivity") });
    picked.push_back(pickRow("wifiEnabled", "#FF8000", picked));
    auto presetsWithNight = concat(concat(opening(), { tapTitle("Presets") }), newPreset("Night"));
    std::vector<json> unsavedNight = presetsWithNight;
    unsavedNight.push_back(ev("back"));
    unsavedNight.push_back(tapTitle("Connectivity"));
    unsavedNight.push_back(pickRow("wifiEnabled", "#00FF00", unsavedNight));

    const Case cases[] = {
        { "a segment whose group bears its title", opening(),
            script({ ev("open"), tapTitle("Miscellaneous"),
                ev("segment", { { "row", { { "key", "backgroundStyle" } } }, { "index", 2 } }) }),
            "Background Style", false },
        { "a colour row", concat(opening(), { tapTitle("Connectivity") }),
            [](const ScriptDevice& device) {
                std::vector<json> events = { ev("open"), tapTitle("Connectivity") };
                events.push_back(pickRow("wifiEnabled", "#FF8000", events));
                device.run(events);
            },
            "Wi-Fi Background", false },
        { "the global row of a page", opening(),
            script({ ev("open"), tapTitle("Connectivity"),
                ev("tap", { { "row", { { "key", "connectivityGlobalPicker" } } } }),
                ev("alert", { { "button", "Yes" } }), ev("pick", { { "color", "#112233" } }),
                ev("closePicker") }),
            "Change All \u2014 Connectivity", true },
        { "a new preset", opening(),
            script(concat({ ev("open"), tapTitle("Presets") }, newPreset("Day"))),
            "Save \u201cDay\u201d", false },
        { "deleting a preset", presetsWithNight,
            script({ ev("open"), tapTitle("Presets"),
                ev("tap", { { "row", { { "fileName", "Night" } } } }),
                ev("alert", { { "button", "Delete" } }), ev("alert", { { "button", "Yes" } }) }),
            "Delete \u201cNight\u201d", false },
        { "loading a preset over unsaved edits", unsavedNight,
            script({ ev("open"), tapTitle("Presets"),
                ev("tap", { { "row", { { "fileName", "Night" } } } }),
                ev("alert", { { "button", "Load" } }), ev("alert", { { "button", "OK" } }) }),
            "Discard Changes to \u201cNight\u201d", true },
        { "resetting all settings", picked,
            script({ ev("open"), tapTitle("Reset All Settings"),
                ev("alert", { { "button", "Yes" } }) }),
            "Reset All Settings", true },
        { "a binary file written by another program", opening(),
            [](const ScriptDevice& device) {
                device.write(kSettings, binaryPlist());
                device.run({ ev("notify",
                    { { "center", "darwin" }, { "name", "com.tarrowvine.quillane/update" } }) });
            },
            "Change by Another Program", true },
        { "one colour changed by another program", picked,
            [](const ScriptDevice& device) {
                auto bytes = device.read(kSettings);
                auto at = bytes.find("#FF8000");
                ASSERT_NE(at, std::string::npos);
                device.write(kSettings, bytes.replace(at, 7, "#0080FF"));
                device.run({ ev("settle", { { "ms", 0 } }) });
            },
            "Wi-Fi Background", true },
        { "a preset deleted by another program", presetsWithNight,
            [](const ScriptDevice& device) {
                std::filesystem::remove(device.root()
                    / "var/mobile/Library/Preferences/com.tarrowvine.quillane.presets/Night.plist");
                device.run({ ev("settle", { { "ms", 0 } }) });
            },
            "Delete \u201cNight\u201d", true },
        { "a file that is no property list", opening(),
            [](const ScriptDevice& device) {
                device.write(kPersistent, std::string("\0\x01garbage\r\n", 11));
                device.run({ ev("settle", { { "ms", 0 } }) });
            },
            "Change by Another Program", true },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptDevice device;
        device.run(c.setup);
        auto before = settingsFiles(device);
        c.act(device);
        auto after = settingsFiles(device);
        ASSERT_NE(before, after);
        auto done = device.run({ ev("settle", { { "ms", 0 } }) }).at(0);
        EXPECT_EQ(done["history"]["notice"].is_object(), c.notice) << done["history"];
        auto undone = device.run({ ev("undo") }).at(0);
        EXPECT_TRUE(undone["error"].is_null()) << undone["error"];
        EXPECT_EQ(undone["history"]["redo"], c.label);
        EXPECT_EQ(undone["posted"], json::array({ "com.tarrowvine.quillane/update" }));
        EXPECT_TRUE(settingsFiles(device) == before);
        auto redone = device.run({ ev("redo") }).at(0);
        EXPECT_EQ(redone["history"]["undo"], c.label);
        EXPECT_TRUE(settingsFiles(device) == after);
    }
}

TEST(HistoryScenario, TheAppearanceSwitchOverUnsavedEditsCanBeUndone)
{
    ScriptDevice device;
    std::vector<json> events = concat(opening(),
        { tapTitle("Presets"), tapTitle("New Preset"),
            ev("alert", { { "button", "Save" }, { "text", { "Night" } } }),
            ev("tap", { { "row", { { "fileName", "Night" } } } }),
            ev("alert", { { "button", "Use for Dark Mode" } }), ev("back"),
            tapTitle("Connectivity") });
    events.push_back(pickRow("wifiEnabled", "#00FF00", events));
    auto screens = device.run(events);
    ASSERT_TRUE(screens.back()["error"].is_null()) << screens.back()["error"];
    auto edited = settingsFiles(device);

    auto theme = runQuillane({ "theme", "--root", device.root().string() }, "dark\nquit\n");
    ASSERT_EQ(theme.exitStatus, 0) << theme.err;
    EXPECT_NE(device.read(kSettings), edited[kSettings]);

    auto shown = device.run({ ev("open"), tapTitle("Connectivity") });
    auto& history = shown.back()["history"];
    EXPECT_EQ(history["undo"], "Dark Mode applied \u201cNight\u201d");
    EXPECT_EQ(
        history["notice"]["text"], "Your unsaved changes were replaced by \u201cNight\u201d.");

    auto undone = device.run({ ev("open"), tapTitle("Connectivity"), ev("undo") }).back();
    EXPECT_TRUE(settingsFiles(device) == edited);
    // The open page shows the colour that is stored again.
    bool found = false;
    for (auto& row : undone["page"]["rows"]) {
        if (row["key"] == "wifiEnabled") {
            found = true;
            EXPECT_EQ(row["detail"], "#00FF00");
        }
    }
    EXPECT_TRUE(found);
}

TEST(HistoryScenario, TwoProcessesRecordEachOfTheirChangesOnce)
{
    ScriptDevice device;
    device.run(opening());
    auto initial = settingsFiles(device);
    const int rounds = 12;
    auto writer = [&](const std::string& key, const std::string& colour) {
        std::vector<json> events = { ev("open"), tapTitle("Connectivity") };
        for (int i = 0; i < rounds; ++i)
            events.push_back(pickRow(key, colour + std::to_string(10 + i), events));
        std::string input;
        for (auto& event : events)
            input += event.dump() + "\n";
        return runQuillane({ "script", "--root", device.root().string() }, input);
    };
    auto first = std::async(std::launch::async, writer, "wifiEnabled", "#0000");
    auto second = std::async(std::launch::async, writer, "bluetoothEnabled", "#1100");
    ASSERT_EQ(first.get().exitStatus, 0);
    ASSERT_EQ(second.get().exitStatus, 0);

    std::vector<json> undos(2 * rounds + 1, ev("undo"));
    auto screens = device.run(undos);
    for (int i = 0; i < 2 * rounds; ++i)
        EXPECT_TRUE(screens[static_cast<std::size_t>(i)]["error"].is_null()) << "undo " << i;
    EXPECT_EQ(screens.back()["error"], "there is nothing to undo");
    EXPECT_TRUE(settingsFiles(device) == initial);
}

TEST(PresetChanges, TheRowsThatDifferFromTheSavedPresetAreNamedAsTheyAreShown)
{
    ScriptDevice device;
    std::vector<json> events = concat(opening(),
        { tapTitle("Presets"), tapTitle("New Preset"),
            ev("alert", { { "button", "Save" }, { "text", { "Night" } } }) });
    auto saved = device.run(events).back();
    EXPECT_TRUE(saved["presetChanges"].is_null()) << saved["presetChanges"];

    std::vector<json> edits = { ev("open"), tapTitle("Connectivity"),
        ev("switch", { { "row", { { "key", "connectivityModeEnabled" } } }, { "value", false } }),
        tapTitle("Colors for Enabled State") };
    edits.push_back(pickRow("wifiDisabled", "#FF8000", edits));
    edits.push_back(ev("back"));
    edits.push_back(tapTitle("Presets"));
    auto screens = device.run(edits);
    auto& changes = screens.back()["presetChanges"];
    ASSERT_FALSE(changes.is_null());
    EXPECT_EQ(changes["preset"], "Night");
    std::map<std::string, json> byKey;
    for (auto& row : changes["rows"])
        byKey[row["key"].get<std::string>()] = row;
    ASSERT_TRUE(byKey.contains("connectivityModeEnabled"));
    auto& toggle = byKey["connectivityModeEnabled"];
    EXPECT_EQ(toggle["title"], "Custom Toggle Colors");
    EXPECT_EQ(toggle["page"], "Connectivity");
    EXPECT_TRUE(toggle["state"].is_null());
    EXPECT_EQ(toggle["saved"]["value"], "On");
    EXPECT_EQ(toggle["now"]["value"], "Off");
    ASSERT_TRUE(byKey.contains("wifiDisabled"));
    auto& colour = byKey["wifiDisabled"];
    EXPECT_EQ(colour["title"], "Wi-Fi Background");
    EXPECT_EQ(colour["state"], "Disabled");
    EXPECT_EQ(colour["now"]["value"], "#FF8000:1.000000");
    EXPECT_EQ(colour["now"]["color"]["rgba"][0], 1.0);
    // Elsewhere than on the presets page, nothing is offered.
    EXPECT_TRUE(screens[2]["presetChanges"].is_null());
}

TEST(HistoryScenario, UndoAndRedoWaitUntilNothingIsPresented)
{
    ScriptDevice device;
    std::vector<json> events = concat(opening(), { tapTitle("Connectivity") });
    events.push_back(pickRow("wifiEnabled", "#FF8000", events));
    device.run(events);
    auto picked = settingsFiles(device);

    auto screens = device.run({ ev("open"), tapTitle("Connectivity"),
        ev("tap", { { "row", { { "key", "wifiEnabled" } } } }), ev("undo"), ev("closePicker"),
        ev("undo"), tapTitle("Colors for Enabled State"), ev("redo") });
    auto& underPicker = screens[3];
    EXPECT_TRUE(underPicker["error"].is_string());
    EXPECT_EQ(underPicker["history"]["undo"], "Wi-Fi Background");
    EXPECT_TRUE(underPicker["effects"].empty());
    EXPECT_TRUE(screens[5]["error"].is_null()) << screens[5]["error"];
    // The state row only switches what the page shows: redo still follows.
    auto& redone = screens.back();
    EXPECT_TRUE(redone["error"].is_null()) << redone["error"];
    EXPECT_TRUE(redone["history"]["redo"].is_null());
    EXPECT_TRUE(settingsFiles(device) == picked);
}

namespace {

std::vector<std::uint64_t> stepIds(const History::Store& store)
{
    std::vector<std::uint64_t> ids;
    for (auto& step : store.steps)
        ids.push_back(step.id);
    return ids;
}

History::Store storedHistory(const ScriptDevice& device)
{
    return history::decodeHistory(device.read("/.quillane-history"));
}

void copyDevice(const ScriptDevice& from, const ScriptDevice& to)
{
    fs::remove_all(to.root());
    fs::copy(from.root(), to.root(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

} // namespace

// A process killed at each write of an undo and of a redo (every rename and every removal, by
// strace's fault injection), on a history at its first of three steps, each of which touched
// two files: the next process finds every step, the redo steps among them, and the files as the
// history says, before the move or after it.
TEST(HistoryScenario, AKillAtAnyWriteOfAnUndoOrRedoLosesNoStep)
{
    ASSERT_EQ(runProgram("strace", { "-V" }).exitStatus, 0)
        << "strace is needed for this test (scripts/setup.sh installs it)";
    auto newPreset = [](const std::string& name) {
        return std::vector<json> { tapTitle("New Preset"),
            ev("alert", { { "button", "Save" }, { "text", { name } } }) };
    };
    ScriptDevice base;
    base.run(concat(concat(concat(opening(), { tapTitle("Presets") }), newPreset("A")),
        concat(newPreset("B"), newPreset("C"))));
    base.run({ ev("undo"), ev("undo") });
    auto start = storedHistory(base);
    ASSERT_EQ(start.steps.size(), 3u);
    ASSERT_EQ(start.position, 1u);
    auto before = settingsFiles(base);

    struct Case {
        const char* move;
        const char* call;
        std::size_t to;
        int fewestKills;
    };
    // The record of the move, the files and the history are renamed into place; an undone
    // preset is removed, and so is the record once the history has moved.
    const Case cases[] = {
        { "undo", "renameat", 0, 3 },
        { "undo", "unlink", 0, 2 },
        { "redo", "renameat", 2, 4 },
        { "redo", "unlink", 2, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.move) + ", killed at a " + c.call);
        ScriptDevice moved;
        copyDevice(base, moved);
        moved.run({ ev(c.move) });
        auto after = settingsFiles(moved);
        ASSERT_NE(after, before);
        int kills = 0;
        // LeakSanitizer stops the process's threads with ptrace at exit, which strace already
        // holds: it would fail every run, the one that completes too.
        const char* sanitizer = std::getenv("ASAN_OPTIONS");
        std::string options = std::string("ASAN_OPTIONS=") + (sanitizer ? sanitizer : "")
            + (sanitizer ? ":" : "") + "detect_leaks=0";
        for (int at = 1;; ++at) {
            // A move makes a handful of such calls; more means the run never completes.
            ASSERT_LT(at, 100) << "the " << c.move << " never completed under strace";
            ScriptDevice device;
            copyDevice(base, device);
            auto run = runProgram("strace",
                { "-f", "-o", "/dev/null", "-E", options, "-e", std::string("trace=") + c.call,
                    "-e",
                    std::string("inject=") + c.call + ":signal=SIGKILL:when=" + std::to_string(at),
                    QUILLANE_EXE, "script", "--root", device.root().string() },
                ev(c.move).dump() + "\n");
            if (run.exitStatus == 0)
                break;
            ++kills;
            SCOPED_TRACE("killed at call " + std::to_string(at));
            auto next = device.run({ ev("settle", { { "ms", 0 } }) }).at(0);
            auto store = storedHistory(device);
            EXPECT_EQ(stepIds(store), stepIds(start));
            EXPECT_TRUE(store.position == start.position || store.position == c.to)
                << store.position;
            EXPECT_TRUE(settingsFiles(device) == (store.position == c.to ? after : before));
            EXPECT_EQ(next["history"]["redo"].is_null(), store.position == 3);
            EXPECT_FALSE(fs::exists(device.root() / ".quillane-history.move"));
        }
        EXPECT_GE(kills, c.fewestKills);
    }
}
