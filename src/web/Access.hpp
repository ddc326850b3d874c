#pragma once

#include "web/Http.hpp"

#include <optional>
#include <string>

namespace web {

// Who may reach the settings: a request must name this server (a page elsewhere cannot reach
// it through another name for the address), may change nothing from another site, and must
// carry the user's secret, as the cookie that the address with `?token=` sets or as a bearer
// token.
class Access {
public:
    Access(std::string secret, int port);

    // nullopt lets the request through; otherwise the answer that turns it away. Trading
    // `?token=` for the cookie is such an answer too: a redirect to the clean address.
    std::optional<Response> judge(const Request& request) const;

    const std::string& secret() const { return m_secret; }
    // The address that lets a browser in: http://127.0.0.1:PORT/?token=SECRET
    std::string address() const;

private:
    bool hostAllowed(const std::string& host) const;
    bool originAllowed(const std::string& origin) const;
    std::optional<Response> refuseForeign(const Request& request) const;
    std::optional<Response> refuseStranger(const Request& request) const;

    std::string m_secret;
    std::string m_host; // "127.0.0.1:PORT"
    std::string m_localhost; // "localhost:PORT"
    // Per port: browsers share cookies across the ports of a host.
    std::string m_cookieName;
};

} // namespace web
