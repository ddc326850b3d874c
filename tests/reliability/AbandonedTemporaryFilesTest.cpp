// What a killed writer leaves behind goes with the next process's first write in that folder;
// another writer's file in flight, a file newer than the process and other files stay.
#include "ScratchDevice.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "store/Settings.hpp"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace reliability;

namespace {

fs::path leave(const fs::path& folder, const std::string& name, long secondsFromNow)
{
    auto file = folder / name;
    std::ofstream(file) << "half a settings fi";
    timespec times[2] {};
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec += secondsFromNow;
    times[1] = times[0];
    ::utimensat(AT_FDCWD, file.c_str(), times, 0);
    return file;
}

} // namespace

TEST(AbandonedTemporaryFiles, GoWithTheFirstWriteInTheirFolder)
{
    ScratchDevice device;
    auto folder = device.hostPath("/var/mobile/Library/Preferences");
    std::string marker(fw::kTemporaryFileMarker);
    auto abandoned
        = leave(folder, ".com.tarrowvine.quillane.plist" + marker + "abandoned001", -3600);
    auto inFlight
        = leave(folder, ".com.tarrowvine.quillane.plist" + marker + "inflight0001", -3600);
    auto newer = leave(folder, ".com.tarrowvine.quillane.plist" + marker + "newer0000001", 3600);
    auto abandonedShort = leave(folder, marker + "abandoned002", -3600);
    auto other = leave(folder, "notes.qln-tmp.txt", -3600);
    // Another process's write in flight holds its lock.
    int writer = ::open(inFlight.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(writer, LOCK_EX | LOCK_NB), 0);

    ASSERT_TRUE(fw::writeToFile({ { "a", fw::Value("b") } }, qln::settingsFile));
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_FALSE(fs::exists(abandonedShort));
    EXPECT_TRUE(fs::exists(inFlight));
    EXPECT_TRUE(fs::exists(newer));
    EXPECT_TRUE(fs::exists(other));
    ::close(writer);

    // Once per folder and process: later writes do not list the folder again.
    ASSERT_TRUE(fw::writeToFile({ { "a", fw::Value("c") } }, qln::settingsFile));
    EXPECT_TRUE(fs::exists(inFlight));
    std::size_t temporary = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        temporary += entry.path().filename().string().find(marker) != std::string::npos;
    EXPECT_EQ(temporary, 2u);
}

TEST(AbandonedTemporaryFiles, PresetsNamedLikeThemStay)
{
    ScratchDevice device;
    auto folder = device.hostPath(qln::presetPath);
    fs::create_directories(folder);
    std::string marker(fw::kTemporaryFileMarker);
    auto abandoned = leave(folder, marker + "abandoned003", -3600);
    std::vector<fs::path> presets;
    for (const std::string& name : { marker + "abandoned004", "Night" + marker + "abandoned005",
             "." + marker + "abandoned006", marker })
        presets.push_back(leave(folder, name + ".plist", -3600));

    ASSERT_TRUE(
        fw::writeToFile({ { "a", fw::Value("b") } }, std::string(qln::presetPath) + "C.plist"));
    EXPECT_FALSE(fs::exists(abandoned));
    for (const auto& preset : presets)
        EXPECT_TRUE(fs::exists(preset)) << preset.filename();
}
