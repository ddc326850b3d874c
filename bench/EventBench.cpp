// Interactions: every event type of the protocol, driven through `quillane script` and through
// the web server on a default device, one event per repetition so that the repetitions give
// the median and the 99th percentile. Beside them, what flushing a written file to disk costs.
#include "BenchSupport.hpp"
#include "Frontend.hpp"
#include "foundation/Device.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// One event measured, with what puts the host in the state it needs and takes it back, so every
// repetition starts from the root page with nothing presented.
struct Scenario {
    std::string name;
    std::vector<std::string> setup;
    std::string event;
    std::vector<std::string> teardown;
};

const std::string kColourRow = R"({"key":"airplaneEnabled"})";

std::string tap(const std::string& title)
{
    return R"({"event":"tap","row":{"title":")" + title + R"("}})";
}

const std::vector<Scenario>& scenarios()
{
    static const std::string back = R"({"event":"back"})";
    static const std::string noRespring = R"({"event":"alert","button":"No"})";
    static const std::vector<Scenario> all {
        { "open", { back }, R"({"event":"open"})", {} },
        { "tap", {}, tap("Connectivity"), { back } },
        { "back", { tap("Connectivity") }, back, {} },
        { "longPress", { tap("Connectivity") }, R"({"event":"longPress","row":)" + kColourRow + "}",
            { back } },
        // The switch asks whether to restart SpringBoard; the answer is not part of the event.
        { "switch", {}, R"({"event":"switch","row":{"key":"enabled"},"value":false})",
            { noRespring, R"({"event":"switch","row":{"key":"enabled"},"value":true})",
                noRespring } },
        { "segment", { tap("Sliders") },
            R"({"event":"segment","row":{"key":"slidersFillStyle"},"index":1})",
            { R"({"event":"segment","row":{"key":"slidersFillStyle"},"index":0})", back } },
        { "alert", { tap("Reset All Settings") }, R"({"event":"alert","button":"Cancel"})", {} },
        { "pick", { tap("Connectivity"), R"({"event":"tap","row":)" + kColourRow + "}" },
            R"({"event":"pick","color":"#336699:0.5"})", { R"({"event":"closePicker"})", back } },
        { "closePicker",
            { tap("Connectivity"), R"({"event":"tap","row":)" + kColourRow + "}",
                R"({"event":"pick","color":"#336699:0.5"})" },
            R"({"event":"closePicker"})", { back } },
        { "barButton",
            { R"({"event":"switch","row":{"key":"enabled"},"value":true})", noRespring,
                tap("Presets") },
            R"({"event":"barButton"})", { back } },
        { "move", { tap("Connectivity"), tap("Rearrange Toggles") },
            R"({"event":"move","from":1,"to":2})",
            { R"({"event":"move","from":2,"to":1})", back, back } },
        { "settle", {}, R"({"event":"settle","ms":1000})", {} },
        { "pasteboard", {}, R"({"event":"pasteboard","string":"#336699:0.5"})", {} },
        { "notify", { tap("Presets") },
            R"({"event":"notify","center":"distributed","name":"com.tarrowvine.quillane/presetChanged"})",
            { back } },
    };
    return all;
}

// File changes an answer reports.
int writesIn(const std::string& screen)
{
    int writes = 0;
    for (const char* op : { R"("op":"write")", R"("op":"copy")", R"("op":"remove")" }) {
        for (auto at = screen.find(op); at != std::string::npos; at = screen.find(op, at + 1))
            ++writes;
    }
    return writes;
}

bool isError(const std::string& screen)
{
    return screen.find(R"("error":)") != std::string::npos;
}

// The default device, opened once with a current preset so that Save has something to save.
fs::path eventDevice()
{
    static fs::path device = [] {
        auto root = bench::newDevice("events");
        bench::ScriptFrontend script(bench::quillaneProgram(), root);
        for (const char* line : { R"({"event":"open"})", R"({"event":"alert","button":"OK"})",
                 R"({"event":"tap","row":{"title":"Presets"}})",
                 R"({"event":"tap","row":{"title":"New Preset"}})",
                 R"({"event":"alert","button":"Save","text":["Bench"]})", R"({"event":"back"})",
                 R"({"event":"back"})" })
            script.send(line);
        script.process().finish();
        return root;
    }();
    return device;
}

template <class Kind> bench::Frontend& frontend()
{
    static std::unique_ptr<bench::Frontend> running = [] {
        auto made = std::make_unique<Kind>(bench::quillaneProgram(), eventDevice());
        auto answer = made->send(R"({"event":"open"})");
        if (answer.find(R"("modal":null)") == std::string::npos)
            made->send(R"({"event":"alert","button":"OK"})");
        return made;
    }();
    return *running;
}

void sendAll(bench::Frontend& host, const std::vector<std::string>& events, benchmark::State& state)
{
    for (auto& event : events) {
        auto answer = host.send(event);
        if (isError(answer))
            state.SkipWithError(
                ("setup failed: " + event + " -> " + answer.substr(0, 300)).c_str());
    }
}

template <class Kind> void interact(benchmark::State& state, const Scenario& scenario)
{
    auto& host = frontend<Kind>();
    auto& process = host.process();
    double cpu = 0;
    int writes = 0;
    for (auto _ : state) {
        sendAll(host, scenario.setup, state);
        process.waitUntilIdle();
        double cpuBefore = process.cpuSeconds();
        auto start = std::chrono::steady_clock::now();
        auto answer = host.send(scenario.event);
        auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        process.waitUntilIdle();
        cpu += process.cpuSeconds() - cpuBefore;
        writes += writesIn(answer);
        if (isError(answer))
            state.SkipWithError((scenario.event + " -> " + answer.substr(0, 300)).c_str());
        sendAll(host, scenario.teardown, state);
    }
    auto iterations = static_cast<double>(state.iterations());
    state.counters["host_cpu_ms"] = cpu * 1e3 / iterations;
    state.counters["writes"] = writes / iterations;
}

double percentile99(const std::vector<double>& values)
{
    if (values.empty())
        return 0;
    auto sorted = values;
    std::sort(sorted.begin(), sorted.end());
    auto rank = static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(sorted.size()))) - 1;
    return sorted[std::min(rank, sorted.size() - 1)];
}

// ---- Flushing to disk ----

// The atomic write without its two flushes (file and directory): the same temporary file,
// write and rename.
bool writeWithoutFlush(const fs::path& target, std::string_view bytes)
{
    std::string name(1, '.');
    name.append(target.filename().native());
    name.append(".bench-tmp");
    fs::path temporary = target.parent_path() / name;
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return written && ::rename(temporary.c_str(), target.c_str()) == 0;
}

void writeFile(benchmark::State& state, std::size_t keys, bool durable)
{
    fs::path root = bench::scratchDirectory() / "flush";
    fs::create_directories(root);
    fw::Device::setRoot(root);
    std::string bytes = fw::xmlPropertyList(bench::settingsWithKeys(keys));
    for (auto _ : state) {
        bool ok = durable
            ? fw::NSFileManager::defaultManager().writeAtomically("/settings.plist", bytes)
            : writeWithoutFlush(root / "settings.plist", bytes);
        if (!ok)
            state.SkipWithError("write failed");
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

void registerAll(int repetitions)
{
    for (auto& scenario : scenarios()) {
        for (bool web : { false, true }) {
            auto* run = web ? interact<bench::WebFrontend> : interact<bench::ScriptFrontend>;
            benchmark::RegisterBenchmark(
                ((web ? "event/web/" : "event/script/") + scenario.name).c_str(), run, scenario)
                ->UseManualTime()
                ->Iterations(1)
                ->Repetitions(repetitions)
                ->ComputeStatistics("p99", percentile99)
                ->Unit(benchmark::kMillisecond);
        }
    }
    // Flushing waits for the disk, not the processor: measured in real time.
    for (std::size_t keys : { 15, 300 }) {
        for (bool durable : { true, false }) {
            benchmark::RegisterBenchmark(
                ("write/" + std::string(durable ? "flushed/" : "unflushed/") + std::to_string(keys)
                    + "keys")
                    .c_str(),
                writeFile, keys, durable)
                ->UseRealTime()
                ->Unit(benchmark::kMicrosecond);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    auto repetitions = bench::takeOption(argc, argv, "event_repetitions");
    registerAll(repetitions ? std::stoi(*repetitions) : 200);
    return bench::runBenchmarks(argc, argv);
}
