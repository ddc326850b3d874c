// The web server under load: the user's requests while 256 connections trickle their heads,
// a thousand connections at once, and the server's memory after a burst of large uploads.
// Everything goes to 127.0.0.1 only.
#include "BenchSupport.hpp"
#include "Frontend.hpp"

#include <algorithm>
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <chrono>
#include <future>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

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

void sendAll(int fd, const std::string& bytes)
{
    for (std::size_t sent = 0; sent < bytes.size();) {
        auto count = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0)
            return;
        sent += static_cast<std::size_t>(count);
    }
}

// True once the answer's status line has arrived, within `ms`.
bool answered(int fd, int ms)
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
    return answer.starts_with("HTTP/1.1 200");
}

std::string get(const bench::WebFrontend& web, const std::string& path)
{
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(web.port())
        + "\r\nAuthorization: Bearer " + web.token() + "\r\n\r\n";
}

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

fs::path serverDevice()
{
    static fs::path device = bench::newDevice("server", { true, std::nullopt });
    return device;
}

// The user's GET /api/screen every 20 ms for 10 s, on its own kept-alive connection, while 256
// other connections each send one head line every 4.5 s.
void slowConnections(benchmark::State& state)
{
    for (auto _ : state) {
        bench::WebFrontend web(bench::quillaneProgram(), serverDevice());
        std::vector<int> slow;
        for (int i = 0; i < 256; ++i) {
            slow.push_back(connectTo(web.port()));
            sendAll(slow.back(), "GET /api/screen HTTP/1.1\r\n");
        }
        auto trickle = std::async(std::launch::async, [&] {
            for (int round = 0; round < 2; ++round) {
                std::this_thread::sleep_for(std::chrono::milliseconds(4500));
                for (int fd : slow)
                    sendAll(fd, "X-Slow: " + std::to_string(round) + "\r\n");
            }
        });
        std::vector<double> latencies;
        for (auto end = Clock::now() + std::chrono::seconds(10); Clock::now() < end;) {
            auto start = Clock::now();
            if (web.client().get("/api/screen").status != 200)
                state.SkipWithError("the user's request was not answered");
            latencies.push_back(millisecondsSince(start));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        trickle.get();
        for (int fd : slow)
            ::close(fd);
        state.counters["user_p50_ms"] = percentile(latencies, 0.5);
        state.counters["user_p99_ms"] = percentile(latencies, 0.99);
        state.counters["user_requests"] = static_cast<double>(latencies.size());
    }
}

// A thousand connections open at once, each with one request: from the first connect to each
// answer.
void parallelConnections(benchmark::State& state)
{
    constexpr int kConnections = 1000;
    for (auto _ : state) {
        bench::WebFrontend web(bench::quillaneProgram(), serverDevice());
        auto request = get(web, "/api/screen");
        auto start = Clock::now();
        std::vector<int> fds;
        for (int i = 0; i < kConnections; ++i) {
            fds.push_back(connectTo(web.port()));
            sendAll(fds.back(), request);
        }
        std::vector<double> latencies;
        for (int fd : fds) {
            if (answered(fd, 10000))
                latencies.push_back(millisecondsSince(start));
            ::close(fd);
        }
        state.counters["answered"] = static_cast<double>(latencies.size());
        state.counters["p50_ms"] = percentile(latencies, 0.5);
        state.counters["p99_ms"] = percentile(latencies, 0.99);
        state.counters["max_ms"] = percentile(latencies, 1.0);
    }
}

// Sixteen uploads of 32 MiB at once (not images: they are refused once read, which is the
// most the server holds of them), then the server's memory once they are answered.
void uploadBurst(benchmark::State& state)
{
    for (auto _ : state) {
        bench::WebFrontend web(bench::quillaneProgram(), serverDevice());
        web.client().get("/api/screen");
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        long idle = web.process().residentKiB();
        std::string body(32u << 20, 'j');
        std::vector<std::future<bool>> uploads;
        for (int i = 0; i < 16; ++i)
            uploads.push_back(std::async(std::launch::async, [&] {
                int fd = connectTo(web.port());
                sendAll(fd,
                    "POST /api/wallpaper HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(web.port())
                        + "\r\nAuthorization: Bearer " + web.token()
                        + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n");
                sendAll(fd, body);
                char buffer[256];
                bool refused = ::read(fd, buffer, sizeof buffer) > 12
                    && std::string_view(buffer, 12) == "HTTP/1.1 400";
                ::close(fd);
                return refused;
            }));
        int refused = 0;
        for (auto& upload : uploads)
            refused += upload.get();
        if (refused != 16)
            state.SkipWithError("not every upload was read and refused");
        std::this_thread::sleep_for(std::chrono::seconds(2));
        state.counters["rss_idle_kib"] = static_cast<double>(idle);
        state.counters["rss_after_kib"] = static_cast<double>(web.process().residentKiB());
        state.counters["rss_peak_kib"] = static_cast<double>(web.process().peakResidentKiB());
        web.process().terminate();
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::RegisterBenchmark("server/slow-connections", slowConnections)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("server/parallel-connections", parallelConnections)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("server/upload-burst", uploadBurst)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    return bench::runBenchmarks(argc, argv);
}
