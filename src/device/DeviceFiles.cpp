#include "device/DeviceFiles.hpp"

#include "foundation/FileIO.hpp"
#include "foundation/PropertyList.hpp"

#include <fcntl.h>
#include <fstream>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace device::files {

namespace fs = std::filesystem;

namespace {

// A hidden name beside `path` that no module scan takes for a bundle.
fs::path asideName(const fs::path& path, std::string_view purpose)
{
    static std::mt19937_64 random { std::random_device {}() };
    std::string name = ".";
    name.append(path.filename().string()).append(".").append(purpose).append("-");
    name.append(std::to_string(random() % 1000000000));
    return path.parent_path() / name;
}

// A rename is durable only once its folder is flushed.
void syncFolder(const fs::path& folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

void writeWhole(const fs::path& path, std::string_view bytes, Care care)
{
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    bool written = false;
    if (!error && care == Care::Durable) {
        written = fw::writeFileAtomically(path, bytes);
    } else if (!error) {
        auto temporary = asideName(path, "new");
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        written = out && (fs::rename(temporary, path, error), !error);
        if (!written)
            fs::remove(temporary, error);
    }
    if (!written)
        throw std::runtime_error("cannot write " + path.string());
}

void writePlist(const fs::path& path, const fw::Dictionary& dictionary, Care care)
{
    writeWhole(path, fw::xmlPropertyList(fw::Value(dictionary)), care);
}

fw::Dictionary readDictionary(const fs::path& path)
{
    auto bytes = fw::readFileContents(path, fw::kMaxPropertyListBytes);
    auto value = bytes ? fw::parsePropertyList(*bytes) : std::nullopt;
    if (!value || !value->asDictionary())
        return {};
    return *value->asDictionary();
}

void installBuiltFolder(
    const fs::path& to, const std::function<void(const fs::path& staging)>& build, Care care)
{
    fs::create_directories(to.parent_path());
    auto staging = asideName(to, "new");
    try {
        fs::create_directory(staging);
        build(staging);
        fs::rename(staging, to);
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(staging, ignored);
        throw;
    }
    if (care == Care::Durable)
        syncFolder(to.parent_path());
}

void installFolder(const fs::path& from, const fs::path& to, Care care)
{
    installBuiltFolder(
        to,
        [&](const fs::path& staging) {
            for (const auto& entry : fs::recursive_directory_iterator(from)) {
                auto target = staging / fs::relative(entry.path(), from);
                if (entry.is_directory()) {
                    fs::create_directories(target);
                    continue;
                }
                auto bytes = fw::readFileContents(entry.path(), std::nullopt);
                if (!bytes)
                    throw std::runtime_error("cannot read " + entry.path().string());
                writeWhole(target, *bytes, care);
                fs::permissions(target, entry.status().permissions());
            }
        },
        care);
}

void removeWhole(const fs::path& path)
{
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error)))
        return;
    auto aside = asideName(path, "old");
    fs::rename(path, aside);
    syncFolder(path.parent_path());
    fs::remove_all(aside);
}

} // namespace device::files
