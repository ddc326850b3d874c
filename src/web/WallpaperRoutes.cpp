#include "imagetheme/ImagePreset.hpp"
#include "imagetheme/Quantiser.hpp"
#include "imagetheme/WallpaperStore.hpp"
#include "theming/ThemingComponent.hpp"
#include "web/JsonAnswer.hpp"
#include "web/RecordedChange.hpp"
#include "web/Routes.hpp"

namespace web {

namespace {

// The stored wallpaper's mean colour, what the preview measures the parts over it against.
std::optional<theming::Rgba> wallpaperMean(const imagetheme::WallpaperStore& wallpaper)
{
    auto input = wallpaper.quantiserInput();
    auto mean = input ? imagetheme::meanColour(*input) : std::nullopt;
    if (!mean)
        return std::nullopt;
    return imagetheme::toRgba(*mean);
}

// The preview's palette carries the wallpaper's revision, so every window draws the wallpaper
// as it is; told on the main queue, where the theming component lives, before the answer.
void answerWallpaperChanged(RouteContext& context, Reply reply, std::optional<theming::Rgba> mean)
{
    replyFromMainQueue(std::move(reply), [&context, mean] {
        context.theming.setWallpaper(mean);
        return Response { 204, "", "", {} };
    });
}

// Decoding runs on the slow-work thread, one image at a time, and so does everything else that
// touches the wallpaper's files, so a reader never sees half of a new one.
void setWallpaper(RouteContext& context, const RequestPtr& request, Reply reply)
{
    context.slowWork([&context, request, reply = std::move(reply)]() mutable {
        try {
            context.wallpaper.set(request->body);
        } catch (const std::exception& refusal) {
            return reply(errorAnswer(400, refusal.what()));
        }
        answerWallpaperChanged(context, std::move(reply), wallpaperMean(context.wallpaper));
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
    context.slowWork([&context, reply = std::move(reply)]() mutable {
        context.wallpaper.remove();
        answerWallpaperChanged(context, std::move(reply), std::nullopt);
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
    // A wallpaper set in an earlier run is drawn from the first picture on.
    context.theming.setWallpaper(
        context.wallpaper.display() ? wallpaperMean(context.wallpaper) : std::nullopt);
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
