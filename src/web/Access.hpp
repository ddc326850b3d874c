#pragma once

#include "web/Http.hpp"

#include <optional>
#include <string>

namespace web {

// Who may reach the settings. A request must name this server (a page elsewhere cannot reach it
// through another name for the address), may change nothing from another site, and must carry a
// secret:
// - the user's own, as the cookie that the address with `?token=` sets or as a bearer token, on
//   127.0.0.1 only; it lets in everything;
// - while the picture is shared with a phone, the view secret of that sharing, as the cookie that
//   the phone's address with `?view=` sets, on any listener; it lets in only what shows the
//   picture and the themes (a viewer), and never anything that changes or reads more.
class Access {
public:
    Access(std::string secret, int port);

    // nullopt lets the request through (marked as a viewer's when it is one); otherwise the
    // answer that turns it away. Trading a secret in the address for its cookie is such an
    // answer too: a redirect to the clean address.
    std::optional<Response> judge(Request& request) const;

    const std::string& secret() const { return m_secret; }
    // The address that lets a browser in: http://127.0.0.1:PORT/?token=SECRET
    std::string address() const;

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

    std::string m_secret;
    std::string m_host; // "127.0.0.1:PORT"
    std::string m_localhost; // "localhost:PORT"
    // Per port: browsers share cookies across the ports of a host.
    std::string m_cookieName;
    std::string m_viewCookieName;
    std::optional<std::string> m_viewSecret;
};

} // namespace web
