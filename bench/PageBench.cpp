// Page builds: every shipped page opened through the host's session as a user opens it, with
// the parses it makes counted; and how the cost grows with the settings file, the presets, the
// rows of a page and the enabled modules.
#include "BenchSupport.hpp"
#include "foundation/Device.hpp"
#include "foundation/PropertyList.hpp"
#include "host/Session.hpp"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

namespace fs = std::filesystem;

const std::string kOpen = R"({"event":"open"})";
const std::string kBack = R"({"event":"back"})";

std::string tapTitle(const std::string& title)
{
    return R"({"event":"tap","row":{"title":")" + title + R"("}})";
}

int countRows(const std::string& screen)
{
    int rows = 0;
    for (auto at = screen.find("\"index\":"); at != std::string::npos;
         at = screen.find("\"index\":", at + 1))
        ++rows;
    return rows;
}

// A page and the titles of the link rows that lead to it from the root page.
struct Route {
    std::string name;
    std::vector<std::string> titles;
};

const std::vector<Route>& shippedPages()
{
    static const std::vector<Route> routes {
        { "Root", {} },
        { "Presets", { "Presets" } },
        { "Connectivity", { "Connectivity" } },
        { "ConnectivityOrder", { "Connectivity", "Rearrange Toggles" } },
        { "Toggles", { "Toggles" } },
        { "MediaControls", { "Media Controls" } },
        { "Sliders", { "Sliders" } },
        { "Misc", { "Miscellaneous" } },
        { "PrysmBattery", { "Battery" } },
        { "PrysmPower", { "Power Menu" } },
        { "PrysmWeather", { "Weather" } },
        { "PowerModule", { "PowerModule" } },
        { "BetterCCXI", { "BetterCCXI" } },
    };
    return routes;
}

// A device laid out when a selected benchmark first needs it, so that a filtered run does not
// lay out ten thousand presets it will not open.
class LazyDevice {
public:
    explicit LazyDevice(std::function<fs::path()> make)
        : m_make(std::make_shared<std::function<fs::path()>>(std::move(make)))
        , m_path(std::make_shared<std::optional<fs::path>>())
    {
    }
    const fs::path& get() const
    {
        if (!*m_path)
            *m_path = (*m_make)();
        return **m_path;
    }

private:
    std::shared_ptr<std::function<fs::path()>> m_make;
    std::shared_ptr<std::optional<fs::path>> m_path;
};

struct Reads {
    std::uint64_t parses { 0 };
    std::uint64_t bytes { 0 };
    static Reads now() { return { fw::propertyListParseCount(), fw::propertyListParsedBytes() }; }
    Reads operator-(const Reads& other) const
    {
        return { parses - other.parses, bytes - other.bytes };
    }
};

// Opens the page (its last step is the one timed), then leaves it again untimed.
void buildPage(benchmark::State& state, LazyDevice device, Route route)
{
    host::Session session(device.get());
    // The first opening greets the user with an alert.
    if (session.handle(kOpen).screen.find(R"("modal":null)") == std::string::npos)
        session.handle(R"({"event":"alert","button":"OK"})");
    std::string enter = kOpen;
    if (route.titles.empty()) {
        session.handle(kBack);
    } else {
        for (std::size_t i = 0; i + 1 < route.titles.size(); ++i)
            session.handle(tapTitle(route.titles[i]));
        enter = tapTitle(route.titles.back());
    }
    Reads total;
    std::string screen;
    for (auto _ : state) {
        Reads before = Reads::now();
        auto answer = session.handle(enter);
        Reads made = Reads::now() - before;
        total.parses += made.parses;
        total.bytes += made.bytes;
        if (!answer.applied) {
            state.SkipWithError(answer.screen.substr(0, 400).c_str());
            break;
        }
        state.PauseTiming();
        screen = std::move(answer.screen);
        session.handle(kBack);
        state.ResumeTiming();
    }
    // What writing the screen alone reads again, with the page and its cells already built.
    session.handle(enter);
    Reads before = Reads::now();
    session.screen();
    Reads screenReads = Reads::now() - before;
    auto perBuild = [&](std::uint64_t value) {
        return static_cast<double>(value) / static_cast<double>(state.iterations());
    };
    state.counters["parses"] = perBuild(total.parses);
    state.counters["bytes_read"] = perBuild(total.bytes);
    state.counters["screen_parses"] = static_cast<double>(screenReads.parses);
    state.counters["rows"] = countRows(screen);
}

// One read of the settings file as every getter makes it: the whole file, parsed.
void readSettingsFile(benchmark::State& state, LazyDevice lazy)
{
    const fs::path& device = lazy.get();
    fw::Device::setRoot(device);
    for (auto _ : state) {
        auto settings = fw::dictionaryWithContentsOfFile(
            "/var/mobile/Library/Preferences/com.tarrowvine.quillane.plist");
        if (!settings)
            state.SkipWithError("unreadable settings");
        benchmark::DoNotOptimize(settings);
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(bench::settingsFileOf(device)));
}

fs::path deviceWithSettings(const std::string& name, std::size_t keys, bool allTweaks = true)
{
    auto device = bench::newDevice(name, { allTweaks, std::nullopt });
    bench::writeFile(
        bench::settingsFileOf(device), fw::xmlPropertyList(bench::settingsWithKeys(keys)));
    return device;
}

void registerShippedPages()
{
    LazyDevice device([] { return deviceWithSettings("pages", 300); });
    // With Prysm installed the order of the connectivity toggles is Prysm's to set.
    LazyDevice withoutPrysm([] { return deviceWithSettings("pages-without-prysm", 300, false); });
    benchmark::RegisterBenchmark("unit/settings300-read", readSettingsFile, device);
    for (auto& route : shippedPages()) {
        bool needsNoPrysm = route.name == "ConnectivityOrder";
        // The unit of each page's budget, timed just before it: a shared machine's load drifts.
        benchmark::RegisterBenchmark(("unit/before/" + route.name).c_str(), readSettingsFile,
            needsNoPrysm ? withoutPrysm : device);
        benchmark::RegisterBenchmark(
            ("page/" + route.name).c_str(), buildPage, needsNoPrysm ? withoutPrysm : device, route);
    }
}

// ---- Scale ----

void registerKeyScale()
{
    for (std::size_t keys : { 100, 1000, 10000, 100000 }) {
        LazyDevice device(
            [keys] { return deviceWithSettings("keys" + std::to_string(keys), keys); });
        benchmark::RegisterBenchmark(
            ("scale/keys/" + std::to_string(keys) + "/read").c_str(), readSettingsFile, device);
        benchmark::RegisterBenchmark(
            ("scale/keys/" + std::to_string(keys) + "/Connectivity").c_str(), buildPage, device,
            Route { "Connectivity", { "Connectivity" } });
    }
}

fs::path deviceWithPresets(int count)
{
    auto device = deviceWithSettings("presets" + std::to_string(count), 300);
    std::string preset = bench::readFile(bench::bundleResources() / "defaults.plist");
    auto folder = device / "var/mobile/Library/Preferences/com.tarrowvine.quillane.presets";
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Preset %05d.plist", i);
        bench::writeFile(folder / name, preset);
    }
    return device;
}

void registerPresetScale()
{
    for (int count : { 10, 100, 1000, 10000 }) {
        LazyDevice device([count] { return deviceWithPresets(count); });
        benchmark::RegisterBenchmark(("scale/presets/" + std::to_string(count)).c_str(), buildPage,
            device, Route { "Presets", { "Presets" } });
    }
}

// A layout file of `rows` colour rows in groups of ten, keyed by the settings file's keys.
std::string generatedLayout(int rows)
{
    auto settings = bench::settingsWithKeys(300);
    std::vector<std::string> keys;
    for (auto& [key, value] : settings) {
        if (value.asString() && value.asString()->starts_with("#"))
            keys.push_back(key);
    }
    fw::Array items;
    for (int i = 0; i < rows; ++i) {
        if (i % 10 == 0)
            items.push_back(fw::Dictionary { { "cell", fw::Value("PSGroupCell") },
                { "label", fw::Value("Group " + std::to_string(i / 10)) } });
        items.push_back(fw::Dictionary { { "cell", fw::Value("PSLinkCell") },
            { "cellClass", fw::Value("QLNColorPicker") },
            { "label", fw::Value("Colour " + std::to_string(i)) },
            { "key", fw::Value(keys[static_cast<std::size_t>(i) % keys.size()]) },
            { "defaults", fw::Value("com.tarrowvine.quillane") } });
    }
    return fw::xmlPropertyList(
        fw::Dictionary { { "title", fw::Value("Miscellaneous") }, { "items", fw::Value(items) } });
}

void registerRowScale()
{
    for (int rows : { 10, 100, 1000, 10000 }) {
        LazyDevice device([rows] {
            auto device = deviceWithSettings("rows" + std::to_string(rows), 300);
            bench::writeFile(bench::bundleDirOf(device) / "Misc.plist", generatedLayout(rows));
            return device;
        });
        benchmark::RegisterBenchmark(("scale/rows/" + std::to_string(rows)).c_str(), buildPage,
            device, Route { "Misc", { "Miscellaneous" } });
    }
}

// `count` enabled third-party modules, each a bundle with its Info.plist.
fs::path deviceWithModules(int count)
{
    auto device = deviceWithSettings("modules" + std::to_string(count), 300);
    fw::Array identifiers;
    for (int i = 0; i < count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%05d", i);
        std::string identifier = std::string("com.example.bench.module") + number;
        auto bundle = device / "Library/ControlCenter/Bundles"
            / ("BenchModule" + std::string(number) + ".bundle");
        fw::Dictionary info { { "CFBundleIdentifier", fw::Value(identifier) },
            { "CFBundleDisplayName", fw::Value("Module " + std::string(number)) } };
        bench::writeFile(bundle / "Info.plist", fw::xmlPropertyList(info));
        identifiers.push_back(fw::Value(identifier));
    }
    fw::Dictionary configuration { { "module-identifiers", fw::Value(identifiers) } };
    bench::writeFile(device / "var/mobile/Library/ControlCenter/ModuleConfiguration.plist",
        fw::xmlPropertyList(configuration));
    return device;
}

void registerModuleScale()
{
    for (int count : { 10, 100, 1000 }) {
        LazyDevice device([count] { return deviceWithModules(count); });
        benchmark::RegisterBenchmark(("scale/modules/" + std::to_string(count)).c_str(), buildPage,
            device, Route { "Toggles", { "Toggles" } });
    }
}

} // namespace

int main(int argc, char** argv)
{
    registerShippedPages();
    registerKeyScale();
    registerPresetScale();
    registerRowScale();
    registerModuleScale();
    return bench::runBenchmarks(argc, argv);
}
