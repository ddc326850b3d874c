#include "ScratchDevice.hpp"

#include "BuildPaths.hpp"
#include "foundation/Device.hpp"
#include "foundation/FileFaults.hpp"
#include "foundation/Journal.hpp"

#include <cstdlib>
#include <fstream>
#include <set>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace reliability {

namespace {

fs::path scratchFolder(Storage storage)
{
    if (const char* chosen = std::getenv("QLN_RELIABILITY_TMP"); chosen && *chosen)
        return chosen;
    std::error_code error;
    if (storage == Storage::Memory && fs::is_directory("/dev/shm", error)
        && ::access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return fs::temp_directory_path();
}

} // namespace

ScratchDevice::ScratchDevice(const device::DeviceOptions& options, Storage storage)
{
    std::string pattern = (scratchFolder(storage) / "qln-reliability-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_base = pattern;
    m_root = m_base / "device";
    device::initDevice(m_root, options);
    fw::Device::setRoot(m_root);
    fw::FileFaults::clear();
    fw::Journal::take();
}

ScratchDevice::~ScratchDevice()
{
    fw::FileFaults::clear();
    std::error_code ignored;
    fs::remove_all(m_base, ignored);
}

fs::path ScratchDevice::aside(const std::string& name) const
{
    auto folder = m_base / name;
    fs::create_directories(folder);
    return folder;
}

fs::path ScratchDevice::hostPath(std::string_view devicePath) const
{
    return m_root / fs::path(devicePath).relative_path();
}

long sizeFromEnvironment(const char* name, long fallback)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return fallback;
    return std::stol(value);
}

void recordFigure(const std::string& test, const std::string& line)
{
    // A test's first figure of this run starts its file afresh.
    static std::set<std::string> started;
    bool first = started.insert(test).second;
    auto folder = fs::path(QLN_BINARY_DIR) / "reliability";
    fs::create_directories(folder);
    std::ofstream(folder / (test + ".md"), first ? std::ios::trunc : std::ios::app)
        << line << " (" << std::thread::hardware_concurrency() << " cores)\n";
}

} // namespace reliability
