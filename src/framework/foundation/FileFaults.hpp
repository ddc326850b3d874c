#pragma once

#include <string>
#include <string_view>

namespace fw {

// Every file operation the framework performs, so that tests can make a chosen one fail.
enum class FileOp { Read, Write, Flush, Rename, Copy, Remove, CreateDirectory, List, CreateFile };

std::string_view fileOpName(FileOp op);

// Test seam: makes operations of one kind fail, optionally only on device paths that contain
// a given text. Off unless a test arms it.
class FileFaults {
public:
    // The next `count` operations of `op` (on paths containing `pathPart`) fail; count < 0 means
    // every one until cleared.
    static void arm(FileOp op, int count = -1, std::string pathPart = {});
    static void clear();
    // Called by the file layer before each operation; true when it must fail.
    static bool shouldFail(FileOp op, std::string_view devicePath);
    // For operations on two paths (copies): matches when either path contains the armed text,
    // and counts as one operation.
    static bool shouldFail(FileOp op, std::string_view devicePath, std::string_view otherPath);
};

} // namespace fw
