#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace reliability {

// The mobile user's preferences folder under a device root: the settings file, the persistent
// file, the configured marker and the presets, which are all that the writers change.
std::filesystem::path preferencesDir(const std::filesystem::path& deviceRoot);

// Every regular file under the preferences folder (relative path → bytes), temporary files
// of atomic writes left out.
using FileMap = std::map<std::string, std::string>;
FileMap trackedFiles(const std::filesystem::path& deviceRoot);

// Temporary files of atomic writes (names with the project's marker) under the preferences
// folder, relative paths.
std::vector<std::string> temporaryFiles(const std::filesystem::path& deviceRoot);

// What one rehearsed event would leave behind: written whole and flushed before the event runs
// for real, so that after a kill the files can be held against it.
struct StepRecord {
    long step { -1 };
    std::string event;
    FileMap files;
    std::string history; // as historyState() gives it
};

// The history's position and the ids of all its steps ("2: 4 5 6"): a kill must leave both as
// they were before the event in flight or as it leaves them, redo steps included.
std::string historyState(const std::filesystem::path& deviceRoot);

void writeStepRecord(const std::filesystem::path& journalDir, const StepRecord& record);
// The newest records, oldest first (at most `count`).
std::vector<StepRecord> newestStepRecords(
    const std::filesystem::path& journalDir, std::size_t count = 2);
void removeStepRecord(const std::filesystem::path& journalDir, long step);

std::string readWholeFile(const std::filesystem::path& file);
void writeWholeFile(const std::filesystem::path& file, const std::string& bytes);

// Why a file of the preferences folder is damaged (does not parse, or a settings file that is
// no dictionary), or nothing when it is sound.
std::optional<std::string> damage(const std::string& relativePath, const std::string& bytes);

} // namespace reliability
