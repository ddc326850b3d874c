#include "foundation/Device.hpp"

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

} // namespace fw
