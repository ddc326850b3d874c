#include "foundation/Process.hpp"

#include "foundation/ChildReaper.hpp"
#include "foundation/Device.hpp"
#include "foundation/Journal.hpp"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace fw {

namespace {

constexpr std::string_view adminDirVariable = "DPKG_ADMINDIR=";

std::vector<char*> pointerVector(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (auto& string : strings)
        pointers.push_back(string.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The host's environment with DPKG_ADMINDIR aimed at the device's package database.
std::vector<std::string> taskEnvironment()
{
    std::vector<std::string> environment;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string_view variable(*entry);
        if (!variable.starts_with(adminDirVariable))
            environment.emplace_back(variable);
    }
    environment.push_back(
        std::string(adminDirVariable) + Device::resolve("/var/lib/dpkg").string());
    return environment;
}

class FileActions {
public:
    FileActions() { posix_spawn_file_actions_init(&m_actions); }
    ~FileActions() { posix_spawn_file_actions_destroy(&m_actions); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;

    bool standardOutputTo(int fd)
    {
        return posix_spawn_file_actions_adddup2(&m_actions, fd, STDOUT_FILENO) == 0;
    }
    bool standardOutputToNull()
    {
        return posix_spawn_file_actions_addopen(&m_actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0)
            == 0;
    }
    const posix_spawn_file_actions_t* get() const { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

pid_t spawn(const std::filesystem::path& program, const FileActions& actions,
    std::vector<std::string> argv, std::vector<std::string> environment)
{
    auto argPointers = pointerVector(argv);
    auto envPointers = pointerVector(environment);
    pid_t pid = -1;
    if (posix_spawn(
            &pid, program.c_str(), actions.get(), nullptr, argPointers.data(), envPointers.data())
        != 0)
        return -1;
    return pid;
}

} // namespace

int posixSpawn(const std::string& devicePath, const std::vector<std::string>& argv)
{
    ChildReaper::reapFinished();
    // The only file action: the child must not write into the protocol on our standard output.
    // Every other descriptor of this process is close-on-exec, so nothing else leaks.
    FileActions actions;
    if (!actions.standardOutputToNull())
        return -1;
    pid_t pid = spawn(Device::resolve(devicePath), actions, argv, {});
    if (pid < 0)
        return -1;
    std::vector<std::string> entry { devicePath };
    entry.insert(entry.end(), argv.begin(), argv.end());
    Journal::recordSpawned(std::move(entry));
    ChildReaper::watch(pid);
    return pid;
}

NSFileHandle::~NSFileHandle()
{
    closeFile();
}

void NSFileHandle::bufferToEndOfFile()
{
    if (m_fd < 0)
        return;
    char chunk[16384];
    while (true) {
        ssize_t got = read(m_fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        m_buffered.append(chunk, static_cast<std::size_t>(got));
    }
}

std::string NSFileHandle::readDataToEndOfFile()
{
    bufferToEndOfFile();
    return std::exchange(m_buffered, {});
}

void NSFileHandle::closeFile()
{
    if (m_fd < 0)
        return;
    close(m_fd);
    m_fd = -1;
}

NSPipe::NSPipe()
{
    int fds[2] { -1, -1 };
    if (pipe2(fds, O_CLOEXEC) != 0)
        fds[0] = fds[1] = -1;
    m_reading = std::make_shared<NSFileHandle>(fds[0]);
    m_writeFd = fds[1];
}

NSPipe::~NSPipe()
{
    closeWriteEnd();
}

void NSPipe::closeWriteEnd()
{
    if (m_writeFd < 0)
        return;
    close(m_writeFd);
    m_writeFd = -1;
}

NSTask::~NSTask()
{
    if (m_pid > 0 && !m_waited)
        ChildReaper::watch(m_pid);
}

bool NSTask::launch()
{
    if (m_pid > 0)
        return false; // a task runs once
    int pid = start();
    // Our copy of the write end must go, or reading the pipe never sees its end; also when
    // nothing started, so a reader gets empty output instead of waiting forever.
    if (standardOutput)
        standardOutput->closeWriteEnd();
    if (pid < 0)
        return false;
    m_pid = pid;
    std::vector<std::string> entry { launchPath, launchPath };
    entry.insert(entry.end(), arguments.begin(), arguments.end());
    Journal::recordSpawned(std::move(entry));
    return true;
}

int NSTask::start() const
{
    auto program = Device::resolve(launchPath);
    std::error_code error;
    if (!std::filesystem::exists(program, error))
        return -1;
    FileActions actions;
    bool redirected = standardOutput ? standardOutput->writeDescriptor() >= 0
            && actions.standardOutputTo(standardOutput->writeDescriptor())
                                     : actions.standardOutputToNull();
    if (!redirected)
        return -1;
    std::vector<std::string> argv { launchPath };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return spawn(program, actions, std::move(argv), taskEnvironment());
}

void NSTask::waitUntilExit()
{
    if (m_pid <= 0 || m_waited)
        return;
    if (standardOutput)
        standardOutput->fileHandleForReading()->bufferToEndOfFile();
    int status = 0;
    pid_t result;
    do {
        result = waitpid(m_pid, &status, 0);
    } while (result < 0 && errno == EINTR);
    m_waited = true;
    if (result != m_pid)
        return;
    if (WIFEXITED(status))
        m_status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        m_status = WTERMSIG(status);
}

} // namespace fw
