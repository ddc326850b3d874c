#pragma once

#include "device/DeviceSetup.hpp"

#include <filesystem>
#include <string>

namespace reliability {

// Where a scratch device lives. In memory (tmpfs) a concurrent reader meets the same renames
// as on a disk, and runs measure the system rather than the disk's flush time; on a disk each
// write lasts long enough for kills to land inside it.
enum class Storage { Memory, Disk };

// A device laid out as a fresh installation in a temporary folder, with room beside it for
// journals and outputs. Removed again when the object goes. QLN_RELIABILITY_TMP overrides
// where it goes.
class ScratchDevice {
public:
    explicit ScratchDevice(
        const device::DeviceOptions& options = {}, Storage storage = Storage::Memory);
    ~ScratchDevice();
    ScratchDevice(const ScratchDevice&) = delete;
    ScratchDevice& operator=(const ScratchDevice&) = delete;

    const std::filesystem::path& root() const { return m_root; }
    // A folder beside the device (created empty on first use).
    std::filesystem::path aside(const std::string& name) const;
    std::filesystem::path hostPath(std::string_view devicePath) const;

private:
    std::filesystem::path m_base;
    std::filesystem::path m_root;
};

// A size for a test, from the environment when the long runs set it.
long sizeFromEnvironment(const char* name, long fallback);

// Appends a figure line for the README to the build folder's reliability figures.
void recordFigure(const std::string& test, const std::string& line);

} // namespace reliability
