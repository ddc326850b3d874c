// A thousand malformed requests against the real server: it answers or drops each one, keeps
// serving the ones that follow, and none of them changes a file.
#include "DeviceFiles.hpp"
#include "ScratchDevice.hpp"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace reliability;
using namespace std::string_literals;

namespace {

class Server {
public:
    explicit Server(const std::filesystem::path& root)
    {
        int out[2];
        if (::pipe(out) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string exe = QUILLANE_EXE, rootText = root.string();
        std::vector<char*> argv { exe.data(), const_cast<char*>("serve"),
            const_cast<char*>("--root"), rootText.data(), nullptr };
        if (posix_spawn(&m_pid, exe.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            throw std::runtime_error("spawn");
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        std::string line;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        // "Quillane settings: http://127.0.0.1:PORT/?token=SECRET"
        m_port = std::stoi(line.substr(line.rfind(':') + 1));
        m_token = line.substr(line.find("token=") + 6);
    }
    // A fault on the way out, a sanitizer's report at exit among them, shows only in the exit
    // status: the server must end cleanly after all it was sent.
    ~Server()
    {
        if (running())
            ::kill(m_pid, SIGTERM);
        auto ending = reap(0);
        if (ending != "exit status 0")
            ADD_FAILURE() << "quillane serve ended with " << ending;
    }
    int port() const { return m_port; }
    // The header that lets a request past the server's secret, so the abuse reaches the parts
    // behind it.
    std::string authorization() const { return "Authorization: Bearer " + m_token + "\r\n"; }
    bool running() { return reap(WNOHANG).empty(); }

private:
    // How the server ended, once it has; empty while it runs.
    std::string reap(int options)
    {
        int status = 0;
        while (m_ending.empty()) {
            pid_t done = ::waitpid(m_pid, &status, options);
            if (done < 0 && errno == EINTR)
                continue;
            if (done != m_pid)
                break;
            m_ending = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                         : "signal " + std::to_string(WTERMSIG(status)) + " ("
                    + strsignal(WTERMSIG(status)) + ")";
        }
        return m_ending;
    }

    pid_t m_pid { -1 };
    int m_port { 0 };
    std::string m_token;
    std::string m_ending;
};

// Sends the bytes and reads the answer until it is whole, the server closes, or nothing comes
// for a moment (a request the server still waits on is then abandoned, which it must survive
// too). The status code, or 0 when nothing came back.
int exchange(int port, const std::string& bytes, int patienceMs = 100)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    (void)!::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    std::string answer;
    char buffer[4096];
    pollfd wait { fd, POLLIN, 0 };
    auto whole = [&] {
        auto split = answer.find("\r\n\r\n");
        auto length = answer.find("Content-Length: ");
        return split != std::string::npos && length != std::string::npos && length < split
            && answer.size() >= split + 4 + std::stoul(answer.substr(length + 16));
    };
    while (!whole() && ::poll(&wait, 1, patienceMs) > 0) {
        auto count = ::read(fd, buffer, sizeof buffer);
        if (count <= 0)
            break;
        answer.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(fd);
    if (answer.size() < 12 || !answer.starts_with("HTTP/1."))
        return 0;
    return std::stoi(answer.substr(9, 3));
}

std::string request(const Server& server, const std::string& head, const std::string& body = {})
{
    return head + "\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"
        + server.authorization() + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n"
        + body;
}

// One malformed request of kind `kind`.
std::string malformed(int kind, const Server& server, std::mt19937& random)
{
    const int port = server.port();
    const std::string host
        = "Host: 127.0.0.1:" + std::to_string(port) + "\r\n" + server.authorization();
    std::string noise(1 + random() % 2000, '\0');
    for (char& byte : noise)
        byte = static_cast<char>(random());
    switch (kind) {
    case 0:
        return noise;
    case 1:
        return "GARBAGE\r\n\r\n";
    case 2:
        return "POST /api/event HTTP/1.1";
    case 3:
        return "BREW /api/event HTTP/1.1\r\n" + host + "\r\n";
    case 4:
        return "GET /api/screen HTTP/9.9\r\n" + host + "\r\n";
    case 5:
        return "POST /api/event HTTP/1.1\r\nContent-Length: 16\r\n\r\n{\"event\":\"open\"}";
    case 6:
        return "GET /api/screen HTTP/1.1\r\n" + host + "no colon here\r\n\r\n";
    case 7:
        return "GET /api/screen HTTP/1.1\r\n" + host + "X-Big: " + std::string(100000, 'a')
            + "\r\n\r\n";
    case 8: {
        std::string many;
        for (int i = 0; i < 2000; ++i)
            many += "X-" + std::to_string(i) + ": x\r\n";
        return "GET /api/screen HTTP/1.1\r\n" + host + many + "\r\n";
    }
    case 9:
        return "GET /" + std::string(70000, 'a') + " HTTP/1.1\r\n" + host + "\r\n";
    case 10:
        return "POST /api/event HTTP/1.1\r\n" + host + "Content-Length: -5\r\n\r\n{}";
    case 11:
        return "POST /api/event HTTP/1.1\r\n" + host
            + "Content-Length: 99999999999999999999999\r\n\r\n{}";
    case 12:
        return "POST /api/event HTTP/1.1\r\n" + host + "Content-Length: 100\r\n\r\n{\"ev";
    case 13:
        return "POST /api/event HTTP/1.1\r\n" + host
            + "Transfer-Encoding: chunked\r\n\r\nzz\r\n{}\r\n0\r\n\r\n";
    case 14:
        return "POST /api/event HTTP/1.1\r\n" + host
            + "Transfer-Encoding: chunked\r\n\r\nffffffffffffffff\r\n{}\r\n0\r\n\r\n";
    case 15:
        return "POST /api/event HTTP/1.1\r\n" + host
            + "Content-Length: 2\r\nTransfer-Encoding: chunked\r\n\r\n2\r\n{}\r\n0\r\n\r\n";
    case 16:
        return request(server, "POST /api/event HTTP/1.1", "{\"event\": [" + noise.substr(0, 20));
    case 17:
        return request(
            server, "POST /api/event HTTP/1.1", std::string(30000, '[') + std::string(30000, ']'));
    case 18:
        return request(
            server, "POST /api/event HTTP/1.1", R"({"event":"tap","row":{"section":"x"}})");
    case 19:
        return request(server, "GET /%00/%2e%2e/%2e%2e/etc/passwd HTTP/1.1");
    case 20:
        return request(server, "GET /api/stream HTTP/1.1\r\nOrigin: http://evil.example");
    case 21:
        return "GET /api/screen HTTP/1.1\r\nHost: 127.0.0.1\0evil\r\n\r\n"s;
    case 22:
        return request(server, "POST /api/event HTTP/1.1\r\nOrigin: http://evil.example",
            R"({"event":"open"})");
    default:
        return "POST /api/event HTTP/1.1\r\nHost: rebound.example:" + std::to_string(port)
            + "\r\nContent-Length: 16\r\n\r\n{\"event\":\"open\"}";
    }
}

constexpr int kKinds = 24;
constexpr int kCrossOrigin = 22;
constexpr int kRebinding = kKinds - 1;

} // namespace

TEST(WebHostAbuse, AThousandMalformedRequestsLeaveItServingAndChangeNothing)
{
    const long requests = sizeFromEnvironment("QLN_WEB_REQUESTS", 1000);
    ScratchDevice device;
    Server server(device.root());
    auto files = trackedFiles(device.root());
    std::mt19937 random(1000);
    std::map<int, int> statuses;
    for (long i = 0; i < requests; ++i) {
        int kind = static_cast<int>(i % kKinds);
        auto raw = malformed(kind, server, random);
        int status = exchange(server.port(), raw);
        ++statuses[status];
        // A lenient reading of a damaged request for the screen is harmless; an event never is.
        if (!raw.starts_with("GET ")) {
            EXPECT_NE(status, 200) << "kind " << kind << " was served as a good request";
        }
        // The two refusals the server promises by their own status.
        if (kind == kCrossOrigin) {
            EXPECT_EQ(status, 403);
        }
        if (kind == kRebinding) {
            EXPECT_EQ(status, 421);
        }
        if (i % 50 == 49) {
            ASSERT_EQ(
                exchange(server.port(), request(server, "GET /api/screen HTTP/1.1"), 5000), 200)
                << "after request " << i << " of kind " << kind;
        }
    }
    EXPECT_TRUE(server.running());
    // None of them opened the bundle or wrote anything.
    EXPECT_EQ(trackedFiles(device.root()), files);
    EXPECT_EQ(exchange(server.port(),
                  request(server, "POST /api/event HTTP/1.1", R"({"event":"open"})"), 5000),
        200);

    std::string line = std::to_string(requests) + " malformed requests:";
    for (const auto& [status, count] : statuses)
        line += " " + std::to_string(count) + "× " + (status ? std::to_string(status) : "dropped");
    recordFigure("web-host", line);
}

// Each closed tab leaves an event stream whose thread is freed only when a write to it fails:
// many of them at once must not leave the server without threads.
TEST(WebHostAbuse, AbandonedEventStreamsDoNotStallTheServer)
{
    ScratchDevice device;
    Server server(device.root());
    for (int i = 0; i < 40; ++i)
        exchange(server.port(), request(server, "GET /api/stream HTTP/1.1"), 20);
    EXPECT_EQ(exchange(server.port(), request(server, "GET /api/screen HTTP/1.1"), 5000), 200);
}
