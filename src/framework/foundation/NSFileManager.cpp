#include "foundation/NSFileManager.hpp"

#include "foundation/Device.hpp"
#include "foundation/FileFaults.hpp"
#include "foundation/FileIO.hpp"
#include "foundation/Journal.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {

void recordEffect(std::string op, std::string_view path, std::string_view from = {})
{
    Journal::recordEffect({ std::move(op), std::string(path), std::string(from), {} });
}

} // namespace

NSFileManager& NSFileManager::defaultManager()
{
    static NSFileManager manager;
    return manager;
}

bool NSFileManager::fileExistsAtPath(std::string_view path) const
{
    struct stat info { };
    return ::stat(Device::resolve(path).c_str(), &info) == 0;
}

bool NSFileManager::createDirectoryAtPath(std::string_view path, bool withIntermediateDirectories)
{
    if (FileFaults::shouldFail(FileOp::CreateDirectory, path))
        return false;
    std::filesystem::path resolved = Device::resolve(path);
    if (!withIntermediateDirectories) {
        // As on the platform: without intermediates an existing directory is an error too.
        if (::mkdir(resolved.c_str(), 0755) != 0)
            return false;
        recordEffect("mkdir", path);
        return true;
    }
    std::error_code error;
    bool created = std::filesystem::create_directories(resolved, error);
    if (error)
        return false;
    if (created)
        recordEffect("mkdir", path);
    return std::filesystem::is_directory(resolved, error);
}

std::optional<std::vector<std::string>> NSFileManager::contentsOfDirectoryAtPath(
    std::string_view path) const
{
    if (FileFaults::shouldFail(FileOp::List, path))
        return std::nullopt;
    int fd = ::open(Device::resolve(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    DIR* directory = ::fdopendir(fd);
    if (!directory) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(directory)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(directory);
    return names;
}

bool NSFileManager::copyItemAtPath(std::string_view from, std::string_view to)
{
    if (FileFaults::shouldFail(FileOp::Copy, to, from))
        return false;
    if (!copyFileWithoutReplacing(Device::resolve(from), Device::resolve(to), to))
        return false;
    recordEffect("copy", to, from);
    return true;
}

bool NSFileManager::removeItemAtPath(std::string_view path)
{
    if (FileFaults::shouldFail(FileOp::Remove, path))
        return false;
    std::filesystem::path resolved = Device::resolve(path);
    // The root itself is never removed, whatever the path spells.
    if (resolved == Device::root())
        return false;
    std::error_code error;
    // remove_all takes a symbolic link away without following it.
    std::uintmax_t removed = std::filesystem::remove_all(resolved, error);
    if (error || removed == 0)
        return false;
    recordEffect("remove", path);
    return true;
}

bool NSFileManager::createFileAtPath(std::string_view path, std::string_view contents)
{
    if (FileFaults::shouldFail(FileOp::CreateFile, path))
        return false;
    if (!writeFileAtomically(Device::resolve(path), contents, path))
        return false;
    recordEffect("write", path);
    return true;
}

bool NSFileManager::replaceItemWithCopyOfItem(std::string_view target, std::string_view source)
{
    if (FileFaults::shouldFail(FileOp::Copy, target, source))
        return false;
    if (FileFaults::shouldFail(FileOp::Read, source))
        return false;
    auto bytes = readFileContents(Device::resolve(source), std::nullopt);
    if (!bytes)
        return false;
    if (!writeFileAtomically(Device::resolve(target), *bytes, target))
        return false;
    recordEffect("copy", target, source);
    return true;
}

bool NSFileManager::writeAtomically(std::string_view path, std::string_view bytes)
{
    if (!writeFileAtomically(Device::resolve(path), bytes, path))
        return false;
    recordEffect("write", path);
    return true;
}

std::optional<std::string> NSFileManager::contentsAtPath(
    std::string_view path, std::size_t limit) const
{
    if (FileFaults::shouldFail(FileOp::Read, path))
        return std::nullopt;
    return readFileContents(Device::resolve(path), limit);
}

} // namespace fw
