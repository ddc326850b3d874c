#pragma once

#include "web/Broadcast.hpp"
#include "web/Http.hpp"
#include "web/Router.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace web {

// The HTTP side of `quillane serve`: one thread that owns every connection, asynchronously, so a
// connection that sends nothing or reads slowly costs its socket and a few hundred bytes, never
// a thread. What a connection may cost before its request is judged is bounded (see the limits
// in HttpServer.cpp): the head's size, its fields and the time it may take to arrive, and the
// body by the route's own limit, whatever its framing. Boost.Beast lives in HttpServer.cpp
// alone.
class HttpServer {
public:
    // Judges a request on its head, before its body is read: nullopt lets it through, otherwise
    // the answer that turns it away. It may mark the request (a viewer).
    using Gate = std::function<std::optional<Response>(Request& head)>;

    HttpServer(const Router& router, Broadcast& broadcast, Gate gate);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Listens on 127.0.0.1 at `port` (0: a free one) and answers the port, or nullopt when
    // nothing can listen there.
    std::optional<int> listenOnLoopback(int port);
    // Also listens on an address of the local network (for a phone), at `port` if it is free
    // there, else at any port; answers the port, or nullopt. Before start(), or on the server's
    // own thread (from a route).
    std::optional<int> listenShared(const std::string& address, int port);
    // Stops listening on the local network and closes every connection that came from there.
    // On the server's own thread, or before start().
    void stopSharing();
    // Serves on a thread of its own until stop().
    void start();
    // Stops listening, closes every connection, ends the thread.
    void stop();

    struct Impl;

private:
    // Shared with the answers still on their way, so that one arriving late finds it or nothing.
    std::shared_ptr<Impl> m;
};

} // namespace web
