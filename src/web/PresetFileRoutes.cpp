#include "host/PresetFiles.hpp"
#include "imagetheme/ImageDecoder.hpp"
#include "web/JsonAnswer.hpp"
#include "web/RecordedChange.hpp"
#include "web/Routes.hpp"

namespace web {

namespace {

// Both touch the presets folder, so they run on the main queue, where the presets page reads it.
Response exportPreset(const std::string& name)
{
    try {
        auto bytes = host::exportPresetFile(name);
        if (!bytes)
            return errorAnswer(404, "there is no preset named \"" + name + "\"");
        Response response { 200, "application/x-plist", std::move(*bytes), {} };
        // The name travels percent-encoded, so no header can be forged through it.
        response.setHeader("Content-Disposition",
            "attachment; filename*=UTF-8''" + percentEncoded(name + ".plist"));
        return response;
    } catch (const std::exception& error) {
        return errorAnswer(400, error.what());
    }
}

Response importPreset(const std::string& name, const std::string& bytes)
{
    try {
        recordAndAnnounce([&] { host::importPresetFile(name, bytes); },
            [&] { return "Import \u201c" + name + "\u201d"; });
        return fieldAnswer(200, "name", name);
    } catch (const std::exception& error) {
        return errorAnswer(400, error.what());
    }
}

} // namespace

void addPresetFileRoutes(Router& router, RouteContext&)
{
    router.add("GET", "/api/presets", [](const RequestPtr&, Reply reply) {
        replyFromMainQueue(std::move(reply), [] { return listAnswer(200, host::presetNames()); });
    });
    router.add("GET", "/api/presets/file", [](const RequestPtr& request, Reply reply) {
        replyFromMainQueue(std::move(reply),
            [request] { return exportPreset(request->param("name").value_or("")); });
    });
    // A preset file may be as large as a property list the system reads.
    router.add(
        "POST", "/api/presets/file",
        [](const RequestPtr& request, Reply reply) {
            replyFromMainQueue(std::move(reply), [request] {
                return importPreset(request->param("name").value_or(""), request->body);
            });
        },
        imagetheme::kMaxImageBytes);
}

} // namespace web
