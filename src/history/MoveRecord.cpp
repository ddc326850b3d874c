#include "history/MoveRecord.hpp"

#include "foundation/FileIO.hpp"

#include <sstream>
#include <string>
#include <string_view>

namespace history {

namespace {

constexpr std::string_view kMagic = "QLNMOVE1";
constexpr std::size_t kMaxRecordBytes = 256;

} // namespace

bool writeMoveRecord(const std::filesystem::path& file, const MoveRecord& record)
{
    std::ostringstream text;
    text << kMagic << ' ' << record.from << ' ' << record.to << ' ' << record.stepId << '\n';
    return fw::writePrivateFileAtomically(file, text.str());
}

std::optional<MoveRecord> readMoveRecord(const std::filesystem::path& file)
{
    auto bytes = fw::readFileContents(file, kMaxRecordBytes, fw::Links::Refuse);
    if (!bytes)
        return std::nullopt;
    std::istringstream text(*bytes);
    std::string magic;
    MoveRecord record;
    if (!(text >> magic >> record.from >> record.to >> record.stepId) || magic != kMagic)
        return std::nullopt;
    // A move goes one step either way.
    if (record.to + 1 != record.from && record.from + 1 != record.to)
        return std::nullopt;
    return record;
}

} // namespace history
