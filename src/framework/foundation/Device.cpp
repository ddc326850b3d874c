#include "foundation/Device.hpp"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <optional>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace fw {

namespace {

// Never destroyed: a background job may still resolve a path while the process exits.
std::filesystem::path& rootStorage()
{
    static auto* root = new std::filesystem::path;
    return *root;
}

} // namespace

void Device::setRoot(std::filesystem::path root)
{
    rootStorage() = std::move(root);
}

const std::filesystem::path& Device::root()
{
    return rootStorage();
}

// Purely lexical: "." and empty components vanish, ".." drops the previous component and stops
// at the root. Links inside the device ("/User") are followed by the file system afterwards.
std::filesystem::path Device::resolve(std::string_view devicePath)
{
    std::vector<std::string_view> components;
    std::size_t start = 0;
    while (start <= devicePath.size()) {
        std::size_t end = devicePath.find('/', start);
        if (end == std::string_view::npos)
            end = devicePath.size();
        std::string_view component = devicePath.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".")
            continue;
        if (component == "..") {
            if (!components.empty())
                components.pop_back();
            continue;
        }
        components.push_back(component);
    }
    std::string relative;
    for (std::string_view component : components) {
        if (!relative.empty())
            relative += '/';
        relative += component;
    }
    if (relative.empty())
        return root();
    return root() / relative;
}

namespace {

// The kernel resolves the path and refuses any step out of `directory` (an absolute link, ".."
// past it); nullopt when this kernel cannot.
std::optional<bool> openableBeneath(int directory, const std::filesystem::path& relative)
{
    open_how how {};
    how.flags = O_PATH | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const char* path = relative.empty() ? "." : relative.c_str();
    long fd = ::syscall(SYS_openat2, directory, path, &how, sizeof how);
    if (fd >= 0) {
        ::close(static_cast<int>(fd));
        return true;
    }
    if (errno == ENOSYS)
        return std::nullopt;
    // Not there yet: what decides is where its folder leads.
    if (errno == ENOENT && !relative.empty())
        return openableBeneath(directory, relative.parent_path());
    return false;
}

} // namespace

bool Device::resolvesInside(std::string_view devicePath)
{
    auto relative = resolve(devicePath).lexically_relative(root());
    if (relative == ".")
        relative.clear();
    int directory = ::open(root().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0)
        return false;
    auto inside = openableBeneath(directory, relative);
    ::close(directory);
    if (inside)
        return *inside;
    std::error_code error;
    auto base = std::filesystem::canonical(root(), error);
    auto target = std::filesystem::weakly_canonical(root() / relative, error);
    auto [end, ignored] = std::mismatch(base.begin(), base.end(), target.begin(), target.end());
    return !error && end == base.end();
}

} // namespace fw
