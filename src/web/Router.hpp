#pragma once

#include "web/Http.hpp"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace web {

// An event, a device or a preview action is small; only images and preset files are larger.
inline constexpr std::size_t kMaxRequestBytes = 64 * 1024;

// The server's routes by method and exact path, each with the largest body it takes, which the
// server knows before it reads any.
class Router {
public:
    using Handler = std::function<void(const RequestPtr& request, Reply reply)>;

    void add(std::string method, std::string path, Handler handler,
        std::size_t maxBody = kMaxRequestBytes);
    // Any other GET (the browser UI's files).
    void otherwise(Handler handler) { m_otherwise = std::move(handler); }

    // The largest body a request for this method and path may carry.
    std::size_t maxBody(std::string_view method, std::string_view path) const;
    // Hands the request to its route: 404 for an unknown path, 405 for a known path with
    // another method.
    void dispatch(const RequestPtr& request, Reply reply) const;

private:
    struct Route {
        std::string method;
        std::string path;
        Handler handler;
        std::size_t maxBody;
    };
    const Route* find(std::string_view method, std::string_view path) const;

    std::vector<Route> m_routes;
    Handler m_otherwise;
};

} // namespace web
