// Reading and writing property lists: the project's reader and writer beside libplist's, on
// the same bytes. The files are also left in --data_dir for the plistlib comparison.
#include "BenchSupport.hpp"
#include "foundation/PropertyList.hpp"

#include <benchmark/benchmark.h>
#include <iostream>
#include <memory>
#include <plist/plist.h>

namespace {

namespace fs = std::filesystem;

struct Sample {
    std::string name;
    std::string xml;
    std::string binary;
};

std::string toBinary(const std::string& xml)
{
    plist_t root = nullptr;
    plist_from_xml(xml.data(), static_cast<std::uint32_t>(xml.size()), &root);
    if (!root)
        throw std::runtime_error("libplist cannot read a generated file");
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    std::string binary(bytes, length);
    plist_to_bin_free(bytes);
    plist_free(root);
    return binary;
}

Sample sample(std::string name, std::string xml)
{
    std::string binary = toBinary(xml);
    return { std::move(name), std::move(xml), std::move(binary) };
}

void readQuillane(benchmark::State& state, const std::string& bytes)
{
    for (auto _ : state) {
        auto value = fw::parsePropertyList(bytes);
        if (!value)
            state.SkipWithError("unreadable");
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

template <void (*Parse)(const char*, std::uint32_t, plist_t*)>
void readLibplist(benchmark::State& state, const std::string& bytes)
{
    for (auto _ : state) {
        plist_t root = nullptr;
        Parse(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
        if (!root)
            state.SkipWithError("unreadable");
        benchmark::DoNotOptimize(root);
        plist_free(root);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

void writeQuillane(benchmark::State& state, const std::string& xml)
{
    auto value = fw::parsePropertyList(xml);
    for (auto _ : state) {
        auto bytes = fw::xmlPropertyList(*value);
        benchmark::DoNotOptimize(bytes);
    }
}

void writeLibplist(benchmark::State& state, const std::string& xml)
{
    plist_t root = nullptr;
    plist_from_xml(xml.data(), static_cast<std::uint32_t>(xml.size()), &root);
    for (auto _ : state) {
        char* bytes = nullptr;
        std::uint32_t length = 0;
        plist_to_xml(root, &bytes, &length);
        benchmark::DoNotOptimize(bytes);
        plist_to_xml_free(bytes);
    }
    plist_free(root);
}

// Every sample stays alive for the benchmarks that capture it.
std::vector<std::unique_ptr<Sample>>& samples()
{
    static std::vector<std::unique_ptr<Sample>> all;
    return all;
}

void registerSample(const Sample& s, bool compare)
{
    using benchmark::RegisterBenchmark;
    RegisterBenchmark(("read/xml/" + s.name + "/quillane").c_str(), readQuillane, s.xml);
    if (!compare)
        return;
    RegisterBenchmark(
        ("read/xml/" + s.name + "/libplist").c_str(), readLibplist<plist_from_xml>, s.xml);
    RegisterBenchmark(("read/binary/" + s.name + "/quillane").c_str(), readQuillane, s.binary);
    RegisterBenchmark(
        ("read/binary/" + s.name + "/libplist").c_str(), readLibplist<plist_from_bin>, s.binary);
    RegisterBenchmark(("write/xml/" + s.name + "/quillane").c_str(), writeQuillane, s.xml);
    RegisterBenchmark(("write/xml/" + s.name + "/libplist").c_str(), writeLibplist, s.xml);
}

} // namespace

int main(int argc, char** argv)
{
    auto dataDir = bench::takeOption(argc, argv, "data_dir");
    auto& all = samples();
    all.push_back(std::make_unique<Sample>(
        sample("defaults", bench::readFile(bench::bundleResources() / "defaults.plist"))));
    all.push_back(std::make_unique<Sample>(
        sample("settings300", fw::xmlPropertyList(bench::settingsWithKeys(300)))));
    for (std::size_t keys : { 100, 1000, 10000, 100000 }) {
        all.push_back(std::make_unique<Sample>(sample(
            "keys" + std::to_string(keys), fw::xmlPropertyList(bench::settingsWithKeys(keys)))));
    }
    for (std::size_t i = 0; i < all.size(); ++i)
        registerSample(*all[i], i < 2);
    if (dataDir) {
        for (auto& s : all) {
            bench::writeFile(fs::path(*dataDir) / (s->name + ".plist"), s->xml);
            bench::writeFile(fs::path(*dataDir) / (s->name + ".bplist"), s->binary);
        }
    }
    return bench::runBenchmarks(argc, argv);
}
