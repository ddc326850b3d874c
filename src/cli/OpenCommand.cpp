#include "cli/OpenCommand.hpp"

#include "foundation/FileIO.hpp"
#include "web/Http.hpp"
#include "web/UserState.hpp"

#include <arpa/inet.h>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace cli {

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr int kAnswerTimeoutMs = 2000;
// The answers read here are a screen or a one-time address.
constexpr std::size_t kMaxAnswerBytes = 1u << 20;
constexpr std::string_view kAddressPrefix = "Quillane settings: ";

struct Address {
    int port { 0 };
    std::string token;
};

std::optional<Address> parseAddress(const std::string& url)
{
    constexpr std::string_view prefix = "http://127.0.0.1:";
    if (url.rfind(prefix, 0) != 0)
        return std::nullopt;
    Address address;
    std::size_t end = prefix.size();
    while (end < url.size() && std::isdigit(static_cast<unsigned char>(url[end])))
        address.port = address.port * 10 + (url[end++] - '0');
    if (auto token = url.find("token="); token != std::string::npos)
        address.token = url.substr(token + 6);
    if (address.port <= 0 || address.port > 65535)
        return std::nullopt;
    return address;
}

bool waitFor(int fd, short events)
{
    pollfd entry { fd, events, 0 };
    return ::poll(&entry, 1, kAnswerTimeoutMs) == 1;
}

struct Answer {
    int status { 0 };
    std::string body;
};

// One request to the server at the address, with its secret as a bearer token (never in a
// process's arguments); nullopt when nothing answers in time.
std::optional<Answer> askServer(
    const std::string& url, const std::string& method, const std::string& path)
{
    auto address = parseAddress(url);
    if (!address)
        return std::nullopt;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    sockaddr_in target {};
    target.sin_family = AF_INET;
    target.sin_port = htons(std::uint16_t(address->port));
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0) {
        auto request = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1:"
            + std::to_string(address->port) + "\r\nAuthorization: Bearer " + address->token
            + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size())) {
            char buffer[4096];
            while (answer.size() < kMaxAnswerBytes && waitFor(fd, POLLIN)) {
                auto got = ::recv(fd, buffer, sizeof buffer, 0);
                if (got <= 0)
                    break;
                answer.append(buffer, std::size_t(got));
            }
        }
    }
    ::close(fd);
    if (answer.rfind("HTTP/1.1 ", 0) != 0 || answer.size() < 12)
        return std::nullopt;
    auto split = answer.find("\r\n\r\n");
    return Answer { std::atoi(answer.c_str() + 9),
        split == std::string::npos ? std::string() : answer.substr(split + 4) };
}

// True when a Quillane server with that secret answers at the address: a port that another
// program took over since, or a server with another secret, does not count.
bool serverAnswers(const std::string& url)
{
    auto answer = askServer(url, "GET", "/api/screen");
    return answer && answer->status == 200;
}

std::string ownProgram()
{
    char path[PATH_MAX];
    auto length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return "quillane";
    return std::string(path, std::size_t(length));
}

// Runs a program with the caller's environment and waits for it; its output goes where ours
// goes unless `quiet`.
int runAndWait(const std::vector<std::string>& arguments, bool quiet)
{
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    pid_t child = 0;
    int error = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return 127;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

bool userServiceInstalled()
{
    return runAndWait({ "systemctl", "--user", "cat", "quillane.service" }, true) == 0;
}

// Starts `quillane serve` in a session of its own, so it outlives this command, and reads the
// address it prints. Its messages go to a log in the state directory.
std::optional<std::string> startDetachedServer()
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return std::nullopt;
    auto log = (web::userStateDir() / "serve.log").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    auto program = ownProgram();
    std::string serve = "serve";
    char* argv[] = { program.data(), serve.data(), nullptr };
    pid_t child = 0;
    int error = ::posix_spawn(&child, program.c_str(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pipeFds[1]);
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (error == 0 && line.find('\n') == std::string::npos
        && std::chrono::steady_clock::now() < deadline && waitFor(pipeFds[0], POLLIN)) {
        char buffer[256];
        auto got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        line.append(buffer, std::size_t(got));
    }
    ::close(pipeFds[0]);
    // The server lives on in its own session; its exit is reaped by init.
    if (line.rfind(kAddressPrefix, 0) != 0 || line.find('\n') == std::string::npos)
        return std::nullopt;
    return line.substr(kAddressPrefix.size(), line.find('\n') - kAddressPrefix.size());
}

std::optional<std::string> waitForRecordedServer()
{
    auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (auto url = web::recordedServerAddress(); url && serverAnswers(*url))
            return url;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::nullopt;
}

std::optional<std::string> runningServer()
{
    if (auto url = web::recordedServerAddress(); url && serverAnswers(*url))
        return url;
    if (web::userRuntimeDir() && userServiceInstalled()) {
        std::cerr << "quillane: starting the settings server (quillane.service)\n";
        if (runAndWait({ "systemctl", "--user", "start", "quillane.service" }, false) == 0)
            return waitForRecordedServer();
    }
    std::cerr << "quillane: starting the settings server\n";
    return startDetachedServer();
}

// Where the browser is sent: a page only the user can read, so that the one-time address never
// shows in the browser's arguments, which every account can read while it runs.
std::filesystem::path writeOpenerPage(const std::string& oneTimeAddress)
{
    auto folder = web::userRuntimeDir().value_or(web::userStateDir());
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    auto page = folder / "open.html";
    auto html = "<!doctype html><meta charset=\"utf-8\"><meta http-equiv=\"refresh\" "
                "content=\"0;url="
        + oneTimeAddress + "\"><meta name=\"referrer\" content=\"no-referrer\">"
        + "<title>Quillane settings</title><p><a href=\"" + oneTimeAddress
        + "\">Open the settings</a></p>\n";
    if (!fw::writePrivateFileAtomically(page, html))
        throw std::runtime_error("cannot write " + page.string());
    return page;
}

int openInBrowser(const std::string& url)
{
    auto answer = askServer(url, "POST", "/api/access-code");
    auto json = nlohmann::json::parse(answer ? answer->body : "", nullptr, false);
    std::string address
        = json.is_object() && json.contains("address") && json["address"].is_string()
        ? json["address"].get<std::string>()
        : std::string();
    // It goes into a page as it is: only this machine's address, nothing that ends an attribute.
    if (!answer || answer->status != 200 || !address.starts_with("http://127.0.0.1:")
        || address.find_first_of("\"'<>& \\") != std::string::npos) {
        std::cerr << "quillane: the settings server gave no address to open; run quillane open "
                     "--print and open it yourself\n";
        return 1;
    }
    auto page = writeOpenerPage(address);
    std::string browser = "xdg-open";
    if (const char* chosen = std::getenv("BROWSER"); chosen && *chosen) {
        browser = chosen;
        browser = browser.substr(0, browser.find(':'));
    }
    auto fileUrl = "file://" + web::percentEncoded(page.string(), "/");
    if (runAndWait({ browser, fileUrl }, false) == 0)
        return 0;
    std::cerr << "quillane: could not start a browser (" << browser
              << "); open this page yourself: " << fileUrl << "\n";
    return 1;
}

} // namespace

int runOpen(bool printOnly)
{
    auto url = runningServer();
    if (!url) {
        std::cerr << "quillane: the settings server did not start; see "
                  << (web::userStateDir() / "serve.log").string() << "\n";
        return 1;
    }
    if (printOnly) {
        std::cout << *url << "\n";
        return 0;
    }
    return openInBrowser(*url);
}

} // namespace cli
