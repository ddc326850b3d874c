#include "web/Access.hpp"

#include "web/JsonAnswer.hpp"
#include "web/UserState.hpp"

namespace web {

namespace {

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

Response unauthorized(const Request& request)
{
    Response response;
    if (request.path.rfind("/api/", 0) == 0) {
        response = errorAnswer(
            401, "this server needs its secret: open the address quillane serve printed");
    } else {
        response = Response { 401, "text/html; charset=utf-8",
            "<!doctype html><meta charset=\"utf-8\"><title>Quillane settings</title>"
            "<h1>Quillane settings</h1><p>This server lets in only the user who started it. "
            "Open the address that <code>quillane serve</code> printed, or run "
            "<code>quillane open</code> (<code>quillane open --print</code> prints the "
            "address).</p>\n",
            {} };
    }
    response.setHeader("WWW-Authenticate", "Bearer realm=\"quillane\"");
    return response;
}

} // namespace

Access::Access(std::string secret, int port)
    : m_secret(std::move(secret))
    , m_host("127.0.0.1:" + std::to_string(port))
    , m_localhost("localhost:" + std::to_string(port))
    , m_cookieName("quillane-" + std::to_string(port))
{
}

std::string Access::address() const
{
    return "http://" + m_host + "/?token=" + m_secret;
}

bool Access::hostAllowed(const std::string& host) const
{
    return host == m_host || host == m_localhost;
}

bool Access::originAllowed(const std::string& origin) const
{
    return origin == "http://" + m_host || origin == "http://" + m_localhost;
}

std::optional<Response> Access::judge(const Request& request) const
{
    if (auto refusal = refuseForeign(request))
        return refusal;
    return refuseStranger(request);
}

std::optional<Response> Access::refuseForeign(const Request& request) const
{
    if (!hostAllowed(request.header("host")))
        return errorAnswer(421, "requests must name this server as 127.0.0.1 or localhost");
    if (request.method == "GET" || request.method == "HEAD")
        return std::nullopt;
    auto site = request.header("sec-fetch-site");
    if ((request.hasHeader("origin") && !originAllowed(request.header("origin")))
        || site == "cross-site" || site == "same-site")
        return errorAnswer(403, "requests from other origins may not change the settings");
    return std::nullopt;
}

std::optional<Response> Access::refuseStranger(const Request& request) const
{
    if (auto token = request.param("token")) {
        if (!accessTokenMatches(*token, m_secret))
            return unauthorized(request);
        // The secret leaves the address bar and the history at once.
        Response redirect { 303, "", "", {} };
        redirect.setHeader(
            "Set-Cookie", m_cookieName + "=" + m_secret + "; HttpOnly; SameSite=Strict; Path=/");
        redirect.setHeader("Location", percentEncoded(request.path, "/"));
        return redirect;
    }
    auto authorization = request.header("authorization");
    if (authorization.rfind("Bearer ", 0) == 0
        && accessTokenMatches(authorization.substr(7), m_secret))
        return std::nullopt;
    auto cookie = cookieValue(request.header("cookie"), m_cookieName);
    if (cookie && accessTokenMatches(*cookie, m_secret))
        return std::nullopt;
    return unauthorized(request);
}

} // namespace web
