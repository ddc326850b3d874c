#include "web/StaticFiles.hpp"

#include <fstream>
#include <map>
#include <sstream>

namespace web {

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kMaxStaticBytes = 8u << 20;

std::string contentTypeFor(const fs::path& file)
{
    static const std::map<std::string, std::string> types {
        { ".html", "text/html; charset=utf-8" },
        { ".js", "text/javascript; charset=utf-8" },
        { ".mjs", "text/javascript; charset=utf-8" },
        { ".css", "text/css; charset=utf-8" },
        { ".json", "application/json" },
        { ".png", "image/png" },
        { ".svg", "image/svg+xml" },
        { ".ico", "image/x-icon" },
        { ".txt", "text/plain; charset=utf-8" },
    };
    auto it = types.find(file.extension().string());
    return it == types.end() ? "application/octet-stream" : it->second;
}

// The request path as a relative path with no way up.
std::optional<fs::path> safeRelative(const std::string& path)
{
    if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos
        || path.find('\\') != std::string::npos)
        return std::nullopt;
    fs::path relative = fs::path(path.substr(1)).lexically_normal();
    for (auto& part : relative) {
        if (part == "..")
            return std::nullopt;
    }
    return relative;
}

std::optional<StaticFile> readFile(const fs::path& file)
{
    std::error_code error;
    auto status = fs::symlink_status(file, error);
    if (error || !fs::is_regular_file(status))
        return std::nullopt;
    auto size = fs::file_size(file, error);
    if (error || size > kMaxStaticBytes)
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in)
        return std::nullopt;
    auto time = fs::last_write_time(file, error).time_since_epoch().count();
    std::string etag = "\"";
    etag.append(std::to_string(size)).append("-").append(std::to_string(time)).append("\"");
    return StaticFile { bytes.str(), contentTypeFor(file), etag };
}

} // namespace

std::optional<StaticFile> staticFile(const fs::path& webRoot, const std::string& path)
{
    auto relative = safeRelative(path);
    if (!relative)
        return std::nullopt;
    return readFile(webRoot / *relative);
}

std::optional<StaticFile> deviceFile(const fs::path& deviceRoot, const std::string& devicePath)
{
    static const std::string bundle = "/Library/PreferenceBundles/Quillane.bundle/";
    if (devicePath.rfind(bundle, 0) != 0 || fs::path(devicePath).extension() != ".png")
        return std::nullopt;
    auto relative = safeRelative(devicePath);
    if (!relative)
        return std::nullopt;
    return readFile(deviceRoot / *relative);
}

} // namespace web
