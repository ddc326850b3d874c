#include "web/PhoneSharing.hpp"

#include "web/Access.hpp"
#include "web/HttpServer.hpp"
#include "web/QrCode.hpp"
#include "web/UserState.hpp"

#include <algorithm>
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace web {

namespace {

// 10/8, 172.16/12 and 192.168/16: where phones and computers share a network at home.
bool isPrivate(std::uint32_t address)
{
    return (address >> 24) == 10 || (address >> 20) == 0xAC1 || (address >> 16) == 0xC0A8;
}

} // namespace

std::vector<std::string> localNetworkAddresses()
{
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0)
        return {};
    std::vector<std::pair<bool, std::string>> found;
    for (ifaddrs* entry = interfaces; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET
            || !(entry->ifa_flags & IFF_UP) || (entry->ifa_flags & IFF_LOOPBACK))
            continue;
        auto* inet = reinterpret_cast<sockaddr_in*>(entry->ifa_addr);
        char text[INET_ADDRSTRLEN];
        if (!inet_ntop(AF_INET, &inet->sin_addr, text, sizeof text))
            continue;
        found.emplace_back(!isPrivate(ntohl(inet->sin_addr.s_addr)), text);
    }
    freeifaddrs(interfaces);
    std::stable_sort(
        found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> addresses;
    for (auto& [publicFirst, address] : found) {
        if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
            addresses.push_back(address);
    }
    return addresses;
}

PhoneSharing::PhoneSharing(HttpServer& server, Access& access, int port)
    : m_server(server)
    , m_access(access)
    , m_port(port)
{
}

PhoneSharing::State PhoneSharing::start()
{
    stop();
    State state;
    int port = 0;
    for (const std::string& address : localNetworkAddresses()) {
        // One port for every address, the loopback's when it is free there.
        auto bound = m_server.listenShared(address, port ? port : m_port);
        if (!bound)
            continue;
        port = *bound;
        state.addresses.push_back("http://" + address + ":" + std::to_string(port) + "/phone");
    }
    if (state.addresses.empty()) {
        state.problem = "this machine has no address on a local network for a phone to reach";
        m_state = state;
        return m_state;
    }
    auto secret = newSecret();
    m_access.setViewSecret(secret);
    state.on = true;
    state.address = state.addresses.front() + "?view=" + secret;
    state.qrCode = qrCodeSvg(state.address);
    m_state = state;
    return m_state;
}

void PhoneSharing::stop()
{
    m_access.setViewSecret(std::nullopt);
    m_server.stopSharing();
    m_state = {};
}

} // namespace web
