#include "web/WebServer.hpp"

#include "host/EventLoop.hpp"
#include "host/Session.hpp"
#include "imagetheme/WallpaperStore.hpp"
#include "theming/ThemingComponent.hpp"
#include "web/Access.hpp"
#include "web/HttpServer.hpp"
#include "web/PhoneSharing.hpp"
#include "web/PreviewJson.hpp"
#include "web/Routes.hpp"
#include "web/SlowWorker.hpp"
#include "web/UserState.hpp"

#include <csignal>
#include <iostream>
#include <sys/signalfd.h>
#include <unistd.h>

namespace web {

namespace {

int blockTerminationSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
}

void addRoutes(Router& router, RouteContext& context)
{
    addEventRoutes(router, context);
    addPreviewRoutes(router, context);
    addWallpaperRoutes(router, context);
    addColourThemeRoutes(router, context);
    addPresetFileRoutes(router, context);
    addDeviceRoutes(router, context);
    addPhoneRoutes(router, context);
    addStaticRoutes(router, context);
}

} // namespace

int runServer(const std::filesystem::path& deviceRoot, int port, bool shareWithPhone)
{
    std::string secret = loadOrCreateAccessToken(userStateDir());
    // Before any thread starts, so every thread inherits the mask.
    int signals = blockTerminationSignals();
    host::EventLoop loop;
    host::Session session(deviceRoot);
    theming::ThemingComponent theming;
    Broadcast broadcast;
    bool previewChanged = true;
    // The picker's colour goes out at once, before the event's answer and the preview are made:
    // a picture elsewhere can follow a drag from it alone.
    theming.onChange = [&] {
        previewChanged = true;
        broadcast.publish(Broadcast::Pick, pickJson(theming), theming.pending().has_value());
    };
    theming.start();

    SlowWorker slowWorker;
    imagetheme::WallpaperStore wallpaper(deviceRoot);
    RouteContext context { session, theming, wallpaper, deviceRoot,
        [&slowWorker](std::function<void()> job) { slowWorker.run(std::move(job)); } };
    Router router;
    addRoutes(router, context);

    std::optional<Access> access;
    HttpServer server(router, broadcast, [&access](Request& head) { return access->judge(head); });
    auto bound = server.listenOnLoopback(port);
    if (!bound) {
        std::cerr << "quillane: cannot listen on 127.0.0.1" << (port ? " at that port" : "")
                  << "\n";
        return 1;
    }
    access.emplace(secret, *bound);
    PhoneSharing sharing(server, *access, *bound);
    context.sharing = &sharing;
    if (shareWithPhone)
        sharing.start();
    server.start();

    auto address = access->address();
    std::cout << "Quillane settings: " << access->announcedAddress() << "\n";
    if (shareWithPhone && sharing.state().on)
        std::cout << "Quillane on your phone: " << sharing.state().address << "\n";
    if (shareWithPhone && !sharing.state().on)
        std::cerr << "quillane: cannot share with a phone: " << sharing.state().problem << "\n";
    std::cout << std::flush;
    recordServerAddress(address);
    broadcast.publish(Broadcast::Screen, session.screen());
    loop.watch(signals, [&] { loop.stop(); });
    loop.afterEachTurn([&](bool didWork) {
        if (didWork)
            broadcast.publish(Broadcast::Screen, session.screen());
        theming.checkForRestart();
        if (!previewChanged)
            return;
        // A drag's preview is made once, when it rests; not for every pick of it.
        if (auto heldUntil = broadcast.previewHeldUntil()) {
            loop.wakeBy(*heldUntil);
            return;
        }
        broadcast.publish(Broadcast::Preview, previewJson(theming.palette()));
        previewChanged = false;
    });
    loop.run();

    forgetServerAddress(address);
    server.stop();
    slowWorker.stop();
    close(signals);
    return 0;
}

} // namespace web
