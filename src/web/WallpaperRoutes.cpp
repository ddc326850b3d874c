#include "imagetheme/ImagePreset.hpp"
#include "imagetheme/WallpaperStore.hpp"
#include "web/JsonAnswer.hpp"
#include "web/RecordedChange.hpp"
#include "web/Routes.hpp"

namespace web {

namespace {

// Decoding runs on the slow-work thread, one image at a time, and so does everything else that
// touches the wallpaper's files, so a reader never sees half of a new one.
void setWallpaper(RouteContext& context, const RequestPtr& request, Reply reply)
{
    context.slowWork([&context, request, reply = std::move(reply)] {
        try {
            context.wallpaper.set(request->body);
            reply(Response { 204, "", "", {} });
        } catch (const std::exception& refusal) {
            reply(errorAnswer(400, refusal.what()));
        }
    });
}

void getWallpaper(RouteContext& context, Reply reply)
{
    context.slowWork([&context, reply = std::move(reply)] {
        auto display = context.wallpaper.display();
        if (!display)
            return reply(errorAnswer(404, "no wallpaper is set"));
        Response response { 200, "image/jpeg", std::move(*display), {} };
        response.setHeader("Cache-Control", "no-store");
        reply(std::move(response));
    });
}

void removeWallpaper(RouteContext& context, Reply reply)
{
    context.slowWork([&context, reply = std::move(reply)] {
        context.wallpaper.remove();
        reply(Response { 204, "", "", {} });
    });
}

// A new preset from the wallpaper's colours, written on the main queue, where the presets page
// reads the folder.
void themeFromWallpaper(RouteContext& context, const RequestPtr& request, Reply reply)
{
    context.slowWork([&context, request, reply = std::move(reply)]() mutable {
        auto input = context.wallpaper.quantiserInput();
        if (!input)
            return reply(errorAnswer(404, "no wallpaper is set"));
        replyFromMainQueue(std::move(reply), [input = std::move(*input), request] {
            std::string name = request->param("name").value_or("Wallpaper");
            try {
                std::string preset;
                recordAndAnnounce([&] { preset = imagetheme::createPresetFromInput(input, name); },
                    [&] { return "Theme from Wallpaper \u201c" + preset + "\u201d"; });
                return fieldAnswer(200, "name", preset);
            } catch (const std::exception& error) {
                return errorAnswer(400, error.what());
            }
        });
    });
}

} // namespace

void addWallpaperRoutes(Router& router, RouteContext& context)
{
    router.add(
        "POST", "/api/wallpaper",
        [&context](const RequestPtr& request, Reply reply) {
            setWallpaper(context, request, std::move(reply));
        },
        imagetheme::kMaxImageBytes);
    router.add("GET", "/api/wallpaper",
        [&context](const RequestPtr&, Reply reply) { getWallpaper(context, std::move(reply)); });
    router.add("DELETE", "/api/wallpaper",
        [&context](const RequestPtr&, Reply reply) { removeWallpaper(context, std::move(reply)); });
    router.add("POST", "/api/wallpaper/theme", [&context](const RequestPtr& request, Reply reply) {
        themeFromWallpaper(context, request, std::move(reply));
    });
}

} // namespace web
