#include "BenchSupport.hpp"

#include "device/DeviceSetup.hpp"
#include "foundation/PropertyList.hpp"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace bench {

namespace fs = std::filesystem;

fs::path sourceDir()
{
    return QLN_SOURCE_DIR;
}

fs::path bundleResources()
{
    return sourceDir() / "resources" / "Quillane.bundle";
}

std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const fs::path& file, std::string_view bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

std::string colourValue(std::size_t index)
{
    // A fixed walk through the colour space, so every run writes the same bytes.
    std::uint32_t rgb = static_cast<std::uint32_t>((index * 2654435761u) & 0xFFFFFF);
    char text[32];
    std::snprintf(text, sizeof text, "#%06X:%.6f", rgb, 0.25 + (index % 4) * 0.25);
    return text;
}

namespace {

void collectColourKeys(const fw::Value& value, std::vector<std::string>& keys)
{
    if (auto* array = value.asArray()) {
        for (auto& item : *array)
            collectColourKeys(item, keys);
        return;
    }
    auto* dictionary = value.asDictionary();
    if (!dictionary)
        return;
    auto* cellClass = fw::lookup(*dictionary, "cellClass");
    auto* key = fw::lookup(*dictionary, "key");
    if (cellClass && cellClass->asString() && *cellClass->asString() == "QLNColorPicker" && key
        && key->asString())
        keys.push_back(*key->asString());
    for (auto& [name, item] : *dictionary)
        collectColourKeys(item, keys);
}

} // namespace

std::vector<std::string> shippedColourKeys()
{
    std::vector<std::string> keys;
    for (auto& entry : fs::directory_iterator(bundleResources())) {
        if (entry.path().extension() != ".plist" || entry.path().filename() == "defaults.plist")
            continue;
        if (auto layout = fw::parsePropertyList(readFile(entry.path())))
            collectColourKeys(*layout, keys);
    }
    std::set<std::string> unique(keys.begin(), keys.end());
    return { unique.begin(), unique.end() };
}

fw::Dictionary settingsWithKeys(std::size_t keys)
{
    auto defaults = fw::parsePropertyList(readFile(bundleResources() / "defaults.plist"));
    fw::Dictionary settings = defaults ? *defaults->asDictionary() : fw::Dictionary {};
    std::size_t index = 0;
    for (auto& key : shippedColourKeys()) {
        if (settings.size() >= keys)
            break;
        settings[key] = fw::Value(colourValue(index++));
    }
    static const char* const kParts[] = { "Background", "Glyph", "Selected", "Text" };
    for (std::size_t n = 0; settings.size() < keys; ++n) {
        char key[64];
        std::snprintf(key, sizeof key, "module%05zu%sColour", n, kParts[n % 4]);
        settings[key] = fw::Value(colourValue(index++));
    }
    return settings;
}

std::optional<std::string> takeOption(int& argc, char** argv, std::string_view name)
{
    std::string prefix = "--" + std::string(name) + "=";
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (!argument.starts_with(prefix))
            continue;
        std::string value(argument.substr(prefix.size()));
        for (int j = i; j + 1 < argc; ++j)
            argv[j] = argv[j + 1];
        --argc;
        return value;
    }
    return std::nullopt;
}

namespace {

struct Scratch {
    fs::path path;
    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "qln-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a scratch directory");
        path = pattern;
    }
    ~Scratch()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

} // namespace

fs::path scratchDirectory()
{
    static Scratch scratch;
    return scratch.path;
}

fs::path newDevice(std::string_view name, const DeviceSpec& spec)
{
    fs::path root = scratchDirectory() / name;
    device::DeviceOptions options;
    options.prysm = options.powerModule = options.bcixWeather = options.ccRinger = options.noctis
        = spec.allTweaks;
    options.enabledModules = spec.enabledModules;
    device::initDevice(root, options, true);
    return root;
}

fs::path settingsFileOf(const fs::path& device)
{
    return device / "var/mobile/Library/Preferences/com.tarrowvine.quillane.plist";
}

fs::path bundleDirOf(const fs::path& device)
{
    return device / "Library/PreferenceBundles/Quillane.bundle";
}

double processCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

int runBenchmarks(int& argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
