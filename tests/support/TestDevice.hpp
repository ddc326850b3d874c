#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// A fresh, empty device for one test: a temporary root with the mobile user's preferences
// directory and the "/User" link, made the framework's device root. Injected file faults and the
// journal start empty. The directory is removed again when the object goes.
class TestDevice {
public:
    TestDevice();
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path hostPath(std::string_view devicePath) const;

    // Plain file access for arranging and checking a test; nothing is journalled.
    void write(std::string_view devicePath, std::string_view bytes) const;
    std::string read(std::string_view devicePath) const;
    bool exists(std::string_view devicePath) const;

private:
    std::filesystem::path m_root;
};
