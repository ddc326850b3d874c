#pragma once

#include <string>
#include <vector>

namespace web {

class Access;
class HttpServer;

// Sharing the picture with a phone on the local network: the server also listens on this
// machine's local network addresses, and a view secret made for this sharing lets a phone in to
// look (see Access). Off until asked for; each sharing has a new view secret, and stopping ends
// every connection that came through it. On the server's own thread, or before it starts.
class PhoneSharing {
public:
    PhoneSharing(HttpServer& server, Access& access, int port);

    struct State {
        bool on { false };
        // The phone's address (with the view secret), and the others it may use.
        std::string address;
        std::vector<std::string> addresses;
        std::string qrCode; // SVG of `address`
        std::string problem; // why sharing could not start, or empty
    };
    State start();
    void stop();
    const State& state() const { return m_state; }

private:
    HttpServer& m_server;
    Access& m_access;
    int m_port;
    State m_state;
};

// This machine's IPv4 addresses on its local networks (interfaces that are up, loopback left
// out), private ranges first.
std::vector<std::string> localNetworkAddresses();

} // namespace web
