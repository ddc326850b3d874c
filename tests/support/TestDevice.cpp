#include "support/TestDevice.hpp"

#include "foundation/Device.hpp"
#include "foundation/FileFaults.hpp"
#include "foundation/Journal.hpp"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

TestDevice::TestDevice()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "qln-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary device root");
    m_root = pattern;
    std::filesystem::create_directories(m_root / "var/mobile/Library/Preferences");
    std::filesystem::create_directory_symlink("var/mobile", m_root / "User");
    fw::Device::setRoot(m_root);
    fw::FileFaults::clear();
    fw::Journal::take();
}

TestDevice::~TestDevice()
{
    fw::FileFaults::clear();
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
}

std::filesystem::path TestDevice::hostPath(std::string_view devicePath) const
{
    return fw::Device::resolve(devicePath);
}

void TestDevice::write(std::string_view devicePath, std::string_view bytes) const
{
    std::filesystem::path path = hostPath(devicePath);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string TestDevice::read(std::string_view devicePath) const
{
    std::ifstream in(hostPath(devicePath), std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

bool TestDevice::exists(std::string_view devicePath) const
{
    std::error_code ignored;
    return std::filesystem::exists(hostPath(devicePath), ignored);
}
