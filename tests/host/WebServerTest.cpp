// The web host as a browser and an attacker meet it: a real server process on loopback.
#include "ScriptDriver.hpp"

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

class Server {
public:
    explicit Server(const ScriptDevice& device)
    {
        int out[2];
        if (pipe(out) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string exe = QUILLANE_EXE;
        std::string root = device.root().string();
        std::vector<char*> argv { exe.data(), const_cast<char*>("serve"),
            const_cast<char*>("--root"), root.data(), nullptr };
        if (posix_spawn(&m_pid, exe.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            throw std::runtime_error("spawn");
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        std::string line;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(out[0]);
        auto colon = line.rfind(':');
        if (colon == std::string::npos)
            throw std::runtime_error("no address printed: " + line);
        m_port = std::stoi(line.substr(colon + 1));
    }
    ~Server()
    {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    int port() const { return m_port; }
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid { -1 };
    int m_port { 0 };
};

int connectTo(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

struct Response {
    int status { 0 };
    std::string head;
    std::string body;
};

Response request(int port, const std::string& raw)
{
    int fd = connectTo(port);
    if (fd < 0)
        return {};
    (void)!write(fd, raw.data(), raw.size());
    std::string all;
    char buffer[8192];
    pollfd wait { fd, POLLIN, 0 };
    // Reads until the whole answer is there: a server may keep the connection open.
    auto complete = [&] {
        auto split = all.find("\r\n\r\n");
        if (split == std::string::npos)
            return false;
        auto length = all.find("Content-Length: ");
        if (length == std::string::npos || length > split)
            return all.compare(9, 3, "304") == 0;
        return all.size() >= split + 4 + std::stoul(all.substr(length + 16));
    };
    while (!complete() && poll(&wait, 1, 5000) > 0) {
        auto count = read(fd, buffer, sizeof buffer);
        if (count <= 0)
            break;
        all.append(buffer, static_cast<std::size_t>(count));
    }
    close(fd);
    Response response;
    auto split = all.find("\r\n\r\n");
    response.head = all.substr(0, split);
    response.body = split == std::string::npos ? "" : all.substr(split + 4);
    if (all.size() > 12)
        response.status = std::stoi(all.substr(9, 3));
    return response;
}

std::string post(int port, const std::string& body, const std::string& extraHeaders = {},
    const std::string& host = {})
{
    return "POST /api/event HTTP/1.1\r\nHost: "
        + (host.empty() ? "127.0.0.1:" + std::to_string(port) : host)
        + "\r\nContent-Type: application/json\r\nConnection: close\r\n" + extraHeaders
        + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string get(int port, const std::string& path, const std::string& host = {})
{
    return "GET " + path
        + " HTTP/1.1\r\nHost: " + (host.empty() ? "127.0.0.1:" + std::to_string(port) : host)
        + "\r\nConnection: close\r\n\r\n";
}

} // namespace

TEST(WebServer, ServesTheUiAndTheProtocol)
{
    ScriptDevice device;
    Server server(device);
    auto page = request(server.port(), get(server.port(), "/"));
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.head.find("text/html"), std::string::npos);
    EXPECT_NE(page.head.find("Cache-Control"), std::string::npos);
    auto script = request(server.port(), get(server.port(), "/app.js"));
    EXPECT_EQ(script.status, 200);
    EXPECT_NE(script.head.find("text/javascript"), std::string::npos);

    auto opened = request(server.port(),
        post(server.port(), R"({"event":"open"})",
            "Origin: http://127.0.0.1:" + std::to_string(server.port()) + "\r\n"));
    EXPECT_EQ(opened.status, 200);
    auto screen = nlohmann::json::parse(opened.body);
    EXPECT_EQ(screen["page"]["class"], "QLNRootListController");
    auto current = request(server.port(), get(server.port(), "/api/screen"));
    EXPECT_EQ(nlohmann::json::parse(current.body)["stack"].size(), 1u);
}

TEST(WebServer, RefusesOtherOriginsAndOtherHostNames)
{
    ScriptDevice device;
    Server server(device);
    auto port = server.port();
    auto rebinding = request(
        port, post(port, R"({"event":"open"})", "", "attacker.example:" + std::to_string(port)));
    EXPECT_GE(rebinding.status, 400);
    EXPECT_LT(rebinding.status, 500);
    auto crossOrigin
        = request(port, post(port, R"({"event":"open"})", "Origin: http://attacker.example\r\n"));
    EXPECT_EQ(crossOrigin.status, 403);
    auto otherPort
        = request(port, post(port, R"({"event":"open"})", "Origin: http://127.0.0.1:1\r\n"));
    EXPECT_EQ(otherPort.status, 403);
    // None of them opened the bundle.
    auto current = request(port, get(port, "/api/screen"));
    EXPECT_TRUE(nlohmann::json::parse(current.body)["stack"].empty());
}

TEST(WebServer, AnswersBadRequestsWithA4xxAndKeepsServing)
{
    ScriptDevice device;
    Server server(device);
    auto port = server.port();
    auto malformed = request(port, post(port, "{not json"));
    EXPECT_EQ(malformed.status, 400);
    EXPECT_NE(malformed.body.find("error"), std::string::npos);
    auto unknown = request(port, post(port, R"({"event":"fly"})"));
    EXPECT_EQ(unknown.status, 400);
    auto huge = request(port, post(port, std::string(200 * 1024, ' ')));
    EXPECT_EQ(huge.status, 413);
    auto traversal = request(port, get(port, "/../../etc/passwd"));
    EXPECT_GE(traversal.status, 400);
    auto deviceEscape = request(port, get(port, "/device/../../etc/passwd"));
    EXPECT_GE(deviceEscape.status, 400);
    for (int i = 0; i < 200; ++i)
        request(port, "GARBAGE\r\n\r\n");
    // A client that goes away halfway through a request does not hold anything up.
    int dangling = connectTo(port);
    std::string half = "POST /api/event HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port)
        + "\r\nContent-Length: 100\r\n\r\n{\"ev";
    (void)!write(dangling, half.data(), half.size());
    close(dangling);
    auto opened = request(port, post(port, R"({"event":"open"})"));
    EXPECT_EQ(opened.status, 200);
}

TEST(WebServer, ListensOnLoopbackOnly)
{
    ScriptDevice device;
    Server server(device);
    // The listening socket's address, from the kernel's own table.
    std::ifstream tcp("/proc/net/tcp");
    char portHex[8];
    std::snprintf(portHex, sizeof portHex, "%04X", server.port());
    bool found = false;
    for (std::string line; std::getline(tcp, line);) {
        if (line.find(std::string(":") + portHex + " ") == std::string::npos)
            continue;
        if (line.find(" 0A ") == std::string::npos) // LISTEN
            continue;
        found = true;
        EXPECT_NE(line.find("0100007F:" + std::string(portHex)), std::string::npos) << line;
    }
    EXPECT_TRUE(found);
}

namespace {

// The sources and values of every preview entry of `key`, wherever the preview lists it.
std::vector<std::string> previewEntries(const nlohmann::json& preview, const std::string& key)
{
    std::vector<std::string> found;
    auto visit = [&](const nlohmann::json& node, const auto& self) -> void {
        if (node.is_object() && node.value("key", "") == key && node.contains("source")) {
            found.push_back(
                node["source"].get<std::string>() + " " + node["value"].get<std::string>());
            return;
        }
        if (node.is_structured()) {
            for (const auto& child : node)
                self(child, self);
        }
    };
    visit(preview, visit);
    return found;
}

} // namespace

// A client of the event stream: reads what the server pushes until `wanted` turns up.
class StreamReader {
public:
    explicit StreamReader(int port)
        : m_fd(connectTo(port))
    {
        std::string raw
            = "GET /api/stream HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
        (void)!write(m_fd, raw.data(), raw.size());
    }
    ~StreamReader() { close(m_fd); }
    bool waitFor(const std::string& wanted)
    {
        char buffer[8192];
        pollfd ready { m_fd, POLLIN, 0 };
        while (m_seen.find(wanted) == std::string::npos) {
            if (poll(&ready, 1, 5000) <= 0)
                return false;
            auto count = read(m_fd, buffer, sizeof buffer);
            if (count <= 0)
                return false;
            m_seen.append(buffer, static_cast<std::size_t>(count));
        }
        m_seen.erase(0, m_seen.find(wanted) + wanted.size());
        return true;
    }

private:
    int m_fd { -1 };
    std::string m_seen;
};

TEST(WebServer, PreviewShowsThePickersColourAsPendingUntilItCloses)
{
    ScriptDevice device;
    Server server(device);
    int port = server.port();
    std::string origin = "Origin: http://127.0.0.1:" + std::to_string(port) + "\r\n";
    auto send = [&](const nlohmann::json& event) {
        auto answer = request(port, post(port, event.dump(), origin));
        EXPECT_EQ(answer.status, 200) << event.dump() << " " << answer.body;
    };
    auto preview
        = [&] { return nlohmann::json::parse(request(port, get(port, "/api/preview")).body); };
    auto tapRow = [&](const char* field, const char* value) {
        send({ { "event", "tap" }, { "row", { { field, value } } } });
    };
    StreamReader stream(port);
    send({ { "event", "open" } });
    send({ { "event", "alert" }, { "button", "OK" } });
    tapRow("title", "Connectivity");
    std::string settingsBefore
        = device.read("/var/mobile/Library/Preferences/com.tarrowvine.quillane.plist");

    struct Step {
        const char* what;
        std::vector<nlohmann::json> events;
        std::vector<std::pair<std::string, std::string>> expected; // key, "source value"
    };
    const std::vector<Step> steps {
        { "an opened picker shows nothing new",
            { { { "event", "tap" }, { "row", { { "key", "wifiEnabled" } } } } },
            { { "wifiEnabled", "stock #007AFF:1.00" } } },
        { "each pick is pending on every entry of the row's key",
            { { { "event", "pick" }, { "color", "#FF0000:0.5" } },
                { { "event", "pick" }, { "color", "#00FF00" } } },
            { { "wifiEnabled", "pending #00FF00:1.00" },
                { "wifiGlyphEnabled", "stock #FFFFFF:1.00" } } },
        { "closing stores the colour and drops the mark", { { { "event", "closePicker" } } },
            { { "wifiEnabled", "stored #00FF00:1.00" } } },
        { "a global pick is pending on every key its spread sets",
            { { { "event", "tap" }, { "row", { { "title", "Change All" } } } },
                { { "event", "alert" }, { "button", "Yes" } },
                { { "event", "pick" }, { "color", "#0000FF" } } },
            { { "wifiEnabled", "pending #0000FF:1.00" },
                { "hotspotGlyphEnabled", "pending #0000FF:1.00" },
                // The page edits one state at a time; containers are never spread over.
                { "hotspotGlyphDisabled", "stock #FFFFFF:1.00" },
                { "connectivityContainerBackground", "stock #1C1C1E:0.60" } } },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        for (const auto& event : step.events)
            send(event);
        auto shown = preview();
        for (const auto& [key, want] : step.expected) {
            auto entries = previewEntries(shown, key);
            ASSERT_FALSE(entries.empty()) << key;
            for (const auto& entry : entries)
                EXPECT_EQ(entry, want) << key;
        }
        if (step.expected.front().second.starts_with("pending")) {
            // The stream pushes the same picture to every browser.
            EXPECT_TRUE(stream.waitFor(R"("source":"pending")"));
            EXPECT_EQ(device.read("/var/mobile/Library/Preferences/com.tarrowvine.quillane.plist"),
                settingsBefore)
                << "nothing is written while the picker is open";
        }
        settingsBefore
            = device.read("/var/mobile/Library/Preferences/com.tarrowvine.quillane.plist");
    }
}
