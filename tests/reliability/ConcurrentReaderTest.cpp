// The theming component reads the files whenever it likes, also in the middle of a write: it
// must never find a file missing or half written.
#include "BuildPaths.hpp"
#include "ChildProcess.hpp"
#include "ScratchDevice.hpp"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace reliability;
using nlohmann::json;

TEST(ConcurrentReader, NeverFindsASettingsFileMissingOrDamaged)
{
    const long writes = sizeFromEnvironment("QLN_READER_WRITES", 10000);
    ScratchDevice device;
    auto stopFile = device.aside("reader") / "stop";
    ChildProcess reader(
        { QLN_SETTINGS_READER, "--root", device.root().string(), "--stop", stopFile.string() },
        device.aside("reader") / "reader.out");
    auto started = std::chrono::steady_clock::now();
    ChildProcess writer({ QLN_CRASH_DRIVER, "--root", device.root().string(), "--seed", "7",
                            "--replacements", std::to_string(writes) },
        device.aside("writer") / "writer.out");
    ASSERT_EQ(writer.wait(std::chrono::minutes(20)), 0);
    auto seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::ofstream(stopFile) << "stop\n";
    ASSERT_EQ(reader.wait(std::chrono::minutes(1)), 0);

    auto written = json::parse(writer.output());
    auto read = json::parse(reader.output());
    EXPECT_GE(written["settingsReplacements"].get<long>(), writes);
    EXPECT_EQ(read["missing"], 0) << read["firstProblem"];
    EXPECT_EQ(read["failed"], 0) << read["firstProblem"];
    // The reader really ran alongside: it saw the files change many times.
    EXPECT_GT(read["changes"].get<long>(), writes / 20);

    std::ostringstream line;
    line << written["settingsReplacements"] << " settings replacements (" << written["operations"]
         << " operations, " << written["events"] << " events) in " << static_cast<int>(seconds)
         << " s while the reader parsed " << read["reads"] << " times and saw " << read["changes"]
         << " changes: " << read["missing"] << " missing, " << read["failed"] << " failed";
    recordFigure("concurrent-reader", line.str());
    std::cout << line.str() << std::endl;
}
