#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace history {

// The bytes of the settings files at one moment, by device path; a missing file is absent.
using FileSet = std::map<std::string, std::string>;

// One file a step touched, as a delta both ways: the bytes before and after share `prefix`
// leading and `suffix` trailing bytes, and differ in the middle. Either side can be rebuilt
// from the other, and the checksums say whether that side came back exactly.
struct FileChange {
    std::string path;
    bool existedBefore { false };
    bool existedAfter { false };
    std::uint64_t prefix { 0 };
    std::uint64_t suffix { 0 };
    std::string middleBefore;
    std::string middleAfter;
    std::uint64_t sizeBefore { 0 };
    std::uint64_t sizeAfter { 0 };
    std::uint32_t crcBefore { 0 };
    std::uint32_t crcAfter { 0 };
    // The middles as stored, compressed once: the history is written again on every change.
    mutable std::string storedBefore;
    mutable std::string storedAfter;
};

struct HistoryStep {
    std::uint64_t id { 0 };
    std::string label;
    // What the user is told once the step is made, or empty.
    std::string notice;
    std::vector<FileChange> changes;
    // The step as stored, made once: the history is written again on every change.
    mutable std::string encoded;
};

// What a finished change looked like, for naming it.
struct ChangeSet {
    FileSet before; // only the paths that changed, as they were
    FileSet after; // only the paths that changed, as they are
    std::vector<std::string> paths;
};

struct StepName {
    std::string label;
    std::string notice;
};

using StepNamer = std::function<StepName(const ChangeSet&)>;

// What a change made while nobody here held the history is called when no one says better.
StepName foreignChange(const ChangeSet& changes);

// The history of the settings files on one device: every change to the settings file, the
// persistent file or a preset file is one step that can be undone and redone byte for byte.
//
// It lives beside the device's pasteboard, outside anything the bundle or the theming component
// reads. Every process working on the device shares it: a change is bracketed by begin() and
// finish(), which hold a lock on the device, so that each change is recorded once by the
// process that made it; whatever changed while nobody held the lock is recorded as a change by
// another program before anything else happens.
class History {
public:
    static constexpr std::size_t kMaxSteps = 200;
    // The bytes of files a history may hold, the known files and every step's changes together:
    // the oldest steps go to keep within it, and a file that claims more is refused unread.
    static constexpr std::uint64_t kMaxDecodedBytes = 256u << 20;

    // The history of the device at fw::Device::root().
    static History& shared();

    // How changes made elsewhere are named, for whoever shows them (foreignChange by default).
    void nameForeignChangesWith(StepNamer namer) { m_nameForeign = std::move(namer); }

    // Locks the history, records what changed since it was last seen, and remembers the files.
    void begin();
    // Records what changed since begin() as one step, named by `name`, then unlocks. Answers
    // the step's id when one was recorded.
    std::optional<std::uint64_t> finish(const StepNamer& name);
    bool isOpen() const { return m_open; }

    // Runs `change` as one step of this process, named by `name`: for changes the host makes
    // outside an event (a preset imported from a file), which would otherwise be taken for
    // another program's. Rethrows what `change` throws, after closing the history.
    void record(const std::function<void()>& change, const StepNamer& name);

    // Inside begin()/finish(): puts the files back as before the last step (or as after the
    // step last undone). Answers the label of the step, or what was wrong; nothing is changed
    // then.
    struct Move {
        std::optional<std::string> label;
        std::string error;
        bool presetsChanged { false };
    };
    Move undo();
    Move redo();

    // Records a change made elsewhere, if there is one and no change of this process is open.
    std::optional<std::uint64_t> recordForeignChange();

    // What the screen shows: labels of the next undo and redo, and the latest step's notice.
    struct Summary {
        std::optional<std::string> undo;
        std::optional<std::string> redo;
        std::uint64_t headId { 0 };
        std::string notice;
    };
    Summary summary();

    // The history file, its lock and the record of an undo or redo in flight, for tests and
    // measurements.
    static std::filesystem::path filePath();
    static std::filesystem::path lockPath();
    static std::filesystem::path movePath();
    // The files a step may touch as they are now on the device.
    static FileSet readDeviceFiles();

    struct Store {
        FileSet known; // the files as the last recorded step left them
        std::deque<HistoryStep> steps;
        std::size_t position { 0 }; // steps before it are done; from it on they can be redone
        std::uint64_t nextId { 1 };
    };

private:
    void lock();
    void unlock();
    void load();
    void setAside(const std::string& why);
    bool save();
    void append(HistoryStep step, const FileSet& now);
    Move move(bool backwards);
    void rollBackInterruptedMove();

    std::filesystem::path m_root;
    Store m_store;
    FileSet m_before;
    bool m_open { false };
    int m_lockFd { -1 };
    // The history file as last read or written: decoded again only when it changed.
    std::optional<std::string> m_loadedBytes;
    bool m_hasFile { false };
    std::optional<std::uint64_t> m_foreignId;
    StepNamer m_nameForeign { foreignChange };
};

// The files a step may touch: the settings file, the persistent file and the ".plist" files
// directly in the presets folder. A history that names any other is not to be trusted.
bool isHistoryPath(std::string_view devicePath);

// The history file's form, exposed for tests: bytes to store and back. decodeHistory throws
// std::runtime_error on anything it cannot read or that breaks the history's limits.
std::string encodeHistory(const History::Store& store);
History::Store decodeHistory(const std::string& bytes);
// The bytes of files the store holds, as counted against kMaxDecodedBytes.
std::uint64_t decodedSize(const History::Store& store);

// CRC-32 of the bytes, for telling whether a file or the history came back exactly.
std::uint32_t historyChecksum(std::string_view bytes);

// The delta between two versions of a file, and its application in either direction (nullopt
// when the result does not match what was recorded).
FileChange makeChange(const std::string& path, const std::optional<std::string>& before,
    const std::optional<std::string>& after);
std::optional<std::optional<std::string>> applyChange(
    const FileChange& change, const std::optional<std::string>& from, bool backwards);

} // namespace history
