// The history of the settings files: deltas, its file, undo and redo, in one process and across
// several.
#include "history/History.hpp"

#include "contract/SettingsContract.hpp"
#include "foundation/NSFileManager.hpp"
#include "support/TestDevice.hpp"

#include <fstream>
#include <gtest/gtest.h>

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

TEST(HistoryFile, ADamagedHistoryIsSetAsideAndNeverBlocksAChange)
{
    TestDevice device;
    device.write(kSettings, "v0");
    std::filesystem::path file = device.root() / ".quillane-history";
    {
        std::ofstream out(file, std::ios::binary);
        out << "QLNHIST1 this is not what it claims";
    }
    History history;
    testing::internal::CaptureStderr();
    change(history, "v1", "set v1");
    auto err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("damaged"), std::string::npos) << err;
    EXPECT_TRUE(fs::exists(fs::path(file.string() + ".damaged")));
    EXPECT_EQ(device.read(kSettings), "v1");
    EXPECT_EQ(history.summary().undo, "set v1");
}
