#include "foundation/Process.hpp"

#include "foundation/Dispatch.hpp"
#include "foundation/Journal.hpp"
#include "support/TestDevice.hpp"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

void writeScript(const TestDevice& device, std::string_view devicePath, std::string_view body)
{
    device.write(devicePath, "#!/bin/sh\n" + std::string(body) + "\n");
    std::filesystem::permissions(device.hostPath(devicePath),
        std::filesystem::perms::owner_all | std::filesystem::perms::group_read
            | std::filesystem::perms::group_exec);
}

bool isReaped(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    return !stat.is_open();
}

// Child processes end on their own time: wait for the evidence, at most a generous while.
template <class Condition> bool eventually(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        fw::DispatchMainQueue::drain();
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

} // namespace

TEST(PosixSpawn, StartsTheDeviceProgramWithItsArgumentsAndNoEnvironment)
{
    TestDevice device;
    // No PATH in the child: absolute paths only.
    writeScript(device, "/usr/bin/probe",
        "/usr/bin/env > \"${0%/*}/env.txt\"\n"
        "for a in \"$@\"; do echo \"$a\"; done > \"${0%/*}/args.tmp\"\n"
        "/bin/mv \"${0%/*}/args.tmp\" \"${0%/*}/args.txt\"");
    ::setenv("QLN_PROBE_MARKER", "visible", 1);

    int pid = fw::posixSpawn("/usr/bin/probe", { "probe", "two words", "last" });
    ::unsetenv("QLN_PROBE_MARKER");
    ASSERT_GT(pid, 0);

    ASSERT_TRUE(eventually([&] { return device.exists("/usr/bin/args.txt"); }));
    EXPECT_EQ(lines(device.read("/usr/bin/args.txt")),
        (std::vector<std::string> { "two words", "last" }));
    // The shell exports a few variables of its own (PWD); nothing may come from us.
    for (const auto& variable : lines(device.read("/usr/bin/env.txt"))) {
        for (std::string_view ours : { "QLN_PROBE_MARKER=", "PATH=", "HOME=" })
            EXPECT_FALSE(variable.starts_with(ours)) << variable;
    }

    auto journal = fw::Journal::take();
    EXPECT_EQ(journal.spawned,
        (std::vector<std::vector<std::string>> {
            { "/usr/bin/probe", "probe", "two words", "last" } }));

    EXPECT_TRUE(eventually([&] { return isReaped(pid); })) << "the child stays a zombie";
}

TEST(PosixSpawn, MissingProgramStartsNothingAndJournalsNothing)
{
    TestDevice device;

    EXPECT_EQ(fw::posixSpawn("/usr/bin/sbreload", { "sbreload" }), -1);
    EXPECT_TRUE(fw::Journal::take().spawned.empty());
}

TEST(PosixSpawn, ChildNeverWritesIntoOurStandardOutput)
{
    TestDevice device;
    writeScript(device, "/usr/bin/chatty", "echo leaked\n: > \"${0%/*}/done.txt\"");
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK), 0);
    std::fflush(stdout);
    int savedStdout = ::dup(STDOUT_FILENO);
    ::dup2(pipeFds[1], STDOUT_FILENO);

    int pid = fw::posixSpawn("/usr/bin/chatty", { "chatty" });
    bool finished = eventually([&] { return pid > 0 && isReaped(pid); });

    ::dup2(savedStdout, STDOUT_FILENO);
    ::close(savedStdout);
    ::close(pipeFds[1]);
    char buffer[64];
    ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
    ::close(pipeFds[0]);
    ASSERT_TRUE(finished);
    EXPECT_TRUE(device.exists("/usr/bin/done.txt"));
    EXPECT_LE(got, 0) << std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
}

TEST(NSTask, OutputLargerThanAPipeIsReadToItsEndAfterWaiting)
{
    TestDevice device;
    writeScript(device, "/usr/bin/big", "/usr/bin/head -c 102400 /dev/zero | /usr/bin/tr '\\0' x");
    fw::NSTask task;
    task.launchPath = "/usr/bin/big";
    task.standardOutput = std::make_shared<fw::NSPipe>();

    // The order the version lookup uses: wait first, then read.
    ASSERT_TRUE(task.launch());
    task.waitUntilExit();
    auto handle = task.standardOutput->fileHandleForReading();
    std::string output = handle->readDataToEndOfFile();
    handle->closeFile();

    EXPECT_EQ(output, std::string(102400, 'x'));
    EXPECT_EQ(task.terminationStatus(), 0);
    EXPECT_TRUE(isReaped(task.processIdentifier()));
}

TEST(NSTask, RunsWithOurEnvironmentAndTheDevicePackageDatabase)
{
    TestDevice device;
    writeScript(device, "/bin/probe", "echo \"$1 $QLN_TASK_MARKER $DPKG_ADMINDIR\"\nexit 3");
    ::setenv("QLN_TASK_MARKER", "inherited", 1);
    ::setenv("DPKG_ADMINDIR", "/var/lib/dpkg", 1); // the host's own database must not be used
    fw::NSTask task;
    task.launchPath = "/bin/probe";
    task.arguments = { "-c" };
    task.standardOutput = std::make_shared<fw::NSPipe>();

    ASSERT_TRUE(task.launch());
    ::unsetenv("QLN_TASK_MARKER");
    ::unsetenv("DPKG_ADMINDIR");
    task.waitUntilExit();

    EXPECT_EQ(task.standardOutput->fileHandleForReading()->readDataToEndOfFile(),
        "-c inherited " + device.hostPath("/var/lib/dpkg").string() + "\n");
    EXPECT_EQ(task.terminationStatus(), 3);
    EXPECT_EQ(fw::Journal::take().spawned,
        (std::vector<std::vector<std::string>> { { "/bin/probe", "/bin/probe", "-c" } }));
}

TEST(NSTask, MissingProgramDoesNotLaunch)
{
    TestDevice device;
    fw::NSTask task;
    task.launchPath = "/bin/sh";
    task.arguments = { "-c", "echo hi" };
    task.standardOutput = std::make_shared<fw::NSPipe>();

    EXPECT_FALSE(task.launch());
    task.waitUntilExit(); // harmless without a process
    EXPECT_EQ(task.standardOutput->fileHandleForReading()->readDataToEndOfFile(), "");
    EXPECT_TRUE(fw::Journal::take().spawned.empty());
}

TEST(NSTask, DpkgAnswersFromTheDevicePackageDatabase)
{
    if (!std::filesystem::exists("/usr/bin/dpkg"))
        GTEST_SKIP() << "dpkg is not installed";
    TestDevice device;
    device.write("/var/lib/dpkg/status",
        "Package: com.tarrowvine.quillane\n"
        "Status: install ok installed\n"
        "Version: 1.4.0\n"
        "Architecture: iphoneos-arm\n"
        "Maintainer: x\n"
        "Description: x\n");
    std::filesystem::create_directories(device.hostPath("/bin"));
    std::filesystem::create_symlink("/bin/sh", device.hostPath("/bin/sh"));

    std::vector<std::pair<std::string, std::string>> cases {
        { "com.tarrowvine.quillane", "1.4.0\n" },
        { "com.pelmot.tarrowvine.quillane", "" },
    };
    for (const auto& [package, expected] : cases) {
        fw::NSTask task;
        task.launchPath = "/bin/sh";
        task.arguments = { "-c",
            "dpkg -s " + package
                + " 2>/dev/null | grep -i version | "
                  "cut -d' ' -f2" };
        task.standardOutput = std::make_shared<fw::NSPipe>();
        ASSERT_TRUE(task.launch());
        task.waitUntilExit();
        EXPECT_EQ(task.standardOutput->fileHandleForReading()->readDataToEndOfFile(), expected)
            << package;
    }
}
