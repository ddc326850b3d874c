#include "web/Access.hpp"

#include "web/JsonAnswer.hpp"
#include "web/UserState.hpp"

#include <algorithm>

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
        response = errorAnswer(401,
            request.loopback
                ? "this server needs its secret: open the address quillane serve printed"
                : "this address is not shared: scan the code Show on Phone shows");
    } else if (request.loopback) {
        response = Response { 401, "text/html; charset=utf-8",
            "<!doctype html><meta charset=\"utf-8\"><title>Quillane settings</title>"
            "<h1>Quillane settings</h1><p>This server lets in only the user who started it. "
            "Open the address that <code>quillane serve</code> printed, or run "
            "<code>quillane open</code> (<code>quillane open --print</code> prints the "
            "address).</p>\n",
            {} };
    } else {
        response = Response { 401, "text/html; charset=utf-8",
            "<!doctype html><meta charset=\"utf-8\"><meta name=\"viewport\" "
            "content=\"width=device-width\"><title>Quillane</title><h1>Not shared</h1><p>This "
            "address shows a theme only while Show on Phone is on. Scan the code it shows "
            "again.</p>\n",
            {} };
    }
    response.setHeader("WWW-Authenticate", "Bearer realm=\"quillane\"");
    return response;
}

// The secret leaves the address bar and the history at once.
Response tradeForCookie(const std::string& cookie, const std::string& secret, std::string path)
{
    Response redirect { 303, "", "", {} };
    redirect.setHeader("Set-Cookie", cookie + "=" + secret + "; HttpOnly; SameSite=Strict; Path=/");
    redirect.setHeader("Location", percentEncoded(path, "/"));
    return redirect;
}

// A browser's code may still arrive after a page was reloaded; a client with the secret that
// asks for codes without end must not grow the server.
constexpr std::size_t kMaxLiveCodes = 64;
constexpr std::size_t kCodeBytes = 16;

Response codeRefused()
{
    Response response { 401, "text/html; charset=utf-8",
        "<!doctype html><meta charset=\"utf-8\"><title>Quillane settings</title>"
        "<h1>Quillane settings</h1><p>This address has been used already or is more than a "
        "minute old. Run <code>quillane open</code> to open the settings again.</p>\n",
        {} };
    response.setHeader("WWW-Authenticate", "Bearer realm=\"quillane\"");
    return response;
}

} // namespace

Access::Access(std::string secret, int port)
    : m_secret(std::move(secret))
    , m_host("127.0.0.1:" + std::to_string(port))
    , m_localhost("localhost:" + std::to_string(port))
    , m_cookieName("quillane-" + std::to_string(port))
    , m_viewCookieName("quillane-view-" + std::to_string(port))
{
}

std::string Access::address() const
{
    return "http://" + m_host + "/?token=" + m_secret;
}

std::string Access::oneTimeAddress() const
{
    auto now = std::chrono::steady_clock::now();
    auto code = randomHex(kCodeBytes);
    std::lock_guard lock(m_codesMutex);
    std::erase_if(m_codes, [&](const auto& entry) { return entry.second <= now; });
    if (m_codes.size() >= kMaxLiveCodes)
        m_codes.erase(std::min_element(m_codes.begin(), m_codes.end(),
            [](const auto& a, const auto& b) { return a.second < b.second; }));
    m_codes.emplace(code, now + kCodeLifetime);
    return "http://" + m_host + "/?code=" + code;
}

std::string Access::announcedAddress() const
{
    if (standardOutputIsJournal())
        return "http://" + m_host + "/ (run quillane open to let a browser in)";
    return address();
}

bool Access::takeCode(const std::string& code) const
{
    auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(m_codesMutex);
    for (auto it = m_codes.begin(); it != m_codes.end(); ++it) {
        if (!accessTokenMatches(code, it->first))
            continue;
        bool live = it->second > now;
        m_codes.erase(it);
        return live;
    }
    return false;
}

// The cookie, and a page that goes on to the clean address. Not a redirect: a browser opened on
// a local file arrives from another site, and a redirect in that same navigation would leave
// the strict cookie behind; the page's own navigation takes it along.
Response Access::letIn(const Request& request) const
{
    auto clean = percentEncoded(request.path, "/");
    Response response { 200, "text/html; charset=utf-8",
        "<!doctype html><meta charset=\"utf-8\"><meta http-equiv=\"refresh\" content=\"0;url="
            + clean + "\"><title>Quillane settings</title><p><a href=\"" + clean
            + "\">Open the settings</a></p>\n",
        {} };
    response.setHeader(
        "Set-Cookie", m_cookieName + "=" + m_secret + "; HttpOnly; SameSite=Strict; Path=/");
    response.setHeader("Cache-Control", "no-store");
    response.setHeader("Referrer-Policy", "no-referrer");
    return response;
}

void Access::setViewSecret(std::optional<std::string> secret)
{
    m_viewSecret = std::move(secret);
}

bool Access::viewerMayAsk(const Request& request)
{
    if (request.method != "GET" && request.method != "HEAD")
        return false;
    const std::string& path = request.path;
    if (path == "/api/preview")
        return !request.param("preset");
    if (path == "/api/stream" || path == "/api/presets" || path == "/api/exchange")
        return true;
    // The browser UI's own files are no secret; the device's files and the rest of the API are.
    return path.rfind("/api/", 0) != 0 && path.rfind("/device/", 0) != 0;
}

bool Access::originAllowed(const std::string& origin) const
{
    return origin == "http://" + m_host || origin == "http://" + m_localhost;
}

std::optional<Response> Access::judge(Request& request) const
{
    if (auto refusal = refuseForeign(request))
        return refusal;
    return refuseStranger(request);
}

std::optional<Response> Access::refuseForeign(const Request& request) const
{
    auto host = request.header("host");
    // On the local network the request names the address it came to; nothing else is us.
    bool named = request.loopback ? host == m_host || host == m_localhost : host == request.local;
    if (!named)
        return errorAnswer(421,
            request.loopback ? "requests must name this server as 127.0.0.1 or localhost"
                             : "requests must name this server by the address they came to");
    if (request.method == "GET" || request.method == "HEAD")
        return std::nullopt;
    auto site = request.header("sec-fetch-site");
    if ((request.hasHeader("origin") && !originAllowed(request.header("origin")))
        || site == "cross-site" || site == "same-site")
        return errorAnswer(403, "requests from other origins may not change the settings");
    return std::nullopt;
}

std::optional<Response> Access::refuseStranger(Request& request) const
{
    // The user's secret counts on this machine only, even when it is right.
    bool userSecret = request.param("code") || request.param("token")
        || request.header("authorization").starts_with("Bearer ")
        || cookieValue(request.header("cookie"), m_cookieName);
    if (request.loopback && userSecret)
        return letInUser(request);
    return letInViewer(request);
}

std::optional<Response> Access::letInUser(const Request& request) const
{
    if (auto code = request.param("code"))
        return request.loopback && takeCode(*code) ? letIn(request) : codeRefused();
    if (auto token = request.param("token")) {
        if (!accessTokenMatches(*token, m_secret))
            return unauthorized(request);
        return tradeForCookie(m_cookieName, m_secret, request.path);
    }
    if (!presentsSecret(request))
        return unauthorized(request);
    if (request.method == "POST" && request.path == "/api/access-code")
        return fieldAnswer(200, "address", oneTimeAddress());
    return std::nullopt;
}

bool Access::presentsSecret(const Request& request) const
{
    auto authorization = request.header("authorization");
    if (authorization.rfind("Bearer ", 0) == 0
        && accessTokenMatches(authorization.substr(7), m_secret))
        return true;
    auto cookie = cookieValue(request.header("cookie"), m_cookieName);
    return cookie && accessTokenMatches(*cookie, m_secret);
}

std::optional<Response> Access::letInViewer(Request& request) const
{
    auto presented = request.param("view");
    bool fromAddress = presented.has_value();
    if (!presented)
        presented = cookieValue(request.header("cookie"), m_viewCookieName);
    if (!m_viewSecret || !presented || !accessTokenMatches(*presented, *m_viewSecret))
        return unauthorized(request);
    if (fromAddress)
        return tradeForCookie(m_viewCookieName, *m_viewSecret, request.path);
    if (!viewerMayAsk(request))
        return errorAnswer(403, "the phone's address only shows the picture and its themes");
    request.viewer = true;
    return std::nullopt;
}

} // namespace web
