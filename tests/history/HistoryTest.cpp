// The history of the settings files: deltas, its file, undo and redo, in one process and across
// several.
#include "history/History.hpp"

#include "contract/SettingsContract.hpp"
#include "foundation/NSFileManager.hpp"
#include "support/TestDevice.hpp"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/resource.h>
#include <zlib.h>

using history::History;

namespace fs = std::filesystem;

namespace {

const std::string kSettings(contract::settingsFile);

// A change made the way the bundle makes one: inside begin()/finish().
void change(History& history, const std::string& bytes, const std::string& label)
{
    history.begin();
    fw::NSFileManager::defaultManager().writeAtomically(kSettings, bytes);
    history.finish([&](const history::ChangeSet&) { return history::StepName { label, {} }; });
}

} // namespace

TEST(HistoryDelta, EveryPairOfVersionsComesBackExactlyInBothDirections)
{
    using Bytes = std::optional<std::string>;
    struct Case {
        const char* what;
        Bytes before;
        Bytes after;
    };
    const Case cases[] = {
        { "one value in the middle", "<a>#FF0000</a>", "<a>#00FF00</a>" },
        { "created", std::nullopt, "<dict/>" },
        { "removed", "<dict/>", std::nullopt },
        { "empty file created", std::nullopt, "" },
        { "grows where it repeats", "aaa", "aaaa" },
        { "shrinks where it repeats", "abcabc", "abc" },
        { "binary with zero bytes", std::string("bp\0\0\xff\x01", 6), std::string("bp\0\xfe", 4) },
        { "large and repetitive", std::string(5000, 'x') + "1", std::string(5000, 'x') + "22" },
        { "unchanged", "same", "same" },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto delta = history::makeChange("/f", c.before, c.after);
        auto forward = history::applyChange(delta, c.before, false);
        ASSERT_TRUE(forward.has_value());
        EXPECT_EQ(*forward, c.after);
        auto backward = history::applyChange(delta, c.after, true);
        ASSERT_TRUE(backward.has_value());
        EXPECT_EQ(*backward, c.before);
        // A file that is no longer what the step left is never half-restored.
        auto changed = c.after.value_or("") + "!";
        EXPECT_FALSE(history::applyChange(delta, changed, true).has_value());
    }
}

TEST(HistoryFile, SurvivesItsOwnFormAndRefusesDamage)
{
    History::Store store;
    store.known[kSettings] = std::string(3000, 'k') + "end";
    history::HistoryStep step;
    step.id = 7;
    step.label = "Wi-Fi Background";
    step.notice = "note";
    step.changes.push_back(history::makeChange(kSettings, std::string("old"), std::string("new")));
    store.steps.push_back(step);
    store.position = 1;
    store.nextId = 8;
    auto bytes = history::encodeHistory(store);
    auto back = history::decodeHistory(bytes);
    EXPECT_EQ(back.known, store.known);
    ASSERT_EQ(back.steps.size(), 1u);
    EXPECT_EQ(back.steps[0].label, "Wi-Fi Background");
    EXPECT_EQ(back.steps[0].changes[0].middleAfter, "new");
    EXPECT_EQ(back.nextId, 8u);

    for (std::size_t at : { std::size_t(0), std::size_t(9), bytes.size() / 2, bytes.size() - 1 }) {
        auto damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x20);
        EXPECT_THROW(history::decodeHistory(damaged), std::runtime_error) << "byte " << at;
    }
    EXPECT_THROW(history::decodeHistory(bytes.substr(0, bytes.size() - 5)), std::runtime_error);
}

// One list of operations through undo, redo, new changes, restarts, a second process and a
// program that writes behind everyone's back; after each, the settings file and the labels.
TEST(HistoryStateMachine, UndoRedoAndNewChangesAcrossRestartsAndProcesses)
{
    TestDevice device;
    device.write(kSettings, "v0");
    enum Kind { Change, Undo, Redo, Restart, OtherProcess, Foreign };
    struct Op {
        Kind kind;
        std::string text; // the new file for changes
        std::string file; // the settings file afterwards
        std::optional<std::string> undo;
        std::optional<std::string> redo;
        bool refused { false };
    };
    const Op ops[] = {
        { Undo, "", "v0", std::nullopt, std::nullopt, true },
        { Change, "v1", "v1", "set v1", std::nullopt },
        { Change, "v2", "v2", "set v2", std::nullopt },
        { Undo, "", "v1", "set v1", "set v2" },
        { Undo, "", "v0", std::nullopt, "set v1" },
        { Undo, "", "v0", std::nullopt, "set v1", true },
        { Redo, "", "v1", "set v1", "set v2" },
        { Restart, "", "v1", "set v1", "set v2" },
        { Redo, "", "v2", "set v2", std::nullopt },
        { Redo, "", "v2", "set v2", std::nullopt, true },
        { Undo, "", "v1", "set v1", "set v2" },
        // A new change after an undo drops what could have been redone.
        { Change, "v3", "v3", "set v3", std::nullopt },
        { OtherProcess, "v4", "v4", "set v4", std::nullopt },
        { Undo, "", "v3", "set v3", "set v4" },
        { Foreign, "v5", "v5", "Change by Another Program", std::nullopt },
        { Undo, "", "v3", "set v3", "Change by Another Program" },
        { Undo, "", "v1", "set v1", "set v3" },
    };
    auto history = std::make_unique<History>();
    History other;
    for (std::size_t i = 0; i < std::size(ops); ++i) {
        auto& op = ops[i];
        SCOPED_TRACE("operation " + std::to_string(i));
        bool refused = false;
        switch (op.kind) {
        case Change:
            change(*history, op.text, "set " + op.text);
            break;
        case OtherProcess:
            change(other, op.text, "set " + op.text);
            break;
        case Undo:
        case Redo: {
            history->begin();
            auto moved = op.kind == Undo ? history->undo() : history->redo();
            history->finish([](const history::ChangeSet&) {
                return history::StepName { "?", {} };
            });
            refused = !moved.label.has_value();
            break;
        }
        case Restart:
            history = std::make_unique<History>();
            break;
        case Foreign:
            device.write(kSettings, op.text);
            history->recordForeignChange();
            break;
        }
        EXPECT_EQ(refused, op.refused);
        EXPECT_EQ(device.read(kSettings), op.file);
        auto summary = history->summary();
        EXPECT_EQ(summary.undo, op.undo);
        EXPECT_EQ(summary.redo, op.redo);
    }
}

TEST(HistoryStateMachine, KeepsTheLatestStepsWithinItsBound)
{
    TestDevice device;
    device.write(kSettings, "v0");
    History history;
    const int changes = static_cast<int>(History::kMaxSteps) + 5;
    for (int i = 1; i <= changes; ++i)
        change(history, "v" + std::to_string(i), "set " + std::to_string(i));
    int undone = 0;
    for (;; ++undone) {
        history.begin();
        auto moved = history.undo();
        history.finish([](const history::ChangeSet&) { return history::StepName {}; });
        if (!moved.label)
            break;
    }
    EXPECT_EQ(undone, static_cast<int>(History::kMaxSteps));
    EXPECT_EQ(device.read(kSettings), "v5");
}

// A preset may be named like a temporary file of a write in flight; only an actual temporary
// file's name (fw::isTemporaryFileName) is left out of the history.
TEST(HistoryStateMachine, PresetsNamedLikeTemporaryFilesAreSteps)
{
    const std::string presets(contract::presetsDirectory);
    for (std::string name :
        { "My.qln-tmp-set", "Z.qln-tmp-zzzzzzzzzzzz", ".qln-tmp-abcdefghijkl" }) {
        SCOPED_TRACE(name);
        TestDevice device;
        device.write(kSettings, "v0");
        History history;
        auto step = [&](const std::string& label, const std::function<void()>& change) {
            history.begin();
            change();
            history.finish([&](const history::ChangeSet&) {
                return history::StepName { label, {} };
            });
        };
        auto undo = [&] {
            history.begin();
            auto moved = history.undo();
            history.finish([](const history::ChangeSet&) { return history::StepName {}; });
            return moved.label;
        };
        auto& files = fw::NSFileManager::defaultManager();
        const std::string file = presets + name + ".plist";
        step("Import Y", [&] {
            files.createDirectoryAtPath(presets);
            files.writeAtomically(presets + "Y.plist", "<dict/>");
        });
        step("Import " + name, [&] { files.writeAtomically(file, "<dict><true/></dict>"); });
        step("Delete " + name, [&] { files.removeItemAtPath(file); });
        EXPECT_EQ(undo(), "Delete " + name);
        EXPECT_EQ(device.read(file), "<dict><true/></dict>");
        EXPECT_EQ(undo(), "Import " + name);
        EXPECT_FALSE(device.exists(file));
        EXPECT_TRUE(device.exists(presets + "Y.plist"));
        EXPECT_EQ(history.summary().undo, "Import Y");
    }
}

TEST(HistoryFile, ADamagedHistoryIsSetAsideAndNeverBlocksAChange)
{
    TestDevice device;
    device.write(kSettings, "v0");
    std::filesystem::path file = device.root() / ".quillane-history";
    // A second damaged history is kept beside the first, never over it.
    for (std::string damage : { "QLNHIST1 this is not what it claims", "QLNHIST1 nor this" }) {
        std::ofstream(file, std::ios::binary) << damage;
        History history;
        testing::internal::CaptureStderr();
        change(history, "v1" + damage, "set v1");
        auto err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("damaged"), std::string::npos) << err;
        EXPECT_EQ(device.read(kSettings), "v1" + damage);
        EXPECT_EQ(history.summary().undo, "set v1");
        fs::remove(file);
    }
    EXPECT_EQ(device.read("/.quillane-history.damaged"), "QLNHIST1 this is not what it claims");
    EXPECT_EQ(device.read("/.quillane-history.damaged.2"), "QLNHIST1 nor this");
}

namespace {

using nlohmann::json;

json raw(std::string_view bytes)
{
    return { { "b", json::binary(std::vector<std::uint8_t>(bytes.begin(), bytes.end())) } };
}

json compressedPiece(std::uint64_t declared, std::string_view bytes)
{
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::vector<std::uint8_t> out(size);
    compress2(out.data(), &size, reinterpret_cast<const Bytef*>(bytes.data()),
        static_cast<uLong>(bytes.size()), 9);
    out.resize(size);
    return { { "n", declared }, { "z", json::binary(out) } };
}

// A change of one file from absent to absent: applying it either way removes whatever is there.
json removal(const std::string& path)
{
    return { { "path", path }, { "eb", false }, { "ea", false }, { "p", 0 }, { "s", 0 },
        { "mb", raw("") }, { "ma", raw("") }, { "nb", 0 }, { "na", 0 }, { "cb", 0 }, { "ca", 0 } };
}

json step(std::uint64_t id, json changes)
{
    json document { { "id", id }, { "label", "crafted" }, { "notice", "" },
        { "changes", std::move(changes) } };
    return json::binary(json::to_cbor(document));
}

// A history file around a crafted body, sealed with a checksum that matches it.
std::string sealed(const std::vector<std::uint8_t>& body)
{
    std::string bytes(body.begin(), body.end());
    std::uint32_t crc = history::historyChecksum(bytes);
    std::string out = "QLNHIST1";
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((crc >> shift) & 0xff));
    return out + bytes;
}

// The device's files as the history knows them, so that no change by another program is
// recorded before the crafted step is undone.
json knownFiles()
{
    json known = json::object();
    for (auto& [path, bytes] : History::readDeviceFiles())
        known[path] = raw(bytes);
    return known;
}

std::string historyOf(json steps, json known = knownFiles())
{
    std::size_t position = steps.size();
    json document { { "position", position }, { "nextId", position + 1 },
        { "known", std::move(known) }, { "steps", std::move(steps) } };
    return sealed(json::to_cbor(document));
}

long peakKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

// Crafted histories, each with a valid checksum: every one is set aside with a message before
// any file is touched or its claimed sizes are allocated, and undo then has nothing to do.
TEST(HistoryFile, HostileFilesAreSetAsideAndTouchNothing)
{
    const std::string presets(contract::presetsDirectory);
    const std::string sixtyMiB(60u << 20, '\0');
    auto withChange
        = [](json change) { return historyOf(json::array({ step(1, json::array({ change })) })); };
    auto resized = [](const char* field, std::uint64_t value) {
        auto change = history::makeChange(kSettings, std::string("old"), std::string("new"));
        json j = removal(kSettings);
        j["eb"] = j["ea"] = true;
        j["nb"] = j["na"] = 3;
        j["mb"] = raw("old");
        j["ma"] = raw("new");
        j["cb"] = change.crcBefore;
        j["ca"] = change.crcAfter;
        j[field] = value;
        return j;
    };
    struct Case {
        const char* what;
        std::function<std::string()> file;
    };
    const Case cases[] = {
        { "a step that removes a folder of the device",
            [&] { return withChange(removal("/User/Library")); } },
        { "a step that climbs out of the presets folder",
            [&] { return withChange(removal(presets + "../../../../Library")); } },
        { "a step on a folder inside the presets folder",
            [&] { return withChange(removal(presets + "sub/A.plist")); } },
        { "a step on a temporary file",
            [&] { return withChange(removal(presets + ".qln-tmp-abcdefghijkl")); } },
        { "a step on a file that is no preset",
            [&] { return withChange(removal(presets + "notes.txt")); } },
        { "a known file that is no settings file",
            [&] {
                auto known = knownFiles();
                known["/System/Library/CoreServices/SystemVersion.plist"] = raw("x");
                return historyOf(json::array(), known);
            } },
        { "a size that its compressed bytes cannot hold",
            [&] {
                auto known = knownFiles();
                known[kSettings] = compressedPiece(64u << 20, "tiny");
                return historyOf(json::array(), known);
            } },
        { "sizes that add up past the history's bound",
            [&] {
                json changes = json::array();
                auto piece = compressedPiece(sixtyMiB.size(), sixtyMiB);
                for (int i = 0; i < 5; ++i) {
                    json change = removal(presets + "P" + std::to_string(i) + ".plist");
                    change["ea"] = true;
                    change["na"] = sixtyMiB.size();
                    change["ma"] = piece;
                    changes.push_back(change);
                }
                return historyOf(json::array({ step(1, changes) }));
            } },
        { "a middle that does not fit its file's sizes",
            [&] { return withChange(resized("nb", 4)); } },
        { "shared ends longer than the file", [&] { return withChange(resized("p", 4)); } },
        { "a step that names one file twice",
            [&] {
                return historyOf(json::array({ step(1,
                    json::array(
                        { removal(presets + "A.plist"), removal(presets + "A.plist") })) }));
            } },
        { "more steps than a history keeps",
            [&] {
                json steps = json::array();
                for (std::uint64_t id = 1; id <= History::kMaxSteps + 1; ++id)
                    steps.push_back(step(id, json::array()));
                return historyOf(steps);
            } },
        { "nested 100,000 levels deep",
            [&] {
                std::vector<std::uint8_t> body { 0xA1, 0x65, 'k', 'n', 'o', 'w', 'n' };
                body.insert(body.end(), 100000, 0x81);
                body.push_back(0);
                return sealed(body);
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDevice device;
        device.write(kSettings, "old");
        device.write(presets + "A.plist", "<dict/>");
        auto bytes = c.file();
        device.write("/.quillane-history", bytes);
        auto before = History::readDeviceFiles();
        auto peak = peakKiB();
        History history;
        testing::internal::CaptureStderr();
        history.begin();
        auto moved = history.undo();
        history.finish([](const history::ChangeSet&) { return history::StepName {}; });
        auto err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("damaged"), std::string::npos) << err;
        EXPECT_FALSE(moved.label.has_value());
        EXPECT_EQ(History::readDeviceFiles(), before);
        EXPECT_TRUE(fs::is_directory(device.root() / "var/mobile/Library/Preferences"));
        EXPECT_EQ(device.read("/.quillane-history.damaged"), bytes);
        EXPECT_LT(peakKiB() - peak, 64 * 1024)
            << "KiB allocated for a history of " << bytes.size() << " bytes";
    }
}
