// A thousand malformed requests against the real server: it answers or drops each one, keeps
// serving the ones that follow, and none of them changes a file.
#include "BuildPaths.hpp"
#include "DeviceFiles.hpp"
#include "ScratchDevice.hpp"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
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
    // The server's resident memory now, in MiB (from /proc).
    double residentMiB() const
    {
        std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("VmRSS:"))
                return std::stod(line.substr(6)) / 1024.0;
        }
        return 0;
    }
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

// A connection to the server on 127.0.0.1, or -1.
int connectTo(int port)
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
    return fd;
}

// Sends the bytes and reads the answer until it is whole, the server closes, or nothing comes
// for a moment (a request the server still waits on is then abandoned, which it must survive
// too). The status code, or 0 when nothing came back.
int exchange(int port, const std::string& bytes, int patienceMs = 100)
{
    int fd = connectTo(port);
    if (fd < 0)
        return -1;
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

namespace {

using Clock = std::chrono::steady_clock;

// The first line of whatever the server said on `fd` within `ms`, or "" when it said nothing
// (a close included).
std::string statusLine(int fd, int ms)
{
    std::string answer;
    char buffer[4096];
    pollfd wait { fd, POLLIN, 0 };
    while (answer.find("\r\n") == std::string::npos && ::poll(&wait, 1, ms) > 0) {
        auto count = ::read(fd, buffer, sizeof buffer);
        if (count <= 0)
            break;
        answer.append(buffer, static_cast<std::size_t>(count));
    }
    return answer.substr(0, answer.find("\r\n"));
}

// Sends `total` bytes made by `piece` until the server answers or closes; answers the status
// line and how many bytes went out.
std::pair<std::string, std::size_t> pour(
    int fd, const std::string& head, const std::string& piece, std::size_t total)
{
    std::size_t sent = 0;
    (void)!::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    pollfd readable { fd, POLLIN, 0 };
    while (sent < total) {
        if (::poll(&readable, 1, 0) > 0)
            break;
        auto count = ::send(fd, piece.data(), piece.size(), MSG_NOSIGNAL);
        if (count <= 0)
            break;
        sent += static_cast<std::size_t>(count);
    }
    return { statusLine(fd, 5000), sent };
}

// The user's own requests while an attack goes on: how long the slowest took, in ms, and
// whether every one was answered.
struct UserSees {
    bool allAnswered { true };
    double slowestMs { 0 };
};
UserSees userRequestsFor(const Server& server, std::chrono::milliseconds span)
{
    UserSees sees;
    for (auto end = Clock::now() + span; Clock::now() < end;) {
        auto start = Clock::now();
        int status = exchange(server.port(), request(server, "GET /api/screen HTTP/1.1"), 5000);
        sees.allAnswered = sees.allAnswered && status == 200;
        sees.slowestMs = std::max(sees.slowestMs,
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return sees;
}

std::string head(const Server& server, const std::string& line, const std::string& fields,
    bool withSecret = true)
{
    return line + "\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"
        + (withSecret ? server.authorization() : "") + fields + "\r\n";
}

} // namespace

// AddressSanitizer keeps freed memory in quarantine and allocates for itself: the server's
// memory says nothing there, and is held to its bounds in the normal build.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryTellsTheServersCost = false;
#else
constexpr bool kMemoryTellsTheServersCost = true;
#endif

// Each attack against a fresh server: what it is answered, what the server's memory may grow
// by, and that the user's requests meanwhile are all answered within a bound far above what a
// healthy server needs (the speed itself is measured by the benchmarks).
TEST(WebHostAbuse, AttacksCostTheServerABoundedAmountAndStallNoOne)
{
    struct Outcome {
        std::string answer; // the status line the attacker saw ("" for a close)
        std::string detail;
    };
    struct Attack {
        const char* what;
        std::function<Outcome(const Server&)> run;
        const char* expected; // the start of the status line, or "" for a close
        double maxGrowthMiB;
    };
    const Attack attacks[] = {
        { "256 connections that each send a head line every 4.5 s",
            [](const Server& server) {
                std::vector<int> slow;
                for (int i = 0; i < 256; ++i)
                    slow.push_back(connectTo(server.port()));
                auto started = Clock::now();
                auto user = std::async(std::launch::async,
                    [&] { return userRequestsFor(server, std::chrono::seconds(9)); });
                std::string line = "GET /api/screen HTTP/1.1\r\n";
                for (int round = 0; round < 4; ++round) {
                    for (int fd : slow)
                        (void)!::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
                    line = "X-Slow-" + std::to_string(round) + ": a\r\n";
                    std::this_thread::sleep_for(std::chrono::milliseconds(4500));
                }
                auto sees = user.get();
                // Every slow head is closed once its deadline passes.
                std::size_t closed = 0;
                for (int fd : slow) {
                    if (statusLine(fd, 3000).empty())
                        ++closed;
                    ::close(fd);
                }
                auto seconds = std::chrono::duration<double>(Clock::now() - started).count();
                return Outcome { closed == slow.size() && sees.allAnswered ? "" : "open",
                    std::to_string(closed) + " closed by " + std::to_string(int(seconds))
                        + " s; the user's slowest request " + std::to_string(int(sees.slowestMs))
                        + " ms" };
            },
            "", 16 },
        { "a head line of 64 MiB, no secret",
            [](const Server& server) {
                int fd = connectTo(server.port());
                auto [answer, sent] = pour(fd,
                    "GET /api/screen HTTP/1.1\r\nX-Long: ", std::string(64 * 1024, 'a'), 64u << 20);
                ::close(fd);
                return Outcome { answer, std::to_string(sent >> 10) + " KiB sent" };
            },
            "HTTP/1.1 431", 4 },
        { "a 31 MiB event sent chunked, with the secret",
            [](const Server& server) {
                int fd = connectTo(server.port());
                std::string chunk = "10000\r\n" + std::string(0x10000, ' ') + "\r\n";
                auto user = std::async(std::launch::async,
                    [&] { return userRequestsFor(server, std::chrono::milliseconds(500)); });
                auto [answer, sent] = pour(fd,
                    head(server, "POST /api/event HTTP/1.1", "Transfer-Encoding: chunked\r\n"),
                    chunk, 31u << 20);
                ::close(fd);
                auto sees = user.get();
                return Outcome { sees.allAnswered ? answer : "stalled",
                    std::to_string(sent >> 10) + " KiB sent" };
            },
            "HTTP/1.1 413", 4 },
        { "a 31 MiB device sent chunked, without the secret",
            [](const Server& server) {
                int fd = connectTo(server.port());
                std::string chunk = "10000\r\n" + std::string(0x10000, ' ') + "\r\n";
                auto [answer, sent] = pour(fd,
                    head(server, "PUT /api/device HTTP/1.1", "Transfer-Encoding: chunked\r\n",
                        false),
                    chunk, 31u << 20);
                ::close(fd);
                return Outcome { answer, std::to_string(sent >> 10) + " KiB sent" };
            },
            "HTTP/1.1 401", 4 },
        { "an event declared 100 MiB long",
            [](const Server& server) {
                int fd = connectTo(server.port());
                auto [answer, sent] = pour(fd,
                    head(server, "POST /api/event HTTP/1.1", "Content-Length: 104857600\r\n"),
                    std::string(0x10000, ' '), 100u << 20);
                ::close(fd);
                return Outcome { answer, std::to_string(sent >> 10) + " KiB sent" };
            },
            "HTTP/1.1 413", 4 },
        { "1,000 parallel connections, one request each",
            [](const Server& server) {
                std::vector<int> fds;
                auto bytes = request(server, "GET /api/screen HTTP/1.1");
                for (int i = 0; i < 1000; ++i) {
                    fds.push_back(connectTo(server.port()));
                    (void)!::send(fds.back(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
                }
                int answered = 0;
                for (int fd : fds) {
                    answered += statusLine(fd, 10000).starts_with("HTTP/1.1 200");
                    ::close(fd);
                }
                return Outcome { answered == 1000 ? "HTTP/1.1 200" : "missing",
                    std::to_string(answered) + " answered" };
            },
            "HTTP/1.1 200", 24 },
        { "256 event streams left open",
            [](const Server& server) {
                std::vector<int> streams;
                auto bytes = request(server, "GET /api/stream HTTP/1.1");
                for (int i = 0; i < 256; ++i) {
                    streams.push_back(connectTo(server.port()));
                    (void)!::send(streams.back(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
                }
                auto sees = userRequestsFor(server, std::chrono::seconds(1));
                for (int fd : streams)
                    ::close(fd);
                return Outcome { sees.allAnswered ? "answered" : "stalled",
                    "the user's slowest request " + std::to_string(int(sees.slowestMs)) + " ms" };
            },
            "answered", 16 },
        // After the secret: the user's own burst of uploads leaves nothing behind.
        { "16 parallel uploads of 32 MiB",
            [](const Server& server) {
                std::vector<std::future<std::string>> uploads;
                for (int i = 0; i < 16; ++i)
                    uploads.push_back(std::async(std::launch::async, [&server] {
                        int fd = connectTo(server.port());
                        auto [answer, sent] = pour(fd,
                            head(server, "POST /api/wallpaper HTTP/1.1",
                                "Content-Length: 33554432\r\n"),
                            std::string(0x10000, 'j'), 32u << 20);
                        ::close(fd);
                        return answer;
                    }));
                int refused = 0;
                for (auto& upload : uploads)
                    refused += upload.get().starts_with("HTTP/1.1 400");
                return Outcome { refused == 16 ? "HTTP/1.1 400" : "lost",
                    std::to_string(refused) + " refused as no image" };
            },
            "HTTP/1.1 400", 8 },
    };
    for (const Attack& attack : attacks) {
        SCOPED_TRACE(attack.what);
        ScratchDevice device;
        Server server(device.root());
        double before = server.residentMiB();
        auto outcome = attack.run(server);
        // Memory comes back once the attack is over.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        double after = server.residentMiB();
        EXPECT_TRUE(outcome.answer.starts_with(attack.expected))
            << "answered \"" << outcome.answer << "\"; " << outcome.detail;
        if (kMemoryTellsTheServersCost) {
            EXPECT_LT(after - before, attack.maxGrowthMiB) << before << " MiB before, " << after;
        }
        EXPECT_EQ(exchange(server.port(), request(server, "GET /api/screen HTTP/1.1"), 5000), 200);
        recordFigure("web-host-attacks",
            std::string(attack.what) + ": " + (outcome.answer.empty() ? "closed" : outcome.answer)
                + ", " + outcome.detail + "; " + std::to_string(int(before)) + " → "
                + std::to_string(int(after)) + " MiB");
    }
}
