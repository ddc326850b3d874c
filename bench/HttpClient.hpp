#pragma once

#include <string>
#include <string_view>

namespace bench {

// A minimal HTTP/1.1 client for the local web server: one connection kept alive while the
// server keeps it, reopened when the server closes it (as a browser does).
class HttpClient {
public:
    // `token`: the server's secret, sent as a bearer token with every request.
    HttpClient(int port, std::string token);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    struct Response {
        int status { 0 };
        std::string body;
    };
    Response post(std::string_view path, std::string_view body);
    Response get(std::string_view path);

private:
    Response request(std::string_view method, std::string_view path, std::string_view body);
    void connect();
    void disconnect();
    bool readMore();
    // Waits for the first bytes of an answer; false when the server closed the connection.
    bool awaitResponse();

    int m_port;
    std::string m_token;
    int m_socket { -1 };
    std::string m_buffer;
};

} // namespace bench
