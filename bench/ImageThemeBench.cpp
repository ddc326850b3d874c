// Themes from images: from a 12-megapixel JPEG's bytes to the written preset (wall time, in the
// process), and the whole `quillane theme-from-image` command on 12-megapixel JPEG, PNG and HEIC
// photos (wall time and peak resident memory of the command's process).
#include "BenchSupport.hpp"
#include "Frontend.hpp"
#include "foundation/Device.hpp"
#include "imagetheme/ImagePreset.hpp"

#include <benchmark/benchmark.h>
#include <chrono>
#include <map>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vips/vips.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

struct Unref {
    void operator()(VipsImage* image) const { g_object_unref(image); }
};
using ImagePtr = std::unique_ptr<VipsImage, Unref>;

template <typename Operation> ImagePtr make(Operation operation)
{
    VipsImage* image = nullptr;
    if (operation(&image))
        throw std::runtime_error(std::string("libvips: ") + vips_error_buffer());
    return ImagePtr(image);
}

// Smooth ramps with soft blotches of colour, so that the encoders compress it as they would a
// photograph (a few megabytes as JPEG), not as noise or as a flat area.
ImagePtr photoLike()
{
    ImagePtr xy = make([&](VipsImage** out) { return vips_xyz(out, kWidth, kHeight, nullptr); });
    ImagePtr x
        = make([&](VipsImage** out) { return vips_extract_band(xy.get(), out, 0, nullptr); });
    ImagePtr y
        = make([&](VipsImage** out) { return vips_extract_band(xy.get(), out, 1, nullptr); });
    ImagePtr red = make(
        [&](VipsImage** out) { return vips_linear1(x.get(), out, 200.0 / kWidth, 30.0, nullptr); });
    ImagePtr green = make([&](VipsImage** out) {
        return vips_linear1(y.get(), out, 150.0 / kHeight, 60.0, nullptr);
    });
    ImagePtr noise = make([&](VipsImage** out) {
        return vips_gaussnoise(out, kWidth, kHeight, "mean", 120.0, "sigma", 60.0, nullptr);
    });
    ImagePtr blue
        = make([&](VipsImage** out) { return vips_gaussblur(noise.get(), out, 3.0, nullptr); });
    VipsImage* bands[3] = { red.get(), green.get(), blue.get() };
    // Fine grain over everything, as a camera's sensor leaves it.
    ImagePtr grain = make([&](VipsImage** out) {
        return vips_gaussnoise(out, kWidth, kHeight, "mean", 0.0, "sigma", 6.0, nullptr);
    });
    ImagePtr joined = make([&](VipsImage** out) { return vips_bandjoin(bands, out, 3, nullptr); });
    ImagePtr grainy
        = make([&](VipsImage** out) { return vips_add(joined.get(), grain.get(), out, nullptr); });
    ImagePtr bytes
        = make([&](VipsImage** out) { return vips_cast_uchar(grainy.get(), out, nullptr); });
    return make([&](VipsImage** out) {
        return vips_copy(bytes.get(), out, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr);
    });
}

// The 12-megapixel photos, encoded once per run.
const fs::path& photo(const std::string& format)
{
    static std::map<std::string, fs::path> made;
    auto found = made.find(format);
    if (found != made.end())
        return found->second;
    if (VIPS_INIT("qln_bench_images") != 0)
        throw std::runtime_error("libvips did not start");
    fs::path file = bench::scratchDirectory() / ("photo12." + format);
    std::string target = file.string() + (format == "png" ? "" : "[Q=85]");
    ImagePtr image = photoLike();
    if (vips_image_write_to_file(image.get(), target.c_str(), nullptr))
        throw std::runtime_error(std::string("libvips: ") + vips_error_buffer());
    return made.emplace(format, file).first->second;
}

const fs::path& device()
{
    static fs::path root = bench::newDevice("images", { true, std::nullopt });
    return root;
}

void removePresets()
{
    std::error_code ignored;
    fs::remove_all(
        device() / "var/mobile/Library/Preferences/com.tarrowvine.quillane.presets", ignored);
}

// Bytes in memory to the preset on the device: decoding with shrink-on-load, quantising,
// mapping, writing durably.
void jpegBytesToPreset(benchmark::State& state)
{
    std::string bytes = bench::readFile(photo("jpg"));
    fw::Device::setRoot(device());
    double cpuBefore = bench::processCpuSeconds();
    for (auto _ : state) {
        state.PauseTiming();
        removePresets();
        state.ResumeTiming();
        benchmark::DoNotOptimize(imagetheme::createPresetFromImage(bytes, "Photo"));
    }
    // Every thread's time: libvips decodes on worker threads, and CPU time is what stays put
    // when other processes share the machine.
    state.counters["cpu_ms"] = benchmark::Counter(
        (bench::processCpuSeconds() - cpuBefore) * 1000, benchmark::Counter::kAvgIterations);
    state.counters["image_MiB"] = static_cast<double>(bytes.size()) / (1 << 20);
}
BENCHMARK(jpegBytesToPreset)->Unit(benchmark::kMillisecond)->UseRealTime();

// The command from start to exit, with its peak resident memory.
void command(benchmark::State& state, const std::string& format)
{
    const fs::path& image = photo(format);
    std::string program = bench::quillaneProgram().string();
    std::string root = device().string();
    std::string path = image.string();
    double peakKiB = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        removePresets();
        std::vector<char*> argv { program.data(), const_cast<char*>("theme-from-image"),
            const_cast<char*>("--root"), root.data(), path.data(), nullptr };
        auto start = std::chrono::steady_clock::now();
        pid_t child = 0;
        if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
            throw std::runtime_error("cannot start quillane");
        int status = 0;
        rusage usage {};
        wait4(child, &status, 0, &usage);
        auto elapsed = std::chrono::steady_clock::now() - start;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("theme-from-image failed");
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        peakKiB = std::max(peakKiB, static_cast<double>(usage.ru_maxrss));
        cpuSeconds += usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
            + usage.ru_stime.tv_usec / 1e6;
    }
    state.counters["peak_rss_MiB"] = peakKiB / 1024;
    state.counters["cpu_ms"]
        = benchmark::Counter(cpuSeconds * 1000, benchmark::Counter::kAvgIterations);
    state.counters["image_MiB"] = static_cast<double>(fs::file_size(image)) / (1 << 20);
}
BENCHMARK_CAPTURE(command, jpeg, std::string("jpg"))
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(command, png, std::string("png"))->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK_CAPTURE(command, heic, std::string("heic"))
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

} // namespace

int main(int argc, char** argv)
{
    return bench::runBenchmarks(argc, argv);
}
