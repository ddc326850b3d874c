#include "web/Router.hpp"

#include "web/JsonAnswer.hpp"

namespace web {

void Router::add(std::string method, std::string path, Handler handler, std::size_t maxBody)
{
    m_routes.push_back({ std::move(method), std::move(path), std::move(handler), maxBody });
}

const Router::Route* Router::find(std::string_view method, std::string_view path) const
{
    for (const Route& route : m_routes) {
        if (route.path == path && route.method == method)
            return &route;
    }
    return nullptr;
}

std::size_t Router::maxBody(std::string_view method, std::string_view path) const
{
    const Route* route = find(method, path);
    return route ? route->maxBody : kMaxRequestBytes;
}

void Router::dispatch(const RequestPtr& request, Reply reply) const
{
    if (const Route* route = find(request->method, request->path))
        return route->handler(request, std::move(reply));
    for (const Route& route : m_routes) {
        if (route.path == request->path)
            return reply(errorAnswer(405, request->method + " is not supported here"));
    }
    if ((request->method == "GET" || request->method == "HEAD") && m_otherwise)
        return m_otherwise(request, std::move(reply));
    reply(errorAnswer(404, "not found"));
}

} // namespace web
