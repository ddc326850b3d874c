// A user's process killed at random moments while it writes: every file the system keeps must
// stay whole, and hold either what it held before the event in flight or what that event
// writes. Kill moments come from a seed, and every eighth kill waits for an undo or a redo to
// start; where exactly a kill lands depends on the machine.
#include "BuildPaths.hpp"
#include "ChildProcess.hpp"
#include "DeviceFiles.hpp"
#include "ScratchDevice.hpp"
#include "foundation/Device.hpp"
#include "foundation/NSFileManager.hpp"
#include "history/History.hpp"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <thread>

namespace fs = std::filesystem;
using namespace reliability;

namespace {

struct KillFigures {
    long kills { 0 };
    long eventsBeforeKills { 0 }; // events that may write, rehearsed before the kill
    long writesInFlight { 0 }; // kills while the event in flight changes files
    long landedBefore { 0 };
    long landedAfter { 0 };
    long landedBetween { 0 }; // some files written, others not yet
    long movesInFlight { 0 }; // kills while an undo or a redo changes files
    long movesRolledBack { 0 };
    std::size_t mostTemporaryFiles { 0 };
};

// The history as the next process to open the device finds it: a move cut short rolled back,
// a change cut short recorded.
std::string recoveredHistory(const fs::path& root)
{
    fw::Device::setRoot(root);
    history::History opening;
    testing::internal::CaptureStderr();
    opening.begin();
    opening.finish(history::foreignChange);
    testing::internal::GetCapturedStderr();
    return historyState(root);
}

std::optional<std::string> lookup(const FileMap& files, const std::string& path)
{
    auto found = files.find(path);
    if (found == files.end())
        return std::nullopt;
    return found->second;
}

std::string describe(const std::optional<std::string>& contents)
{
    if (!contents)
        return "absent";
    return std::to_string(contents->size()) + " bytes";
}

bool isMove(const std::string& event)
{
    auto parsed = nlohmann::json::parse(event, nullptr, false);
    return parsed.is_object() && (parsed["event"] == "undo" || parsed["event"] == "redo");
}

// Holds the files after a kill against the journal of the killed run; `known` and `history` are
// what they held when the run started, and `history` becomes what the next process finds.
// Returns what is wrong.
std::vector<std::string> checkAfterKill(const ScratchDevice& device, const fs::path& journal,
    const FileMap& known, std::string& history, KillFigures& figures)
{
    std::vector<std::string> problems;
    auto records = newestStepRecords(journal, 2);
    FileMap before = known;
    FileMap after = known;
    std::string historyBefore = history;
    std::string historyAfter = history;
    if (!records.empty()) {
        after = records.back().files;
        historyAfter = records.back().history;
        if (records.size() == 2) {
            before = records.front().files;
            historyBefore = records.front().history;
        } else if (records.back().step != 0) {
            problems.push_back(
                "the journal lost the record before step " + std::to_string(records.back().step));
        }
        figures.eventsBeforeKills += records.back().step;
    }
    auto current = trackedFiles(device.root());
    std::set<std::string> paths;
    for (const auto* files : { &before, &after, &current }) {
        for (const auto& [path, contents] : *files)
            paths.insert(path);
    }
    for (const auto& path : paths) {
        auto now = lookup(current, path);
        if (now != lookup(before, path) && now != lookup(after, path))
            problems.push_back(path + " is " + describe(now) + ", neither its old content ("
                + describe(lookup(before, path)) + ") nor its new (" + describe(lookup(after, path))
                + ")");
    }
    for (const auto& [path, contents] : current) {
        if (auto why = damage(path, contents))
            problems.push_back(path + " " + *why);
    }
    if (before != after) {
        ++figures.writesInFlight;
        ++(current == before       ? figures.landedBefore
                : current == after ? figures.landedAfter
                                   : figures.landedBetween);
    }
    // No step is lost, redo steps included: the history is as before the event or as after it.
    history = recoveredHistory(device.root());
    if (history != historyBefore && history != historyAfter)
        problems.push_back("the history is " + history + ", neither as before the event ("
            + historyBefore + ") nor as after it (" + historyAfter + ")");
    if (!records.empty() && isMove(records.back().event) && historyBefore != historyAfter) {
        ++figures.movesInFlight;
        figures.movesRolledBack += history == historyBefore;
    }
    return problems;
}

// Temporary files under the whole device, by folder.
std::map<std::string, int> temporaryFilesByFolder(const fs::path& root)
{
    std::map<std::string, int> folders;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        if (fw::isTemporaryFileName(it->path().filename().string()))
            ++folders[fs::relative(it->path().parent_path(), root).string()];
    }
    return folders;
}

// The driver records each event in the journal before it runs it.
void waitForFirstEvent(const fs::path& journal)
{
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (fs::is_empty(journal) && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Whether the process has ended (it stays a zombie until it is reaped); its pid is in the file
// the driver writes when it starts.
bool hasEnded(const fs::path& pidFile)
{
    std::ifstream pidText(pidFile);
    long pid = 0;
    if (!(pidText >> pid) || pid <= 0)
        return true;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    auto state = line.rfind(')');
    return state == std::string::npos || state + 2 >= line.size() || line[state + 2] == 'Z'
        || line[state + 2] == 'X';
}

// Waits until the driver has journalled an undo or a redo that changes the history, which it
// runs next; random moments land in one too seldom to count on. Gives up at `limit`.
void waitForMove(const fs::path& journal, std::chrono::steady_clock::time_point limit)
{
    while (std::chrono::steady_clock::now() < limit) {
        std::vector<StepRecord> records;
        try {
            records = newestStepRecords(journal, 2);
        } catch (const std::exception&) {
            // The running driver removed a record between the listing and the reading.
        }
        if (records.size() == 2 && isMove(records.back().event)
            && records.back().history != records.front().history)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::string driverSeed(std::mt19937& random)
{
    return std::to_string(random());
}

} // namespace

TEST(CrashConsistency, EveryKillLeavesEachFileWholeAndOldOrNew)
{
    const long kills = sizeFromEnvironment("QLN_CRASH_KILLS", 200);
    const auto seed = static_cast<unsigned>(sizeFromEnvironment("QLN_CRASH_SEED", 20240611));
    ScratchDevice device({}, Storage::Disk);
    auto journal = device.aside("journal");
    auto output = device.aside("output") / "driver.out";
    auto pidFile = device.aside("output") / "driver.pid";
    std::mt19937 random(seed);
    // Counted from the driver's first event, so that a slow start (a sanitizer build, a busy
    // machine) does not turn the kills into kills of start-ups; a slower build widens it.
    const long windowMs = sizeFromEnvironment("QLN_CRASH_WINDOW_MS", 400);
    std::uniform_int_distribution<long> lifetimeMs(0, windowMs);

    KillFigures figures;
    auto known = trackedFiles(device.root());
    auto history = historyState(device.root());
    auto started = std::chrono::steady_clock::now();
    for (long kill = 0; kill < kills; ++kill) {
        for (const auto& entry : fs::directory_iterator(journal))
            fs::remove_all(entry.path());
        fs::remove(pidFile);
        ChildProcess driver(
            { QLN_CRASH_DRIVER, "--root", device.root().string(), "--journal", journal.string(),
                "--seed", driverSeed(random), "--pid-file", pidFile.string() },
            output);
        waitForFirstEvent(journal);
        if (kill % 8 == 7) {
            waitForMove(journal,
                std::chrono::steady_clock::now() + std::chrono::milliseconds(8 * windowMs));
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 3));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(lifetimeMs(random)));
        }
        // A driver that failed or crashed on its own would pass for a kill.
        ASSERT_FALSE(hasEnded(pidFile)) << "the driver ended before kill " << kill;
        driver.kill();
        ++figures.kills;

        auto problems = checkAfterKill(device, journal, known, history, figures);
        ASSERT_TRUE(problems.empty())
            << "kill " << kill << " of seed " << seed << ": " << ::testing::PrintToString(problems);
        auto leftovers = temporaryFilesByFolder(device.root());
        std::size_t count = 0;
        for (const auto& [folder, files] : leftovers) {
            count += static_cast<std::size_t>(files);
            // One in flight, or one left by an earlier kill in a folder not written since.
            EXPECT_LE(files, 1) << folder << " after kill " << kill;
        }
        figures.mostTemporaryFiles = std::max(figures.mostTemporaryFiles, count);
        known = trackedFiles(device.root());
    }
    auto seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    // The kills must have hit real work, not only start-ups.
    EXPECT_GT(figures.eventsBeforeKills, kills);
    EXPECT_GT(figures.writesInFlight, kills / 20);
    EXPECT_GT(figures.movesInFlight, 0) << "no kill landed in an undo or a redo";

    // A run to the end on what the kills left: every event's files match its rehearsal, and
    // nothing older than the run is left over where it writes.
    for (const auto& entry : fs::directory_iterator(journal))
        fs::remove_all(entry.path());
    ChildProcess finalRun(
        { QLN_CRASH_DRIVER, "--root", device.root().string(), "--journal", journal.string(),
            "--seed", driverSeed(random), "--operations", "60", "--verify" },
        output);
    EXPECT_EQ(finalRun.wait(std::chrono::minutes(3)), 0);
    EXPECT_EQ(temporaryFilesByFolder(device.root()).count("var/mobile/Library/Preferences"), 0u);

    std::ostringstream line;
    line << figures.kills << " kills in " << static_cast<int>(seconds) << " s after "
         << figures.eventsBeforeKills << " events that may write; " << figures.writesInFlight
         << " with a write in flight (" << figures.landedBefore << " left the old files, "
         << figures.landedAfter << " the new, " << figures.landedBetween << " between two files); "
         << figures.movesInFlight << " during an undo or a redo, no step lost ("
         << figures.movesRolledBack << " rolled back); at most " << figures.mostTemporaryFiles
         << " temporary files at once; seed " << seed;
    recordFigure("crash-consistency", line.str());
    std::cout << line.str() << std::endl;
}
