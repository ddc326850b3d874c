#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace history {

// An undo or redo in flight. It is written durably before the first file of the step is put
// back and removed once the history has moved, so that a process killed in between leaves
// behind what it was doing: the next process to open the history rolls the files back to the
// position the history file still holds, and no step is taken for another program's change.
struct MoveRecord {
    std::size_t from { 0 };
    std::size_t to { 0 };
    std::uint64_t stepId { 0 };
};

bool writeMoveRecord(const std::filesystem::path& file, const MoveRecord& record);
// nullopt when there is none, or it is not one (a damaged record is as good as none: it was
// never complete, so no file was touched after it).
std::optional<MoveRecord> readMoveRecord(const std::filesystem::path& file);

} // namespace history
