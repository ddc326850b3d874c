// The live preview while the picker drags: what the host does for one pick, from the event to
// the preview it pushes (the pick handled, the pending colour handed to the theming component,
// the palette resolved and written as JSON), on a device with every tweak and a colour stored
// under every key. One pick per repetition, so the repetitions give the median and the 95th
// percentile; process CPU time, as the host's share of the machine.
#include "BenchSupport.hpp"
#include "foundation/PropertyList.hpp"
#include "host/Session.hpp"
#include "theming/ThemingComponent.hpp"
#include "web/PreviewJson.hpp"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>

namespace {

struct PickingHost {
    std::unique_ptr<host::Session> session;
    theming::ThemingComponent theming;
};

PickingHost& pickingHost()
{
    static std::unique_ptr<PickingHost> running = [] {
        auto root = bench::newDevice("preview", { true, std::nullopt });
        bench::writeFile(bench::settingsFileOf(root),
            fw::xmlPropertyList(fw::Value(bench::settingsWithKeys(200))));
        auto made = std::make_unique<PickingHost>();
        made->session = std::make_unique<host::Session>(root);
        made->theming.start();
        for (const char* event : { R"({"event":"open"})", R"({"event":"alert","button":"OK"})",
                 R"({"event":"tap","row":{"title":"Connectivity"}})",
                 R"({"event":"tap","row":{"key":"wifiEnabled"}})" })
            made->session->handle(event);
        return made;
    }();
    return *running;
}

void pickAndPush(benchmark::State& state)
{
    auto& host = pickingHost();
    std::size_t index = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string event = R"({"event":"pick","color":")" + bench::colourValue(index++) + "\"}";
        double before = bench::processCpuSeconds();
        auto answer = host.session->handle(event);
        web::showPendingPick(*host.session, host.theming);
        std::string preview = web::previewJson(host.theming.palette());
        state.SetIterationTime(bench::processCpuSeconds() - before);
        if (!answer.applied || preview.find(R"("source":"pending")") == std::string::npos)
            state.SkipWithError("the pick did not reach the preview");
        bytes = preview.size();
        benchmark::DoNotOptimize(preview);
    }
    state.counters["preview_bytes"] = static_cast<double>(bytes);
}

double percentile95(const std::vector<double>& values)
{
    if (values.empty())
        return 0;
    auto sorted = values;
    std::sort(sorted.begin(), sorted.end());
    auto rank = static_cast<std::size_t>(std::ceil(0.95 * static_cast<double>(sorted.size()))) - 1;
    return sorted[std::min(rank, sorted.size() - 1)];
}

} // namespace

int main(int argc, char** argv)
{
    int repetitions = std::stoi(bench::takeOption(argc, argv, "picks").value_or("200"));
    benchmark::RegisterBenchmark("preview/pick_and_push", pickAndPush)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(repetitions)
        ->ComputeStatistics("p95", percentile95)
        ->Unit(benchmark::kMillisecond);
    return bench::runBenchmarks(argc, argv);
}
