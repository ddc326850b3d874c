#pragma once

#include "foundation/Value.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// Whole files larger than this count as unreadable, unless a reader says otherwise.
inline constexpr std::size_t kMaxReadBytes = 32u << 20;

// The file manager over the device root. Every path is a device path. Failures are reported
// through the return value only; the bundle decides whether to look at it.
//
// Each operation first asks FileFaults about its own FileOp (copies about Copy, matching either
// path); writing operations then ask about Write, Flush and Rename at those steps, and
// replaceItemWithCopyOfItem about Read of its source. Each change that succeeds is recorded in
// the Journal: "write" (writeAtomically, createFileAtPath), "remove", "copy" (path = the
// destination, from = the source; also replaceItemWithCopyOfItem) and "mkdir" (only when a
// directory was created).
class NSFileManager {
public:
    static NSFileManager& defaultManager();

    bool fileExistsAtPath(std::string_view path) const;
    // Creates the directory and any missing parents. True when it exists afterwards.
    bool createDirectoryAtPath(std::string_view path, bool withIntermediateDirectories = true);
    // Names of the entries one level down, hidden entries included; nullopt when unreadable.
    std::optional<std::vector<std::string>> contentsOfDirectoryAtPath(std::string_view path) const;
    // Copies a file; never overwrites: fails when something exists at the destination.
    bool copyItemAtPath(std::string_view from, std::string_view to);
    bool removeItemAtPath(std::string_view path);
    // Creates a file with the given contents (empty by default); fails if it cannot be written.
    bool createFileAtPath(std::string_view path, std::string_view contents = {});

    // Replaces the file at `target` by a copy of `source` atomically: the copy goes to a
    // temporary file beside the target, which is flushed and renamed over it, so the target
    // never disappears, not even for a moment. On failure the target is left as it was.
    bool replaceItemWithCopyOfItem(std::string_view target, std::string_view source);

    // Writes bytes atomically and durably: temporary file in the same directory (never with a
    // ".plist" ending), flushed, renamed over the target, directory flushed. On failure the
    // previous file is left as it was and no temporary file stays behind.
    bool writeAtomically(std::string_view path, std::string_view bytes);

    // Reads a whole file; nullopt when missing, unreadable or larger than `limit` bytes.
    std::optional<std::string> contentsAtPath(
        std::string_view path, std::size_t limit = kMaxReadBytes) const;
};

// Temporary files made by atomic writes are named by this marker and 12 random letters or
// digits, whatever the target's name: a long target would otherwise push the temporary name
// past the file system's 255-byte limit.
inline constexpr std::string_view kTemporaryFileMarker = ".qln-tmp-";
inline constexpr std::size_t kTemporaryFileRandomLength = 12;

// Whether a file name is one an atomic write leaves behind when its writer dies: the marker and
// the random part at its very end, after a leading dot (earlier versions put the target's name
// between the two). A preset's or settings file's name ends in ".plist", so it never matches.
bool isTemporaryFileName(std::string_view name);

} // namespace fw
