#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace fw {

// The low-level file steps shared by the file manager and the framework's own bookkeeping
// files (the pasteboard). They work on resolved host paths and record nothing in the journal.
// `faultPath` is the device path that FileFaults checks at each step (Write, Flush, Rename);
// nullopt means the steps cannot be made to fail by tests.

// Temporary file beside `target`, written whole, flushed, renamed over it, directory flushed.
// On failure the target is untouched and the temporary file is gone.
bool writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
    std::optional<std::string_view> faultPath = std::nullopt);
// The same, readable by its user alone (mode 0600): for the host's own records, which may hold
// copies of files that others cannot read.
bool writePrivateFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// Copies a regular file through a temporary file that is linked into place only when nothing
// exists at `to`: a crash never leaves a partial destination and nothing is ever overwritten.
bool copyFileWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
    std::optional<std::string_view> faultPath = std::nullopt);

// Every byte to an open descriptor (a file, a pipe), through short and interrupted writes. False
// on any error.
bool writeAll(int fd, std::string_view bytes);

// Whether the last part of a path may be a symbolic link. The files the host keeps for itself
// (history, lock, wallpaper, pasteboard) are never reached through one: a link planted in
// their place would make the host read or create a file it never meant to.
enum class Links { Follow, Refuse };

// The whole regular file, or nullopt when missing, unreadable, larger than `limit` bytes (no
// limit when `limit` is nullopt), or a link that `links` refuses.
std::optional<std::string> readFileContents(const std::filesystem::path& file,
    std::optional<std::size_t> limit, Links links = Links::Follow);

} // namespace fw
