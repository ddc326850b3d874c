#pragma once

#include "web/Broadcast.hpp"
#include "web/MainQueue.hpp"
#include "web/Router.hpp"

#include <filesystem>
#include <functional>

namespace host {
class Session;
} // namespace host
namespace theming {
class ThemingComponent;
} // namespace theming
namespace imagetheme {
class WallpaperStore;
} // namespace imagetheme

namespace web {

class PhoneSharing;

// Work that blocks for a while (decoding an image) runs on a thread of its own, one job after
// another, so that it holds up neither the server nor the main queue.
using SlowWork = std::function<void(std::function<void()> job)>;

// What the routes work on. Each area adds its routes in a file of its own.
struct RouteContext {
    host::Session& session;
    theming::ThemingComponent& theming;
    imagetheme::WallpaperStore& wallpaper;
    std::filesystem::path deviceRoot;
    SlowWork slowWork;
    // Set once the server listens; the phone routes need it.
    PhoneSharing* sharing { nullptr };
};

// The event protocol: events, the screen, the event stream.
void addEventRoutes(Router& router, RouteContext& context);
// The Control Center preview and its actions.
void addPreviewRoutes(Router& router, RouteContext& context);
// The wallpaper behind the preview, and themes made from it.
void addWallpaperRoutes(Router& router, RouteContext& context);
// Themes made from one colour.
void addColourThemeRoutes(Router& router, RouteContext& context);
// Presets as files.
void addPresetFileRoutes(Router& router, RouteContext& context);
// What the simulated device holds.
void addDeviceRoutes(Router& router, RouteContext& context);
// Sharing the picture with a phone, and the themes as exchange strings to carry there.
void addPhoneRoutes(Router& router, RouteContext& context);
// The browser UI's files and the pictures of the device's bundle.
void addStaticRoutes(Router& router, RouteContext& context);

} // namespace web
