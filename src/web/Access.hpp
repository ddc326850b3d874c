#pragma once

#include "web/Http.hpp"

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace web {

// Who may reach the settings. A request must name this server (a page elsewhere cannot reach it
// through another name for the address), may change nothing from another site, and must carry a
// secret:
// - the user's own, as the cookie that the address with `?token=` or a one-time `?code=` sets or
//   as a bearer token, on 127.0.0.1 only; it lets in everything;
// - while the picture is shared with a phone, the view secret of that sharing, as the cookie that
//   the phone's address with `?view=` sets, on any listener; it lets in only what shows the
//   picture and the themes (a viewer), and never anything that changes or reads more.
//
// The user's secret never has to travel where others can see it: `quillane open` asks the
// server (with the secret) for a one-time code, which lets one browser in, once, within a
// minute, and hands it to the browser through a file only the user can read.
class Access {
public:
    // The browser uses its code as soon as it starts; a code not used by then is worthless.
    static constexpr std::chrono::seconds kCodeLifetime { 60 };

    Access(std::string secret, int port);

    // nullopt lets the request through (marked as a viewer's when it is one); otherwise the
    // answer that turns it away. Trading `?token=`, `?code=` or `?view=` for its cookie is such
    // an answer too, and so is the answer to `POST /api/access-code`, which makes a one-time
    // address for whoever has the secret.
    std::optional<Response> judge(Request& request) const;

    const std::string& secret() const { return m_secret; }
    // The address that lets a browser in: http://127.0.0.1:PORT/?token=SECRET
    std::string address() const;
    // An address that lets one browser in, once, within kCodeLifetime:
    // http://127.0.0.1:PORT/?code=CODE
    std::string oneTimeAddress() const;
    // What `serve` prints: the address with the secret, or, when its output goes to the
    // journal (which others may read, and which keeps it), the address without anything that
    // lets a browser in.
    std::string announcedAddress() const;

    // A new sharing's view secret, and the end of any other; nullopt ends sharing.
    void setViewSecret(std::optional<std::string> secret);
    const std::optional<std::string>& viewSecret() const { return m_viewSecret; }

    // What a viewer may ask for: the phone's page and the files it loads, its picture, its
    // stream and the themes as exchange strings.
    static bool viewerMayAsk(const Request& request);

private:
    bool originAllowed(const std::string& origin) const;
    std::optional<Response> refuseForeign(const Request& request) const;
    std::optional<Response> refuseStranger(Request& request) const;
    std::optional<Response> letInUser(const Request& request) const;
    std::optional<Response> letInViewer(Request& request) const;
    bool presentsSecret(const Request& request) const;
    bool takeCode(const std::string& code) const;
    Response letIn(const Request& request) const;

    std::string m_secret;
    std::string m_host; // "127.0.0.1:PORT"
    std::string m_localhost; // "localhost:PORT"
    // Per port: browsers share cookies across the ports of a host.
    std::string m_cookieName;
    std::string m_viewCookieName;
    std::optional<std::string> m_viewSecret;
    // Live one-time codes and when each stops counting; requests arrive on many threads.
    mutable std::mutex m_codesMutex;
    mutable std::map<std::string, std::chrono::steady_clock::time_point> m_codes;
};

} // namespace web
