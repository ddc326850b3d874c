// The history's cost: a row write with and without it (host CPU and durable writes), undo and
// redo including their durable writes, and the history's size on disk after many row writes
// on a 300-key settings file.
#include "BenchSupport.hpp"
#include "foundation/Device.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "history/History.hpp"
#include "store/Settings.hpp"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kKeys = 300;

double percentile99(const std::vector<double>& values)
{
    if (values.empty())
        return 0;
    auto sorted = values;
    std::sort(sorted.begin(), sorted.end());
    auto rank = static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(sorted.size()))) - 1;
    return sorted[std::min(rank, sorted.size() - 1)];
}

// A device with a 300-key settings file and a row that each write sets to the next colour.
struct RowWriter {
    fw::Dictionary settings = bench::settingsWithKeys(kKeys);
    std::string key = bench::shippedColourKeys().front();
    std::size_t next { 0 };

    explicit RowWriter(std::string_view name)
    {
        fw::Device::setRoot(bench::newDevice(name));
        write();
    }
    // What the bundle's setter does for one row: the whole file, written durably.
    void write()
    {
        settings[key] = fw::Value(bench::colourValue(next++));
        fw::NSFileManager::defaultManager().writeAtomically(
            qln::settingsFile, fw::xmlPropertyList(settings));
    }
    void recordedWrite()
    {
        auto& history = history::History::shared();
        history.begin();
        write();
        history.finish([](const history::ChangeSet&) { return history::StepName { "Row", {} }; });
    }
};

void rowWrite(benchmark::State& state, bool withHistory)
{
    static RowWriter plain("history-plain");
    static RowWriter recorded("history-recorded");
    auto& writer = withHistory ? recorded : plain;
    fw::Device::setRoot(
        bench::scratchDirectory() / (withHistory ? "history-recorded" : "history-plain"));
    for (auto _ : state) {
        double cpu = bench::processCpuSeconds();
        withHistory ? writer.recordedWrite() : writer.write();
        state.SetIterationTime(bench::processCpuSeconds() - cpu);
    }
    state.counters["durable_writes"] = withHistory ? 2 : 1;
}

void move(benchmark::State& state, bool backwards)
{
    static RowWriter writer("history-moves");
    fw::Device::setRoot(bench::scratchDirectory() / "history-moves");
    auto& history = history::History::shared();
    auto step = [&](bool undo) {
        history.begin();
        auto moved = undo ? history.undo() : history.redo();
        history.finish([](const history::ChangeSet&) { return history::StepName {}; });
        return moved.label.has_value();
    };
    for (auto _ : state) {
        // Something to move over, made outside the measurement.
        if (backwards)
            writer.recordedWrite();
        else if (!step(true))
            writer.recordedWrite(), step(true);
        auto start = std::chrono::steady_clock::now();
        bool moved = step(backwards);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!moved)
            state.SkipWithError("nothing to move over");
    }
}

void sizeAfter(benchmark::State& state, int writes)
{
    for (auto _ : state) {
        RowWriter writer("history-size-" + std::to_string(writes));
        for (int i = 0; i < writes; ++i)
            writer.recordedWrite();
        state.counters["history_bytes"]
            = static_cast<double>(fs::file_size(history::History::filePath()));
        state.counters["settings_bytes"]
            = static_cast<double>(fs::file_size(fw::Device::resolve(qln::settingsFile)));
    }
}

void registerAll(int repetitions, int sizeWrites)
{
    for (bool withHistory : { false, true }) {
        benchmark::RegisterBenchmark(
            withHistory ? "history/rowWrite/with" : "history/rowWrite/without", rowWrite,
            withHistory)
            ->UseManualTime()
            ->Iterations(1)
            ->Repetitions(repetitions)
            ->ComputeStatistics("p99", percentile99)
            ->Unit(benchmark::kMillisecond);
    }
    for (bool backwards : { true, false }) {
        benchmark::RegisterBenchmark(backwards ? "history/undo" : "history/redo", move, backwards)
            ->UseManualTime()
            ->Iterations(1)
            ->Repetitions(repetitions)
            ->ComputeStatistics("p99", percentile99)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark(
        ("history/size/" + std::to_string(sizeWrites) + "writes").c_str(), sizeAfter, sizeWrites)
        ->Iterations(1)
        ->Repetitions(1)
        ->Unit(benchmark::kSecond);
}

} // namespace

int main(int argc, char** argv)
{
    auto repetitions = bench::takeOption(argc, argv, "history_repetitions");
    auto writes = bench::takeOption(argc, argv, "history_size_writes");
    registerAll(repetitions ? std::stoi(*repetitions) : 200, writes ? std::stoi(*writes) : 10000);
    return bench::runBenchmarks(argc, argv);
}
