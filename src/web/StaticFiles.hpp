#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace web {

struct StaticFile {
    std::string bytes;
    std::string contentType;
    std::string etag;
};

// A file of the browser UI for a request path; nullopt for anything outside `webRoot`.
std::optional<StaticFile> staticFile(const std::filesystem::path& webRoot, const std::string& path);
// A picture of the device's settings bundle (the only device files the browser may read).
std::optional<StaticFile> deviceFile(
    const std::filesystem::path& deviceRoot, const std::string& devicePath);

} // namespace web
