#include "history/History.hpp"

#include <zlib.h>

// The bytes a step keeps of each file it touched: what differs between the two versions, with
// checksums that say whether a version was rebuilt exactly.
namespace history {

std::uint32_t historyChecksum(std::string_view bytes)
{
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

FileChange makeChange(const std::string& path, const std::optional<std::string>& before,
    const std::optional<std::string>& after)
{
    std::string_view from = before ? std::string_view(*before) : std::string_view();
    std::string_view to = after ? std::string_view(*after) : std::string_view();
    std::size_t shorter = std::min(from.size(), to.size());
    std::size_t prefix = 0;
    while (prefix < shorter && from[prefix] == to[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (
        suffix < shorter - prefix && from[from.size() - 1 - suffix] == to[to.size() - 1 - suffix])
        ++suffix;
    FileChange change;
    change.path = path;
    change.existedBefore = before.has_value();
    change.existedAfter = after.has_value();
    change.prefix = prefix;
    change.suffix = suffix;
    change.middleBefore = std::string(from.substr(prefix, from.size() - prefix - suffix));
    change.middleAfter = std::string(to.substr(prefix, to.size() - prefix - suffix));
    change.sizeBefore = from.size();
    change.sizeAfter = to.size();
    change.crcBefore = historyChecksum(from);
    change.crcAfter = historyChecksum(to);
    return change;
}

std::optional<std::optional<std::string>> applyChange(
    const FileChange& change, const std::optional<std::string>& from, bool backwards)
{
    bool existedFrom = backwards ? change.existedAfter : change.existedBefore;
    bool existsTo = backwards ? change.existedBefore : change.existedAfter;
    auto sizeFrom = backwards ? change.sizeAfter : change.sizeBefore;
    auto crcFrom = backwards ? change.crcAfter : change.crcBefore;
    auto sizeTo = backwards ? change.sizeBefore : change.sizeAfter;
    auto crcTo = backwards ? change.crcBefore : change.crcAfter;
    auto& middle = backwards ? change.middleBefore : change.middleAfter;
    std::string_view bytes = from ? std::string_view(*from) : std::string_view();
    // The file must be exactly what the step left, or the result would be a mix of both.
    if (from.has_value() != existedFrom || bytes.size() != sizeFrom
        || historyChecksum(bytes) != crcFrom || change.prefix + change.suffix > bytes.size())
        return std::nullopt;
    std::string result;
    result.reserve(sizeTo);
    result.append(bytes.substr(0, change.prefix));
    result.append(middle);
    result.append(bytes.substr(bytes.size() - change.suffix));
    if (result.size() != sizeTo || historyChecksum(result) != crcTo)
        return std::nullopt;
    if (!existsTo)
        return std::optional<std::string>();
    return std::optional<std::string>(std::move(result));
}

} // namespace history
