// Footprint: how long `quillane` takes from start to its first screen, and how much memory the
// web server holds idle and after every page has been opened.
#include "BenchSupport.hpp"
#include "Frontend.hpp"

#include <benchmark/benchmark.h>
#include <chrono>
#include <thread>

namespace {

namespace fs = std::filesystem;

// A device whose first opening (the welcome) is behind it, with every tweak so that every page
// can be opened.
fs::path footprintDevice()
{
    static fs::path device = [] {
        auto root = bench::newDevice("footprint", { true, std::nullopt });
        bench::ScriptFrontend script(bench::quillaneProgram(), root);
        script.send(R"({"event":"open"})");
        script.send(R"({"event":"alert","button":"OK"})");
        script.process().finish();
        return root;
    }();
    return device;
}

// Start, one "open" event, its screen: what a user waits for before seeing the settings.
void firstScreen(benchmark::State& state)
{
    auto device = footprintDevice();
    double cpu = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        bench::ScriptFrontend script(bench::quillaneProgram(), device);
        auto answer = script.send(R"({"event":"open"})");
        auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        if (answer.find(R"("QLNRootListController")") == std::string::npos)
            state.SkipWithError("the first screen is not the root page");
        cpu += script.process().finish();
    }
    state.counters["host_cpu_ms"] = cpu * 1e3 / static_cast<double>(state.iterations());
}

std::string tap(const std::string& title)
{
    return R"({"event":"tap","row":{"title":")" + title + R"("}})";
}

void serveMemory(benchmark::State& state)
{
    auto device = footprintDevice();
    long idle = 0, afterPages = 0, peak = 0;
    for (auto _ : state) {
        bench::WebFrontend web(bench::quillaneProgram(), device);
        web.client().get("/api/screen");
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        idle = web.process().residentKiB();
        web.send(R"({"event":"open"})");
        for (const char* page :
            { "Presets", "Connectivity", "Toggles", "Media Controls", "Sliders", "Miscellaneous",
                "Battery", "Power Menu", "Weather", "PowerModule", "BetterCCXI" }) {
            web.send(tap(page));
            if (std::string(page) == "Connectivity") {
                web.send(tap("Rearrange Toggles"));
                web.send(R"({"event":"back"})");
            }
            web.send(R"({"event":"back"})");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        afterPages = web.process().residentKiB();
        peak = web.process().peakResidentKiB();
        web.process().terminate();
    }
    state.counters["rss_idle_kib"] = static_cast<double>(idle);
    state.counters["rss_pages_kib"] = static_cast<double>(afterPages);
    state.counters["rss_peak_kib"] = static_cast<double>(peak);
}

} // namespace

int main(int argc, char** argv)
{
    auto repetitions = bench::takeOption(argc, argv, "startup_repetitions");
    int count = repetitions ? std::stoi(*repetitions) : 30;
    benchmark::RegisterBenchmark("startup/first-screen", firstScreen)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(count)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("footprint/serve", serveMemory)->Iterations(1)->Repetitions(3);
    return bench::runBenchmarks(argc, argv);
}
