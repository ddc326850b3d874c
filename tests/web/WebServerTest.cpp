// The web host as a browser and an attacker meet it: a real server process on loopback.
#include "BuildPaths.hpp"
#include "imagetheme/SyntheticImages.hpp"
#include "support/ScriptDriver.hpp"
#include "web/Broadcast.hpp"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

class Server {
public:
    explicit Server(const ScriptDevice& device, const std::vector<std::string>& options = {})
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
        std::vector<std::string> words { "serve", "--root", root };
        words.insert(words.end(), options.begin(), options.end());
        std::vector<char*> argv { exe.data() };
        for (auto& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, exe.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            throw std::runtime_error("spawn");
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        auto readLine = [&] {
            std::string text;
            char c;
            while (read(out[0], &c, 1) == 1 && c != '\n')
                text += c;
            return text;
        };
        std::string line = readLine();
        // "Quillane on your phone: http://ADDRESS:PORT/phone?view=SECRET"
        if (std::find(options.begin(), options.end(), "--phone") != options.end())
            m_phone = readLine();
        close(out[0]);
        // "Quillane settings: http://127.0.0.1:PORT/?token=SECRET"
        auto colon = line.rfind(':');
        auto token = line.find("?token=");
        if (colon == std::string::npos || token == std::string::npos)
            throw std::runtime_error("no address printed: " + line);
        m_port = std::stoi(line.substr(colon + 1));
        m_token = line.substr(token + 7);
    }
    // A fault on the way out, a sanitizer's report at exit among them, shows only in the exit
    // status: every test that starts a server also holds it to a clean end.
    ~Server()
    {
        auto ending = stop();
        if (ending != "exit status 0")
            ADD_FAILURE() << "quillane serve ended with " << ending;
    }
    // Ends the server as a user does, with SIGTERM; how it ended.
    std::string stop()
    {
        if (m_ending.empty()) {
            kill(m_pid, SIGTERM);
            int status = 0;
            while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) { }
            m_ending = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                         : "signal " + std::to_string(WTERMSIG(status)) + " ("
                    + strsignal(WTERMSIG(status)) + ")";
        }
        return m_ending;
    }
    int port() const { return m_port; }
    const std::string& token() const { return m_token; }
    pid_t pid() const { return m_pid; }
    // The line `--phone` printed for the phone, or "".
    const std::string& phoneLine() const { return m_phone; }

private:
    pid_t m_pid { -1 };
    std::string m_phone;
    int m_port { 0 };
    std::string m_token;
    std::string m_ending;
};

int connectTo(int port, const char* host = "127.0.0.1")
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, host, &address.sin_addr);
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

Response request(int port, const std::string& raw, const char* host = "127.0.0.1")
{
    int fd = connectTo(port, host);
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

std::string bearer(const Server& server)
{
    return "Authorization: Bearer " + server.token() + "\r\n";
}

std::string post(const Server& server, const std::string& body,
    const std::string& extraHeaders = {}, const std::string& host = {})
{
    return "POST /api/event HTTP/1.1\r\nHost: "
        + (host.empty() ? "127.0.0.1:" + std::to_string(server.port()) : host)
        + "\r\nContent-Type: application/json\r\nConnection: close\r\n" + bearer(server)
        + extraHeaders + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A GET with the given credential headers (none, a wrong secret, a cookie).
std::string get(const Server& server, const std::string& path, const std::string& credentials)
{
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port())
        + "\r\nConnection: close\r\n" + credentials + "\r\n";
}

std::string get(const Server& server, const std::string& path)
{
    return get(server, path, bearer(server));
}

} // namespace

TEST(WebServer, ServesTheUiAndTheProtocol)
{
    ScriptDevice device;
    Server server(device);
    auto page = request(server.port(), get(server, "/"));
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.head.find("text/html"), std::string::npos);
    EXPECT_NE(page.head.find("Cache-Control"), std::string::npos);
    auto script = request(server.port(), get(server, "/app.js"));
    EXPECT_EQ(script.status, 200);
    EXPECT_NE(script.head.find("text/javascript"), std::string::npos);

    auto opened = request(server.port(),
        post(server, R"({"event":"open"})",
            "Origin: http://127.0.0.1:" + std::to_string(server.port()) + "\r\n"));
    EXPECT_EQ(opened.status, 200);
    auto screen = nlohmann::json::parse(opened.body);
    EXPECT_EQ(screen["page"]["class"], "QLNRootListController");
    auto current = request(server.port(), get(server, "/api/screen"));
    EXPECT_EQ(nlohmann::json::parse(current.body)["stack"].size(), 1u);
}

TEST(WebServer, RefusesOtherOriginsAndOtherHostNames)
{
    ScriptDevice device;
    Server server(device);
    auto port = server.port();
    auto rebinding = request(
        port, post(server, R"({"event":"open"})", "", "attacker.example:" + std::to_string(port)));
    EXPECT_EQ(rebinding.status, 421);
    auto crossOrigin
        = request(port, post(server, R"({"event":"open"})", "Origin: http://attacker.example\r\n"));
    EXPECT_EQ(crossOrigin.status, 403);
    auto otherPort
        = request(port, post(server, R"({"event":"open"})", "Origin: http://127.0.0.1:1\r\n"));
    EXPECT_EQ(otherPort.status, 403);
    // None of them opened the bundle.
    auto current = request(port, get(server, "/api/screen"));
    EXPECT_TRUE(nlohmann::json::parse(current.body)["stack"].empty());
}

TEST(WebServer, AnswersBadRequestsWithA4xxAndKeepsServing)
{
    ScriptDevice device;
    Server server(device);
    auto port = server.port();
    auto malformed = request(port, post(server, "{not json"));
    EXPECT_EQ(malformed.status, 400);
    EXPECT_NE(malformed.body.find("error"), std::string::npos);
    auto unknown = request(port, post(server, R"({"event":"fly"})"));
    EXPECT_EQ(unknown.status, 400);
    auto huge = request(port, post(server, std::string(200 * 1024, ' ')));
    EXPECT_EQ(huge.status, 413);
    auto traversal = request(port, get(server, "/../../etc/passwd"));
    EXPECT_GE(traversal.status, 400);
    auto deviceEscape = request(port, get(server, "/device/../../etc/passwd"));
    EXPECT_GE(deviceEscape.status, 400);
    for (int i = 0; i < 200; ++i)
        request(port, "GARBAGE\r\n\r\n");
    // A client that goes away halfway through a request does not hold anything up.
    int dangling = connectTo(port);
    std::string half = "POST /api/event HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port)
        + "\r\n" + bearer(server) + "Content-Length: 100\r\n\r\n{\"ev";
    (void)!write(dangling, half.data(), half.size());
    close(dangling);
    auto opened = request(port, post(server, R"({"event":"open"})"));
    EXPECT_EQ(opened.status, 200);
}

std::string withoutBearer(const Server& server, std::string request)
{
    return request.erase(request.find(bearer(server)), bearer(server).size());
}

// Only the user who started the server gets in: the printed address sets a cookie, and every
// other request needs that cookie or the secret as a bearer token.
TEST(WebServer, LetsInOnlyRequestsThatCarryTheSecret)
{
    ScriptDevice device;
    Server server(device);
    std::string wrong = server.token();
    wrong.back() = wrong.back() == '0' ? '1' : '0';
    struct Case {
        const char* what;
        std::string request;
        int status;
    } cases[] = {
        { "no secret", get(server, "/api/screen", ""), 401 },
        { "no secret for the page", get(server, "/", ""), 401 },
        { "a wrong bearer", get(server, "/api/screen", "Authorization: Bearer " + wrong + "\r\n"),
            401 },
        { "a shorter bearer",
            get(server, "/api/screen",
                "Authorization: Bearer " + server.token().substr(1) + "\r\n"),
            401 },
        { "a wrong address", get(server, "/?token=" + wrong, ""), 401 },
        { "an event without", withoutBearer(server, post(server, R"({"event":"open"})")), 401 },
        { "the bearer", get(server, "/api/screen"), 200 },
        { "the cookie",
            get(server, "/api/screen",
                "Cookie: other=1; quillane-" + std::to_string(server.port()) + "=" + server.token()
                    + "\r\n"),
            200 },
        { "another port's cookie",
            get(server, "/api/screen", "Cookie: quillane-1=" + server.token() + "\r\n"), 401 },
    };
    for (const auto& check : cases)
        EXPECT_EQ(request(server.port(), check.request).status, check.status) << check.what;

    auto refused = request(server.port(), get(server, "/", ""));
    EXPECT_NE(refused.body.find("quillane open"), std::string::npos) << refused.body;
    // Nothing refused reached the bundle.
    EXPECT_TRUE(
        nlohmann::json::parse(request(server.port(), get(server, "/api/screen")).body)["stack"]
            .empty());

    auto visit = request(server.port(), get(server, "/?token=" + server.token(), ""));
    EXPECT_EQ(visit.status, 303);
    EXPECT_NE(visit.head.find("Location: /\r\n"), std::string::npos) << visit.head;
    auto cookie = "Set-Cookie: quillane-" + std::to_string(server.port()) + "=" + server.token()
        + "; HttpOnly; SameSite=Strict; Path=/";
    EXPECT_NE(visit.head.find(cookie), std::string::npos) << visit.head;
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

std::string call(const Server& server, const std::string& method, const std::string& path,
    const std::string& body = {}, const std::string& type = "application/octet-stream")
{
    auto port = std::to_string(server.port());
    return method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + port
        + "\r\nOrigin: http://127.0.0.1:" + port + "\r\n" + bearer(server) + "Content-Type: " + type
        + "\r\nConnection: close\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n"
        + body;
}

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

TEST(WebServer, KeepsAWallpaperAndMakesThemesFromItAndFromAColour)
{
    ScriptDevice device;
    Server server(device);
    auto port = server.port();
    std::string settings = device.read("/User/Library/Preferences/com.tarrowvine.quillane.plist");
    std::string photo
        = synthetic::encode(synthetic::twoColours(300, 200, 120, { 30, 60, 90 }, { 230, 200, 80 }),
            synthetic::Encoding::Jpeg);
    std::string presets = "/User/Library/Preferences/com.tarrowvine.quillane.presets/";

    struct Step {
        const char* what;
        std::string method, path, body;
        int status;
        const char* answer; // a part of the answer's body, "" for any
    };
    std::vector<Step> steps {
        { "nothing set yet", "GET", "/api/wallpaper", "", 404, "no wallpaper" },
        { "no theme without a wallpaper", "POST", "/api/wallpaper/theme", "", 404, "no wallpaper" },
        { "not an image", "POST", "/api/wallpaper", "just text", 400, "not a JPEG" },
        { "a photo", "POST", "/api/wallpaper", photo, 204, "" },
        { "its display copy", "GET", "/api/wallpaper", "", 200, "" },
        { "a theme from it", "POST", "/api/wallpaper/theme?name=Harbour", "", 200, "\"Harbour\"" },
        { "again, a new name", "POST", "/api/wallpaper/theme?name=Harbour", "", 200, "Harbour 2" },
        { "a name that leaves the folder", "POST", "/api/wallpaper/theme?name=..%2Fx", "", 400,
            "cannot contain" },
        { "a damaged image keeps the wallpaper", "POST", "/api/wallpaper", photo.substr(0, 300),
            400, "cannot be decoded" },
        { "still there", "GET", "/api/wallpaper", "", 200, "" },
        { "over 32 MiB", "POST", "/api/wallpaper", std::string((32u << 20) + 1, 'x'), 413, "" },
        { "an event may not be as large", "POST", "/api/event", std::string(100 * 1024, ' '), 413,
            "" },
        { "removed", "DELETE", "/api/wallpaper", "", 204, "" },
        { "gone", "GET", "/api/wallpaper", "", 404, "" },
        { "a colour's theme is no JSON", "POST", "/api/theme-from-colour", "{coral", 400,
            "{\\\"colour\\\": TEXT" },
        { "no colour", "POST", "/api/theme-from-colour", R"({"harmony":"analogous"})", 400,
            "{\\\"colour\\\": TEXT" },
        { "a colour the field cannot read", "POST", "/api/theme-from-colour",
            R"({"colour":"corall","harmony":"analogous"})", 400,
            "\u201ccorall\u201d is not a colour name" },
        { "a stray hex digit", "POST", "/api/theme-from-colour",
            R"({"colour":"#FF2G55","harmony":"analogous"})", 400,
            "\u201cG\u201d is not a hex digit" },
        { "an unknown harmony", "POST", "/api/theme-from-colour",
            R"({"colour":"coral","harmony":"triadic"})", 400, "the harmony is" },
        { "no harmony", "POST", "/api/theme-from-colour", R"({"colour":"coral"})", 400,
            "the harmony is" },
        { "a name that leaves the folder", "POST", "/api/theme-from-colour",
            R"({"colour":"coral","harmony":"analogous","name":"../x"})", 400, "cannot contain" },
        { "a name that is no text", "POST", "/api/theme-from-colour",
            R"({"colour":"coral","harmony":"analogous","name":7})", 400, "is text" },
        { "a named theme from a colour", "POST", "/api/theme-from-colour",
            R"json({"colour":"rgb(255 45 85)","harmony":"analogous","name":"Rose"})json", 200,
            R"({"name":"Rose"})" },
        { "named after the colour as typed", "POST", "/api/theme-from-colour",
            R"({"colour":"coral","harmony":"complementary"})", 200, R"({"name":"coral"})" },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        auto answer = request(port, call(server, step.method, step.path, step.body));
        EXPECT_EQ(answer.status, step.status) << answer.body.substr(0, 200);
        EXPECT_NE(answer.body.find(step.answer), std::string::npos) << answer.body.substr(0, 200);
        if (std::string(step.what) == "its display copy") {
            EXPECT_NE(answer.head.find("image/jpeg"), std::string::npos);
            EXPECT_EQ(answer.body.substr(0, 3), "\xFF\xD8\xFF");
        }
    }
    auto undoLabel = [&] {
        auto screen = nlohmann::json::parse(request(port, call(server, "GET", "/api/screen")).body);
        return screen["history"].value("undo", "");
    };
    auto presetFiles = [&] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(device.path(presets)))
            names.insert(entry.path().filename().string());
        return names;
    };
    // Each theme made is one new file, and nothing refused left one.
    EXPECT_EQ(presetFiles(),
        (std::set<std::string> {
            "Harbour.plist", "Harbour 2.plist", "Rose.plist", "coral.plist" }));
    EXPECT_EQ(undoLabel(), "Theme from Colour \u201ccoral\u201d");
    // The browser and the command line make the same preset from the same colour.
    auto fromColour = runQuillane({ "theme-from-colour", "--root", device.root().string(), "coral",
        "--harmony", "complementary", "--name", "Coral from the command" });
    ASSERT_EQ(fromColour.exitStatus, 0) << fromColour.err;
    EXPECT_EQ(device.read(presets + "coral.plist"),
        device.read(presets + "Coral from the command.plist"));
    std::filesystem::remove(device.path(presets + "Coral from the command.plist"));
    // Undo takes the colour's theme away again, and only that.
    auto undone = request(port, post(server, R"({"event":"undo"})"));
    EXPECT_EQ(undone.status, 200) << undone.body;
    EXPECT_EQ(presetFiles(),
        (std::set<std::string> { "Harbour.plist", "Harbour 2.plist", "Rose.plist" }));
    EXPECT_EQ(undoLabel(), "Theme from Colour \u201cRose\u201d");
    request(port, post(server, R"({"event":"undo"})"));
    EXPECT_EQ(undoLabel(), "Theme from Wallpaper \u201cHarbour 2\u201d");
    // The browser and the command line make the same preset from the same image.
    std::string cliImage = (device.root().parent_path() / "Harbour.jpg").string();
    std::ofstream(cliImage, std::ios::binary) << photo;
    auto made = runQuillane({ "theme-from-image", "--root", device.root().string(), cliImage,
        "--name", "From the command" });
    ASSERT_EQ(made.exitStatus, 0) << made.err;
    EXPECT_EQ(
        device.read(presets + "Harbour.plist"), device.read(presets + "From the command.plist"));
    // Nothing the bundle or the theming component reads was touched.
    EXPECT_EQ(device.read("/User/Library/Preferences/com.tarrowvine.quillane.plist"), settings);
    EXPECT_FALSE(std::filesystem::exists(device.path("/.wallpaper.jpg")));
}

TEST(WebServer, ExportsAndImportsPresetsAsFiles)
{
    ScriptDevice device;
    Server server(device);
    auto port = server.port();
    std::string presets = "/User/Library/Preferences/com.tarrowvine.quillane.presets/";
    std::string xml = device.read("/User/Library/Preferences/com.tarrowvine.quillane.plist");
    // {"enabled": true, "wifiEnabled": "#FF0000:1.000000"} in the binary form.
    const std::string binary("\x62\x70\x6C\x69\x73\x74\x30\x30\xD2\x01\x02\x03\x04\x57\x65\x6E"
                             "\x61\x62\x6C\x65\x64\x5B\x77\x69\x66\x69\x45\x6E\x61\x62\x6C\x65"
                             "\x64\x09\x5F\x10\x10\x23\x46\x46\x30\x30\x30\x30\x3A\x31\x2E\x30"
                             "\x30\x30\x30\x30\x30\x08\x0D\x15\x21\x22\x00\x00\x00\x00\x00\x00"
                             "\x01\x01\x00\x00\x00\x00\x00\x00\x00\x05\x00\x00\x00\x00\x00\x00"
                             "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x35",
        90);
    struct Step {
        const char* what;
        std::string method, path, body;
        int status;
        const char* answer;
    };
    std::vector<Step> steps {
        { "an XML property list", "POST", "/api/presets/file?name=Shared", xml, 200, "\"Shared\"" },
        { "its file, as it is", "GET", "/api/presets/file?name=Shared", "", 200, "<plist" },
        { "a binary property list", "POST", "/api/presets/file?name=Binary", binary, 200,
            "\"Binary\"" },
        { "stored as XML", "GET", "/api/presets/file?name=Binary", "", 200,
            "<string>#FF0000:1.000000</string>" },
        { "a name already taken", "POST", "/api/presets/file?name=Shared", xml, 400,
            "already exists" },
        { "an array is no preset", "POST", "/api/presets/file?name=List",
            "<plist version=\"1.0\"><array/></plist>", 400, "not a property-list dictionary" },
        { "text is no preset", "POST", "/api/presets/file?name=Text", "hello", 400,
            "not a property-list dictionary" },
        { "no name", "POST", "/api/presets/file", xml, 400, "empty" },
        { "a name that leaves the folder", "POST", "/api/presets/file?name=..%2F..%2Fx", xml, 400,
            "cannot contain" },
        { "no such preset", "GET", "/api/presets/file?name=Nowhere", "", 404, "no preset" },
        { "reading outside the folder", "GET",
            "/api/presets/file?name=..%2Fcom.tarrowvine.quillane", "", 400, "cannot contain" },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        auto answer = request(port, call(server, step.method, step.path, step.body));
        EXPECT_EQ(answer.status, step.status) << answer.body.substr(0, 200);
        EXPECT_NE(answer.body.find(step.answer), std::string::npos) << answer.body.substr(0, 200);
    }
    EXPECT_EQ(device.read(presets + "Shared.plist"), xml);
    auto download = request(port, call(server, "GET", "/api/presets/file?name=Shared"));
    EXPECT_EQ(download.body, xml);
    EXPECT_NE(download.head.find("filename*=UTF-8''Shared.plist"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(device.path(presets + "List.plist")));
    EXPECT_FALSE(std::filesystem::exists(device.path("/User/Library/x.plist")));
    // An import is this program's own step, not a change by another program.
    auto screen = nlohmann::json::parse(request(port, call(server, "GET", "/api/screen")).body);
    EXPECT_EQ(screen["history"]["undo"], "Import \u201cBinary\u201d") << screen["history"];
    EXPECT_TRUE(screen["history"]["notice"].is_null()) << screen["history"];
}

// A preset tried in the preview shows its colours with nothing loaded; a name that is no
// preset, or would leave the presets folder, or a file that is no preset, is refused.
TEST(WebServer, TriesAPresetInThePreviewWithoutLoadingIt)
{
    ScriptDevice device;
    Server server(device);
    auto port = server.port();
    std::string presets = "/User/Library/Preferences/com.tarrowvine.quillane.presets/";
    std::string settingsFile = "/User/Library/Preferences/com.tarrowvine.quillane.plist";
    std::string persistentFile
        = "/User/Library/Preferences/com.tarrowvine.quillane.persistent.plist";
    std::string settings = device.read(settingsFile);
    std::string persistent = device.read(persistentFile);
    std::string night = settings;
    night.insert(night.find("<dict>") + 6, "<key>wifiEnabled</key><string>#FF0000</string>");
    std::filesystem::create_directories(device.path(presets));
    device.write(presets + "Night.plist", night);
    device.write(presets + "Broken.plist", "not a property list");
    device.write(presets + "List.plist", "<plist version=\"1.0\"><array/></plist>");

    struct Step {
        const char* what;
        std::string path;
        int status;
        const char* answer;
    };
    const std::vector<Step> steps {
        { "a preset", "/api/preview?preset=Night", 200, "#FF0000" },
        { "no such preset", "/api/preview?preset=Nowhere", 404, "no preset named" },
        { "an empty name", "/api/preview?preset=", 400, "empty" },
        { "a name that leaves the folder", "/api/preview?preset=..%2Fcom.tarrowvine.quillane", 400,
            "cannot contain" },
        { "a name with a NUL byte", "/api/preview?preset=Night%00x", 400, "cannot contain" },
        { "a name that is not UTF-8", "/api/preview?preset=%FF", 404, "no preset named" },
        { "a damaged file", "/api/preview?preset=Broken", 400, "not a readable" },
        { "an array is no preset", "/api/preview?preset=List", 400, "not a readable" },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        auto answer = request(port, get(server, step.path));
        EXPECT_EQ(answer.status, step.status) << answer.body.substr(0, 200);
        EXPECT_NE(answer.body.find(step.answer), std::string::npos) << answer.body.substr(0, 200);
        auto json = nlohmann::json::parse(answer.body, nullptr, false);
        EXPECT_FALSE(json.is_discarded()) << "every answer is JSON";
        EXPECT_EQ(json.contains("error"), answer.status != 200);
    }
    auto tried
        = nlohmann::json::parse(request(port, get(server, "/api/preview?preset=Night")).body);
    auto live = nlohmann::json::parse(request(port, get(server, "/api/preview")).body);
    ASSERT_FALSE(previewEntries(tried, "wifiEnabled").empty());
    for (const auto& entry : previewEntries(tried, "wifiEnabled"))
        EXPECT_EQ(entry, "stored #FF0000:1.00");
    for (const auto& entry : previewEntries(live, "wifiEnabled"))
        EXPECT_EQ(entry, "stock #007AFF:1.00");
    EXPECT_EQ(device.read(settingsFile), settings);
    EXPECT_EQ(device.read(persistentFile), persistent);
}

// A client of the event stream: reads what the server pushes until `wanted` turns up.
class StreamReader {
public:
    explicit StreamReader(const Server& server)
        : m_fd(connectTo(server.port()))
    {
        std::string raw = "GET /api/stream HTTP/1.1\r\nHost: 127.0.0.1:"
            + std::to_string(server.port()) + "\r\n" + bearer(server) + "\r\n";
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
        auto answer = request(port, post(server, event.dump(), origin));
        EXPECT_EQ(answer.status, 200) << event.dump() << " " << answer.body;
    };
    auto preview
        = [&] { return nlohmann::json::parse(request(port, get(server, "/api/preview")).body); };
    auto tapRow = [&](const char* field, const char* value) {
        send({ { "event", "tap" }, { "row", { { field, value } } } });
    };
    StreamReader stream(server);
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

// The desktop's stream and a phone's: who gets which message, and how every preview waits for
// the drag to rest.
TEST(Broadcast, APhoneFollowsPicksAndEveryReaderGetsThePreviewOnceTheyRest)
{
    using web::Broadcast;
    Broadcast broadcast;
    Broadcast::Position desktop;
    Broadcast::Position phone;
    auto drain = [&](Broadcast::Position& position, bool picturesOnly) {
        std::string sent;
        std::optional<Broadcast::Clock::time_point> held;
        for (std::string chunk; !(chunk = broadcast.next(position, picturesOnly, &held)).empty();)
            sent += chunk;
        return std::pair { sent, held };
    };

    broadcast.publish(Broadcast::Screen, "S1");
    broadcast.publish(Broadcast::Preview, "P1");
    auto before = Broadcast::Clock::now();
    broadcast.publish(Broadcast::Pick, "K1", true);
    broadcast.publish(Broadcast::Preview, "P2");
    struct Case {
        const char* what;
        Broadcast::Position* reader;
        bool picturesOnly;
        const char* sent;
        bool held;
    };
    ASSERT_TRUE(broadcast.previewHeldUntil().has_value());
    EXPECT_GE(*broadcast.previewHeldUntil(), before + Broadcast::kPickRest);
    const Case whileDragging[] = {
        { "the desktop never gets picks, and its preview waits too", &desktop, false,
            "data: S1\n\n", true },
        { "a phone gets the pick, not the screen, and the preview waits", &phone, true,
            "event: pick\ndata: K1\n\n", true },
    };
    for (const Case& c : whileDragging) {
        SCOPED_TRACE(c.what);
        auto [sent, held] = drain(*c.reader, c.picturesOnly);
        EXPECT_EQ(sent, c.sent);
        ASSERT_EQ(held.has_value(), c.held);
        if (held) {
            EXPECT_GE(*held, before + Broadcast::kPickRest);
        }
    }
    // Once the picks rest, the newest preview goes.
    std::this_thread::sleep_for(Broadcast::kPickRest + std::chrono::milliseconds(10));
    EXPECT_FALSE(broadcast.previewHeldUntil().has_value());
    EXPECT_EQ(drain(phone, true).first, "event: preview\ndata: P2\n\n");
    EXPECT_EQ(drain(desktop, false).first, "event: preview\ndata: P2\n\n");
    // The same pick again holds nothing; a new pick holds the next preview again; a picker
    // that closes lets it go at once.
    broadcast.publish(Broadcast::Pick, "K1", true);
    broadcast.publish(Broadcast::Preview, "P2b");
    EXPECT_EQ(drain(phone, true).first, "event: preview\ndata: P2b\n\n");
    broadcast.publish(Broadcast::Pick, "K2", true);
    broadcast.publish(Broadcast::Preview, "P3");
    EXPECT_EQ(drain(phone, true).first, "event: pick\ndata: K2\n\n");
    broadcast.publish(Broadcast::Pick, "K0", false);
    broadcast.publish(Broadcast::Preview, "P4");
    auto [sent, held] = drain(phone, true);
    EXPECT_EQ(sent, "event: pick\ndata: K0\n\nevent: preview\ndata: P4\n\n");
    EXPECT_FALSE(held.has_value());
    // A drag that ends before it rests made no preview: the one after it goes though it equals
    // the last, so that readers learn the picks they drew ended. Once only.
    broadcast.publish(Broadcast::Pick, "K3", true);
    broadcast.publish(Broadcast::Pick, "K0", false);
    broadcast.publish(Broadcast::Preview, "P4");
    EXPECT_EQ(drain(phone, true).first, "event: pick\ndata: K0\n\nevent: preview\ndata: P4\n\n");
    broadcast.publish(Broadcast::Preview, "P4");
    EXPECT_EQ(drain(phone, true).first, "");
}

TEST(WebServer, DevicePanelChangesTheDeviceAndTheOpenPageAndPreviewFollow)
{
    ScriptDevice device;
    Server server(device);
    int port = server.port();
    std::string origin = "Origin: http://127.0.0.1:" + std::to_string(port) + "\r\n";
    auto send = [&](const nlohmann::json& event) {
        auto answer = request(port, post(server, event.dump(), origin));
        EXPECT_EQ(answer.status, 200) << event.dump() << " " << answer.body;
        return nlohmann::json::parse(answer.body, nullptr, false);
    };
    auto put = [&](const nlohmann::json& profile) {
        return request(
            port, call(server, "PUT", "/api/device", profile.dump(), "application/json"));
    };
    auto screenTitles = [&] {
        std::vector<std::string> titles;
        auto screen = nlohmann::json::parse(request(port, get(server, "/api/screen")).body);
        for (const auto& row : screen["page"]["rows"])
            titles.push_back(row.value("title", ""));
        return titles;
    };
    auto previewNames = [&] {
        std::vector<std::string> names;
        auto preview = nlohmann::json::parse(request(port, get(server, "/api/preview")).body);
        for (const auto& module : preview["modules"])
            names.push_back(module.value("name", ""));
        return names;
    };
    send({ { "event", "open" } });
    send({ { "event", "alert" }, { "button", "OK" } });
    send({ { "event", "tap" }, { "row", { { "title", "Toggles" } } } });
    std::string settings
        = device.read("/var/mobile/Library/Preferences/com.tarrowvine.quillane.plist");
    std::string history = nlohmann::json::parse(request(port, get(server, "/api/screen")).body)
                              .value("history", nlohmann::json::object())
                              .dump();

    auto profile = nlohmann::json::parse(request(port, get(server, "/api/device")).body);
    EXPECT_EQ(profile["systemVersion"], "14.4");
    profile["tweaks"] = { { { "name", "noctis" }, { "installed", true } } };
    profile["modules"].push_back({ { "kind", "custom" }, { "identifier", "com.example.notes" },
        { "displayName", "Notes" } });
    profile["enabled"] = { "com.apple.control-center.CameraModule", "com.example.notes",
        "com.laughingquoll.noctis.toggle" };
    auto changed = put(profile);
    ASSERT_EQ(changed.status, 200) << changed.body;
    EXPECT_EQ(nlohmann::json::parse(changed.body)["enabled"], profile["enabled"]);

    auto titles = screenTitles();
    for (const char* title : { "Notes", "Noctis", "Camera" })
        EXPECT_NE(std::find(titles.begin(), titles.end(), title), titles.end()) << title;
    EXPECT_EQ(std::find(titles.begin(), titles.end(), "Timer"), titles.end())
        << "the open Toggles page lists the new modules only";
    EXPECT_EQ(previewNames(), (std::vector<std::string> { "Camera", "Notes", "Noctis" }));
    EXPECT_EQ(
        device.read("/var/mobile/Library/Preferences/com.tarrowvine.quillane.plist"), settings)
        << "the settings are not touched";
    EXPECT_EQ(nlohmann::json::parse(request(port, get(server, "/api/screen")).body)
                  .value("history", nlohmann::json::object())
                  .dump(),
        history)
        << "a device change is no step of the settings' history";

    struct Refusal {
        const char* what;
        std::string body;
        int status;
        const char* message;
    };
    auto withVersion = profile;
    withVersion["systemVersion"] = "9.3";
    auto unknown = profile;
    unknown["enabled"].push_back("com.example.none");
    const std::vector<Refusal> refusals {
        { "not JSON", "{", 400, "JSON object" },
        { "a version out of range", withVersion.dump(), 400, "11.0 to 17.x" },
        { "an unknown module", unknown.dump(), 400, "com.example.none" },
    };
    std::string configuration
        = device.read("/var/mobile/Library/ControlCenter/ModuleConfiguration.plist");
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        auto answer
            = request(port, call(server, "PUT", "/api/device", refusal.body, "application/json"));
        EXPECT_EQ(answer.status, refusal.status);
        auto error = nlohmann::json::parse(answer.body, nullptr, false);
        ASSERT_TRUE(error.is_object()) << answer.body;
        EXPECT_NE(error.value("error", "").find(refusal.message), std::string::npos) << answer.body;
        EXPECT_EQ(device.read("/var/mobile/Library/ControlCenter/ModuleConfiguration.plist"),
            configuration);
    }

    // Something presented over the page holds the device as it is.
    send({ { "event", "back" } });
    send({ { "event", "tap" }, { "row", { { "title", "Connectivity" } } } });
    send({ { "event", "tap" }, { "row", { { "key", "wifiEnabled" } } } });
    auto busy = put(profile);
    EXPECT_EQ(busy.status, 409) << busy.body;
}

// Sharing with a phone: the server also listens on the local network, where only the view
// secret of the sharing counts and lets in nothing but the picture and the themes. Runs only
// in the network namespace that tests/support/in-network-namespace.sh makes.
TEST(PhoneSharing, TheViewSecretOnlyViewsAndTheUsersSecretStaysOnThisMachine)
{
    const char* lan = std::getenv("QLN_LAN_ADDRESS");
    if (!lan)
        GTEST_SKIP() << "needs the network namespace of tests/support/in-network-namespace.sh";
    ScriptDevice device;
    Server server(device, { "--phone" });
    // "Quillane on your phone: http://192.0.2.1:PORT/phone?view=SECRET"
    const std::string prefix = "Quillane on your phone: http://" + std::string(lan) + ":";
    ASSERT_TRUE(server.phoneLine().starts_with(prefix)) << server.phoneLine();
    int port = std::stoi(server.phoneLine().substr(prefix.size()));
    std::string view = server.phoneLine().substr(server.phoneLine().find("view=") + 5);
    ASSERT_EQ(view.size(), 48u);
    const std::string host = "Host: " + std::string(lan) + ":" + std::to_string(port) + "\r\n";
    const std::string cookie
        = "Cookie: quillane-view-" + std::to_string(server.port()) + "=" + view + "\r\n";
    auto onLan = [&](const std::string& method, const std::string& path,
                     const std::string& credentials, const std::string& body = {}) {
        return request(port,
            method + " " + path + " HTTP/1.1\r\n" + host + "Connection: close\r\n" + credentials
                + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body,
            lan);
    };

    struct Case {
        const char* method;
        const char* path;
        const char* body;
        int status;
    };
    const Case cases[] = {
        // What the phone's page needs.
        { "GET", "/phone", "", 200 },
        { "GET", "/phone.js", "", 200 },
        { "GET", "/preview.css", "", 200 },
        { "GET", "/api/preview", "", 200 },
        { "GET", "/api/presets", "", 200 },
        { "GET", "/api/exchange", "", 200 },
        { "GET", "/api/exchange?preset=Nothing", "", 404 },
        { "GET", "/api/exchange?preset=..%2F..%2Fx", "", 400 },
        // Everything else, whatever it would read or change.
        { "POST", "/api/event", R"({"event":"open"})", 403 },
        { "GET", "/api/screen", "", 403 },
        { "GET", "/api/preview?preset=A", "", 403 },
        { "POST", "/api/preview", R"({"appearance":"dark"})", 403 },
        { "GET", "/api/device", "", 403 },
        { "PUT", "/api/device", "{}", 403 },
        { "GET", "/api/wallpaper", "", 403 },
        { "POST", "/api/wallpaper", "x", 403 },
        { "DELETE", "/api/wallpaper", "", 403 },
        { "POST", "/api/wallpaper/theme", "", 403 },
        { "POST", "/api/theme-from-colour", R"({"colour":"coral","harmony":"analogous"})", 403 },
        { "GET", "/api/presets/file?name=A", "", 403 },
        { "POST", "/api/presets/file?name=A", "<dict/>", 403 },
        { "GET", "/api/phone", "", 403 },
        { "POST", "/api/phone", R"({"share":false})", 403 },
        { "GET", "/device/Library/PreferenceBundles/Quillane.bundle/banner.png", "", 403 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path);
        EXPECT_EQ(onLan(c.method, c.path, cookie, c.body).status, c.status);
    }
    // The view secret in the address is traded for its cookie, and leaves the address bar.
    auto entry = onLan("GET", "/phone?view=" + view, "");
    EXPECT_EQ(entry.status, 303);
    EXPECT_NE(entry.head.find("Location: /phone"), std::string::npos) << entry.head;
    // The exchange string of the settings in use, as the Presets page's Export makes it.
    auto exchange = onLan("GET", "/api/exchange", cookie);
    EXPECT_NE(exchange.body.find(R"("exchange":"UXVpbGxhbmU6)"), std::string::npos);

    // The user's secret never counts off this machine; nothing at all gets in without one.
    EXPECT_EQ(onLan("GET", "/api/screen", bearer(server)).status, 401);
    EXPECT_EQ(
        onLan("GET", "/api/screen",
            "Cookie: quillane-" + std::to_string(server.port()) + "=" + server.token() + "\r\n")
            .status,
        401);
    EXPECT_EQ(onLan("GET", "/api/preview", "").status, 401);
    // Another name for the address is no name of this server.
    EXPECT_EQ(request(port,
                  "GET /api/preview HTTP/1.1\r\nHost: evil.example:" + std::to_string(port)
                      + "\r\nConnection: close\r\n" + cookie + "\r\n",
                  lan)
                  .status,
        421);
    // On this machine the view secret views and no more.
    EXPECT_EQ(request(server.port(), get(server, "/api/screen", cookie)).status, 403);
    EXPECT_EQ(request(server.port(), get(server, "/api/preview", cookie)).status, 200);

    // A new sharing has a new secret, and the old one is dead.
    auto restart = [&](const char* body) {
        return request(server.port(),
            "POST /api/phone HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port())
                + "\r\nConnection: close\r\n" + bearer(server)
                + "Content-Length: " + std::to_string(std::strlen(body)) + "\r\n\r\n" + body);
    };
    EXPECT_EQ(restart(R"({"share":false})").status, 200);
    EXPECT_EQ(onLan("GET", "/api/preview", cookie).status, 0) << "nothing listens there any more";
    auto again = restart(R"({"share":true})");
    EXPECT_EQ(again.status, 200);
    EXPECT_EQ(again.body.find(view), std::string::npos);
    auto address = again.body.find("http://" + std::string(lan) + ":");
    ASSERT_NE(address, std::string::npos) << again.body;
    int newPort = std::stoi(again.body.substr(address + 8 + std::strlen(lan)));
    EXPECT_EQ(request(newPort,
                  "GET /api/preview HTTP/1.1\r\nHost: " + std::string(lan) + ":"
                      + std::to_string(newPort) + "\r\nConnection: close\r\n" + cookie + "\r\n",
                  lan)
                  .status,
        401);
}
