// The web front end. httplib is heavy, so it lives in this one translation unit.
#include "host/WebServer.hpp"

#include "device/DeviceProfile.hpp"
#include "device/DeviceSetup.hpp"
#include "foundation/Dispatch.hpp"
#include "foundation/Notifications.hpp"
#include "host/DeviceJson.hpp"
#include "host/EventLoop.hpp"
#include "host/History.hpp"
#include "host/PresetFiles.hpp"
#include "host/PreviewJson.hpp"
#include "host/Session.hpp"
#include "host/StaticFiles.hpp"
#include "host/UserState.hpp"
#include "host/imagetheme/ImagePreset.hpp"
#include "host/imagetheme/WallpaperStore.hpp"
#include "theming/ThemingComponent.hpp"
#include "theming/ThemingPaths.hpp"

#include <cctype>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <httplib.h>
#include <iostream>
#include <mutex>
#include <sys/signalfd.h>
#include <thread>
#include <unistd.h>

namespace host {

namespace {

constexpr std::size_t kMaxEventBytes = 64 * 1024;
constexpr auto kMainQueueTimeout = std::chrono::seconds(30);

// Messages pushed to event-stream clients: the screen, and the Control Center preview as a
// named event. Each client waits for a newer version of either.
class Broadcast {
public:
    enum Channel { Screen = 0, Preview = 1 };

    void publish(Channel channel, std::string payload)
    {
        std::lock_guard lock(m_mutex);
        auto& slot = m_slots[channel];
        if (payload == slot.payload)
            return;
        slot.payload = std::move(payload);
        ++slot.version;
        m_changed.notify_all();
    }
    // The next chunk for a client that has seen `seen`: a newer message, or a keep-alive
    // comment after a quiet second; empty on shutdown. A client that went away is noticed only
    // when a write fails, and until then it holds one of the server's threads: with a longer
    // quiet time, a few closed tabs could take every thread for a while.
    std::string next(std::uint64_t (&seen)[2])
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(1), [&] {
            return m_closed || m_slots[0].version != seen[0] || m_slots[1].version != seen[1];
        });
        if (m_closed)
            return {};
        for (int channel : { Screen, Preview }) {
            auto& slot = m_slots[channel];
            if (slot.version == seen[channel])
                continue;
            seen[channel] = slot.version;
            return (channel == Preview ? "event: preview\n" : "") + std::string("data: ")
                + slot.payload + "\n\n";
        }
        return ": keep-alive\n\n";
    }
    void close()
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_changed.notify_all();
    }

private:
    struct Slot {
        std::string payload;
        std::uint64_t version { 0 };
    };
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Slot m_slots[2];
    bool m_closed { false };
};

// Runs work on the main queue and waits for its answer. One request at a time.
class MainQueueGate {
public:
    std::optional<std::string> run(const std::function<std::string()>& work)
    {
        std::lock_guard one(m_oneAtATime);
        auto answer = std::make_shared<std::promise<std::string>>();
        auto future = answer->get_future();
        fw::DispatchMainQueue::async([answer, work] { answer->set_value(work()); });
        if (future.wait_for(kMainQueueTimeout) != std::future_status::ready)
            return std::nullopt;
        return future.get();
    }

private:
    std::mutex m_oneAtATime;
};

struct Origins {
    std::string host; // "127.0.0.1:PORT"
    std::string localhost; // "localhost:PORT"

    bool hostAllowed(const std::string& value) const { return value == host || value == localhost; }
    bool originAllowed(const std::string& value) const
    {
        return value == "http://" + host || value == "http://" + localhost;
    }
};

void answerError(httplib::Response& response, int status, const std::string& message)
{
    response.status = status;
    response.set_content("{\"error\":\"" + message + "\"}", "application/json");
}

// A web page elsewhere must not reach the settings: neither through another name for this
// address (DNS rebinding) nor by posting across origins.
bool refuseForeign(
    const Origins& origins, const httplib::Request& request, httplib::Response& response)
{
    if (!origins.hostAllowed(request.get_header_value("Host"))) {
        answerError(response, 421, "requests must name this server as 127.0.0.1 or localhost");
        return true;
    }
    if (request.method == "GET" || request.method == "HEAD")
        return false;
    auto origin = request.get_header_value("Origin");
    auto site = request.get_header_value("Sec-Fetch-Site");
    if ((request.has_header("Origin") && !origins.originAllowed(origin)) || site == "cross-site"
        || site == "same-site") {
        answerError(response, 403, "requests from other origins may not change the settings");
        return true;
    }
    return false;
}

// Only the user who started the server gets in: every request carries the secret, as a
// cookie that the address with `?token=` sets, or as a bearer token.
struct Access {
    std::string secret;
    std::string cookieName; // per port: browsers share cookies across the ports of a host
};

std::optional<std::string> cookieValue(const std::string& header, const std::string& name)
{
    for (std::size_t start = 0; start < header.size();) {
        auto end = header.find(';', start);
        if (end == std::string::npos)
            end = header.size();
        auto pair = header.substr(start, end - start);
        pair.erase(0, pair.find_first_not_of(' '));
        if (pair.rfind(name + "=", 0) == 0)
            return pair.substr(name.size() + 1);
        start = end + 1;
    }
    return std::nullopt;
}

void answerUnauthorized(const httplib::Request& request, httplib::Response& response)
{
    response.status = 401;
    response.set_header("WWW-Authenticate", "Bearer realm=\"quillane\"");
    if (request.path.rfind("/api/", 0) == 0) {
        answerError(
            response, 401, "this server needs its secret: open the address quillane serve printed");
        return;
    }
    response.set_content("<!doctype html><meta charset=\"utf-8\"><title>Quillane settings</title>"
                         "<h1>Quillane settings</h1><p>This server lets in only the user who "
                         "started it. Open the address that <code>quillane serve</code> printed, "
                         "or run <code>quillane open</code> (<code>quillane open --print</code> "
                         "prints the address).</p>\n",
        "text/html; charset=utf-8");
}

bool refuseStranger(
    const Access& access, const httplib::Request& request, httplib::Response& response)
{
    if (request.has_param("token")) {
        if (!accessTokenMatches(request.get_param_value("token"), access.secret)) {
            answerUnauthorized(request, response);
            return true;
        }
        // The secret leaves the address bar and the history at once.
        response.set_header("Set-Cookie",
            access.cookieName + "=" + access.secret + "; HttpOnly; SameSite=Strict; Path=/");
        response.set_redirect(request.path, 303);
        return true;
    }
    auto authorization = request.get_header_value("Authorization");
    if (authorization.rfind("Bearer ", 0) == 0
        && accessTokenMatches(authorization.substr(7), access.secret))
        return false;
    auto cookie = cookieValue(request.get_header_value("Cookie"), access.cookieName);
    if (cookie && accessTokenMatches(*cookie, access.secret))
        return false;
    answerUnauthorized(request, response);
    return true;
}

void serveStatic(const httplib::Request& request, httplib::Response& response,
    const std::filesystem::path& webRoot, const std::filesystem::path& deviceRoot)
{
    auto file = request.path.rfind("/device/", 0) == 0
        ? deviceFile(deviceRoot, request.path.substr(7))
        : staticFile(webRoot, request.path == "/" ? "/index.html" : request.path);
    if (!file) {
        answerError(response, 404, "not found");
        return;
    }
    response.set_header("Cache-Control", "no-cache");
    response.set_header("ETag", file->etag);
    response.set_header("X-Content-Type-Options", "nosniff");
    if (request.get_header_value("If-None-Match") == file->etag) {
        response.status = 304;
        return;
    }
    response.set_content(file->bytes, file->contentType.c_str());
}

std::string jsonText(std::string_view text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
            continue;
        }
        quoted += c;
    }
    return quoted + "\"";
}

// The wallpaper behind the preview, and a new preset made from it. Decoding runs on the
// server's thread, one upload at a time; the preset is written on the main queue, where the
// presets page reads the folder.
void addWallpaperRoutes(httplib::Server& server, imagetheme::WallpaperStore& wallpaper,
    std::mutex& wallpaperMutex, MainQueueGate& gate)
{
    server.Post(
        "/api/wallpaper", [&](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard one(wallpaperMutex);
            try {
                wallpaper.set(request.body);
                response.status = 204;
            } catch (const std::exception& refusal) {
                response.status = 400;
                response.set_content(
                    "{\"error\":" + jsonText(refusal.what()) + "}", "application/json");
            }
        });
    server.Get("/api/wallpaper", [&](const httplib::Request&, httplib::Response& response) {
        std::lock_guard one(wallpaperMutex);
        auto display = wallpaper.display();
        if (!display)
            return answerError(response, 404, "no wallpaper is set");
        response.set_header("Cache-Control", "no-store");
        response.set_content(*display, "image/jpeg");
    });
    server.Delete("/api/wallpaper", [&](const httplib::Request&, httplib::Response& response) {
        std::lock_guard one(wallpaperMutex);
        wallpaper.remove();
        response.status = 204;
    });
    server.Post(
        "/api/wallpaper/theme", [&](const httplib::Request& request, httplib::Response& response) {
            std::optional<imagetheme::QuantiserInput> input;
            {
                std::lock_guard one(wallpaperMutex);
                input = wallpaper.quantiserInput();
            }
            if (!input)
                return answerError(response, 404, "no wallpaper is set");
            std::string name
                = request.has_param("name") ? request.get_param_value("name") : "Wallpaper";
            bool made = false;
            auto answer = gate.run([&]() -> std::string {
                try {
                    std::string preset;
                    History::shared().record(
                        [&] { preset = imagetheme::createPresetFromInput(*input, name); },
                        [&](const ChangeSet&) {
                            return StepName { "Theme from Wallpaper \u201c" + preset + "\u201d",
                                {} };
                        });
                    made = true;
                    // As when a preset arrives from outside: the presets page lists it again.
                    fw::NSDistributedNotificationCenter::defaultCenter().postNotificationName(
                        theming::presetChangedNotification);
                    return "{\"name\":" + jsonText(preset) + "}";
                } catch (const std::exception& error) {
                    return "{\"error\":" + jsonText(error.what()) + "}";
                }
            });
            if (!answer)
                return answerError(response, 503, "the settings are busy; try again");
            response.status = made ? 200 : 400;
            response.set_content(*answer, "application/json");
        });
}

std::string percentEncoded(std::string_view text)
{
    std::string encoded;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += static_cast<char>(c);
            continue;
        }
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", c);
        encoded += escaped;
    }
    return encoded;
}

// Presets as files: the file of a preset as it is, and a property list from a file as a new
// preset. Both touch the presets folder, so they run on the main queue.
void addPresetFileRoutes(httplib::Server& server, MainQueueGate& gate)
{
    server.Get("/api/presets", [&](const httplib::Request&, httplib::Response& response) {
        auto answer = gate.run([] {
            std::string list = "[";
            for (const std::string& name : presetNames()) {
                if (list.size() > 1)
                    list += ',';
                list += jsonText(name);
            }
            return list + "]";
        });
        if (!answer)
            return answerError(response, 503, "the settings are busy; try again");
        response.set_content(*answer, "application/json");
    });
    server.Get(
        "/api/presets/file", [&](const httplib::Request& request, httplib::Response& response) {
            std::string name = request.get_param_value("name");
            int status = 200;
            auto answer = gate.run([&]() -> std::string {
                try {
                    if (auto bytes = exportPresetFile(name))
                        return *bytes;
                    status = 404;
                    return "{\"error\":" + jsonText("there is no preset named \"" + name + "\"")
                        + "}";
                } catch (const std::exception& error) {
                    status = 400;
                    return "{\"error\":" + jsonText(error.what()) + "}";
                }
            });
            if (!answer)
                return answerError(response, 503, "the settings are busy; try again");
            response.status = status;
            if (status != 200)
                return response.set_content(*answer, "application/json");
            // The name travels percent-encoded, so no header can be forged through it.
            response.set_header("Content-Disposition",
                "attachment; filename*=UTF-8''" + percentEncoded(name + ".plist"));
            response.set_content(*answer, "application/x-plist");
        });
    server.Post(
        "/api/presets/file", [&](const httplib::Request& request, httplib::Response& response) {
            std::string name = request.get_param_value("name");
            bool stored = false;
            auto answer = gate.run([&]() -> std::string {
                try {
                    History::shared().record([&] { importPresetFile(name, request.body); },
                        [&](const ChangeSet&) {
                            return StepName { "Import \u201c" + name + "\u201d", {} };
                        });
                    stored = true;
                    // As when a preset arrives from outside: the presets page lists it again.
                    fw::NSDistributedNotificationCenter::defaultCenter().postNotificationName(
                        theming::presetChangedNotification);
                    return "{\"name\":" + jsonText(name) + "}";
                } catch (const std::exception& error) {
                    return "{\"error\":" + jsonText(error.what()) + "}";
                }
            });
            if (!answer)
                return answerError(response, 503, "the settings are busy; try again");
            response.status = stored ? 200 : 400;
            response.set_content(*answer, "application/json");
        });
}

// The Control Center preview: what the theming component makes of the device's files.
void addPreviewRoutes(
    httplib::Server& server, theming::ThemingComponent& theming, MainQueueGate& gate)
{
    server.Get("/api/preview", [&](const httplib::Request& request, httplib::Response& response) {
        // ?preset=NAME: that preset as it would look once loaded, nothing loaded.
        bool trial = request.has_param("preset");
        int status = 200;
        auto preview = gate.run([&] {
            if (!trial)
                return previewJson(theming.palette());
            auto answer = presetPreview(theming, request.get_param_value("preset"));
            status = answer.status;
            return answer.json;
        });
        if (!preview)
            return answerError(response, 503, "the settings are busy; try again");
        response.status = status;
        response.set_content(*preview, "application/json");
    });
    server.Post("/api/preview", [&](const httplib::Request& request, httplib::Response& response) {
        std::string error;
        auto preview = gate.run([&] {
            error = applyPreviewAction(theming, request.body);
            // An applied preset announces itself through the update notification: let the
            // component re-read the files before answering.
            fw::DispatchMainQueue::drain();
            return previewJson(theming.palette());
        });
        if (!preview)
            return answerError(response, 503, "the settings are busy; try again");
        if (!error.empty())
            return answerError(response, 400, error);
        response.set_content(*preview, "application/json");
    });
}

// What the simulated device holds: its version, tweaks and modules. A change is no step of the
// settings' history; the open pages and the preview follow it.
void addDeviceRoutes(httplib::Server& server, Session& session, theming::ThemingComponent& theming,
    MainQueueGate& gate, const std::filesystem::path& root)
{
    server.Get("/api/device", [&](const httplib::Request&, httplib::Response& response) {
        auto answer = gate.run([&] { return deviceJson(device::readProfile(root)); });
        if (!answer)
            return answerError(response, 503, "the settings are busy; try again");
        response.set_content(*answer, "application/json");
    });
    server.Put("/api/device", [&](const httplib::Request& request, httplib::Response& response) {
        int status = 200;
        auto answer = gate.run([&]() -> std::string {
            try {
                if (auto title = session.presentedTitle()) {
                    status = 409;
                    return "{\"error\":" + jsonText("close '" + *title + "' first") + "}";
                }
                device::applyProfile(root, parseDeviceJson(request.body));
            } catch (const device::ProfileError& refusal) {
                status = 400;
                return "{\"error\":" + jsonText(refusal.what()) + "}";
            } catch (const std::exception& failure) {
                // Some files may have changed before the failure: show them as they are.
                status = 500;
                session.reloadAfterDeviceChange();
                theming.deviceChanged();
                return "{\"error\":" + jsonText(failure.what()) + "}";
            }
            session.reloadAfterDeviceChange();
            theming.deviceChanged();
            return deviceJson(device::readProfile(root));
        });
        if (!answer)
            return answerError(response, 503, "the settings are busy; try again");
        response.status = status;
        response.set_content(*answer, "application/json");
    });
}

void addRoutes(httplib::Server& server, Session& session, theming::ThemingComponent& theming,
    MainQueueGate& gate, Broadcast& broadcast, const Origins& origins, const Access& access,
    const std::filesystem::path& deviceRoot)
{
    server.set_pre_routing_handler([&origins, &access](const auto& request, auto& response) {
        if (refuseForeign(origins, request, response) || refuseStranger(access, request, response))
            return httplib::Server::HandlerResponse::Handled;
        // Only a wallpaper may be larger than an event; told before the body is read.
        if (request.path != "/api/wallpaper" && request.path != "/api/presets/file"
            && std::strtoull(request.get_header_value("Content-Length").c_str(), nullptr, 10)
                > kMaxEventBytes) {
            answerError(response, 413, "the request body is too large");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.Post("/api/event", [&](const httplib::Request& request, httplib::Response& response) {
        EventAnswer answer;
        auto screen = gate.run([&] {
            answer = session.handle(request.body);
            showPendingPick(session, theming);
            return answer.screen;
        });
        if (!screen)
            return answerError(response, 503, "the settings are busy; try again");
        response.status = answer.applied ? 200 : 400;
        response.set_content(*screen, "application/json");
    });
    server.Get("/api/screen", [&](const httplib::Request&, httplib::Response& response) {
        auto screen = gate.run([&] { return session.screen(); });
        if (!screen)
            return answerError(response, 503, "the settings are busy; try again");
        response.set_content(*screen, "application/json");
    });
    server.Get("/api/stream", [&](const httplib::Request&, httplib::Response& response) {
        response.set_header("Cache-Control", "no-cache");
        response.set_chunked_content_provider(
            "text/event-stream", [&broadcast](std::size_t, httplib::DataSink& sink) {
                std::uint64_t seen[2] = { 0, 0 };
                for (auto chunk = broadcast.next(seen); !chunk.empty();
                     chunk = broadcast.next(seen)) {
                    if (!sink.write(chunk.data(), chunk.size()))
                        return false;
                }
                sink.done();
                return true;
            });
    });
    auto webRoot = device::dataDir() / "web";
    server.Get(R"(/.*)",
        [webRoot, deviceRoot](const httplib::Request& request, httplib::Response& response) {
            serveStatic(request, response, webRoot, deviceRoot);
        });
    server.set_payload_max_length(imagetheme::kMaxImageBytes);
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.status == 413)
            answerError(response, 413, "the request body is too large");
        else if (response.body.empty())
            answerError(response, response.status, "the request could not be handled");
    });
}

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

} // namespace

int runServer(const std::filesystem::path& deviceRoot, int port)
{
    Access access { loadOrCreateAccessToken(userStateDir()), {} };
    // Before any thread starts, so every thread inherits the mask.
    int signals = blockTerminationSignals();
    EventLoop loop;
    Session session(deviceRoot);
    MainQueueGate gate;
    Broadcast broadcast;
    theming::ThemingComponent theming;
    bool previewChanged = true;
    theming.onChange = [&] { previewChanged = true; };
    theming.start();
    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(16); };
    // Idle browser connections must not hold up the end of the program.
    server.set_keep_alive_timeout(1);
    // Answers go out as headers and body in two writes; without this the body waits for the
    // client's delayed acknowledgement, some 40 ms on every event.
    server.set_tcp_nodelay(true);

    if (port == 0)
        port = server.bind_to_any_port("127.0.0.1");
    else if (!server.bind_to_port("127.0.0.1", port))
        port = -1;
    if (port <= 0) {
        std::cerr << "quillane: cannot listen on 127.0.0.1" << (port == -1 ? " at that port" : "")
                  << "\n";
        return 1;
    }
    Origins origins { "127.0.0.1:" + std::to_string(port), "localhost:" + std::to_string(port) };
    // Before the catch-all of the static files.
    addPreviewRoutes(server, theming, gate);
    imagetheme::WallpaperStore wallpaper(deviceRoot);
    std::mutex wallpaperMutex;
    addWallpaperRoutes(server, wallpaper, wallpaperMutex, gate);
    addPresetFileRoutes(server, gate);
    addDeviceRoutes(server, session, theming, gate, deviceRoot);
    access.cookieName = "quillane-" + std::to_string(port);
    addRoutes(server, session, theming, gate, broadcast, origins, access, deviceRoot);
    std::thread listener([&] { server.listen_after_bind(); });

    auto address = "http://127.0.0.1:" + std::to_string(port) + "/?token=" + access.secret;
    std::cout << "Quillane settings: " << address << "\n" << std::flush;
    recordServerAddress(address);
    broadcast.publish(Broadcast::Screen, session.screen());
    loop.watch(signals, [&] { loop.stop(); });
    loop.afterEachTurn([&](bool didWork) {
        if (didWork)
            broadcast.publish(Broadcast::Screen, session.screen());
        theming.checkForRestart();
        if (previewChanged)
            broadcast.publish(Broadcast::Preview, previewJson(theming.palette()));
        previewChanged = false;
    });
    loop.run();

    forgetServerAddress(address);
    broadcast.close();
    server.stop();
    listener.join();
    close(signals);
    return 0;
}

} // namespace host
