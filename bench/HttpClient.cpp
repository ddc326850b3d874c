#include "HttpClient.hpp"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace bench {

HttpClient::HttpClient(int port, std::string token)
    : m_port(port)
    , m_token(std::move(token))
{
}

HttpClient::~HttpClient()
{
    disconnect();
}

void HttpClient::connect()
{
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(m_port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot connect to the server");
    int on = 1;
    ::setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    m_buffer.clear();
}

void HttpClient::disconnect()
{
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
}

bool HttpClient::awaitResponse()
{
    return !m_buffer.empty() || readMore();
}

bool HttpClient::readMore()
{
    char chunk[65536];
    for (;;) {
        auto count = ::recv(m_socket, chunk, sizeof chunk, 0);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        m_buffer.append(chunk, static_cast<std::size_t>(count));
        return true;
    }
}

HttpClient::Response HttpClient::post(std::string_view path, std::string_view body)
{
    return request("POST", path, body);
}

HttpClient::Response HttpClient::get(std::string_view path)
{
    return request("GET", path, {});
}

HttpClient::Response HttpClient::request(
    std::string_view method, std::string_view path, std::string_view body)
{
    bool reused = m_socket >= 0;
    if (!reused)
        connect();
    std::string host = "127.0.0.1:" + std::to_string(m_port);
    std::string text = std::string(method) + " " + std::string(path) + " HTTP/1.1\r\nHost: " + host
        + "\r\nAuthorization: Bearer " + m_token
        + "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size())
        + "\r\n\r\n" + std::string(body);
    bool sent = ::send(m_socket, text.data(), text.size(), MSG_NOSIGNAL)
        == static_cast<ssize_t>(text.size());
    // A connection the server closed while it was idle fails on the first use: once more on a
    // new one, as a browser does.
    if (reused && (!sent || !awaitResponse())) {
        disconnect();
        connect();
        sent = ::send(m_socket, text.data(), text.size(), MSG_NOSIGNAL)
            == static_cast<ssize_t>(text.size());
    }
    if (!sent)
        throw std::runtime_error("cannot send to the server");
    std::size_t headerEnd;
    while ((headerEnd = m_buffer.find("\r\n\r\n")) == std::string::npos) {
        if (!readMore())
            throw std::runtime_error("the server closed the connection");
    }
    std::string headers = m_buffer.substr(0, headerEnd);
    Response response;
    response.status = std::stoi(headers.substr(headers.find(' ') + 1, 3));
    std::size_t length = 0;
    bool close = false;
    std::size_t lineStart = headers.find("\r\n");
    while (lineStart != std::string::npos) {
        std::size_t lineEnd = headers.find("\r\n", lineStart + 2);
        std::string line = headers.substr(lineStart + 2,
            lineEnd == std::string::npos ? std::string::npos : lineEnd - lineStart - 2);
        if (::strncasecmp(line.c_str(), "Content-Length:", 15) == 0)
            length = std::stoul(line.substr(15));
        if (::strncasecmp(line.c_str(), "Connection: close", 17) == 0)
            close = true;
        lineStart = lineEnd;
    }
    while (m_buffer.size() < headerEnd + 4 + length) {
        if (!readMore())
            throw std::runtime_error("the server closed the connection");
    }
    response.body = m_buffer.substr(headerEnd + 4, length);
    m_buffer.erase(0, headerEnd + 4 + length);
    if (close)
        disconnect();
    return response;
}

} // namespace bench
