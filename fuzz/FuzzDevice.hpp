#pragma once

#include "device/DeviceSetup.hpp"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

// One device per fuzzing process, laid out on first use in a temporary folder and removed at
// exit. Its preferences are put back from a pristine copy whenever a target asks, so that one
// input's writes do not steer the next.
class FuzzDevice {
public:
    static FuzzDevice& instance()
    {
        static FuzzDevice device;
        return device;
    }

    const std::filesystem::path& root() const { return m_root; }

    void restorePreferences() const
    {
        namespace fs = std::filesystem;
        auto preferences = m_root / "var/mobile/Library/Preferences";
        std::error_code ignored;
        fs::remove_all(preferences, ignored);
        fs::copy(m_pristine, preferences, fs::copy_options::recursive);
        fs::remove(m_root / ".pasteboard.plist", ignored);
    }

private:
    FuzzDevice()
    {
        // In memory where the machine has it: every write is flushed, and a disk's flush time
        // would cost most of the executions.
        std::error_code error;
        auto folder = std::filesystem::is_directory("/dev/shm", error)
            ? std::filesystem::path("/dev/shm")
            : std::filesystem::temp_directory_path();
        std::string pattern = (folder / "qln-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder");
        m_base = pattern;
        m_root = m_base / "device";
        m_pristine = m_base / "pristine-preferences";
        // The data beside this build, unless the caller chose other data.
        ::setenv("QUILLANE_DATA_DIR", QLN_FUZZ_DATA_DIR, 0);
        device::initDevice(m_root, {});
        std::filesystem::copy(m_root / "var/mobile/Library/Preferences", m_pristine,
            std::filesystem::copy_options::recursive);
    }
    ~FuzzDevice()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_base, ignored);
    }

    std::filesystem::path m_base;
    std::filesystem::path m_root;
    std::filesystem::path m_pristine;
};
