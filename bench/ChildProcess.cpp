#include "ChildProcess.hpp"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace bench {

ChildProcess::ChildProcess(const std::vector<std::string>& argv)
{
    int input[2];
    int output[2];
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    int error = posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    m_in = input[1];
    m_out = output[0];
    if (error != 0)
        throw std::runtime_error("cannot start " + argv[0]);
}

namespace {

// A figure from a program that failed on its way out is no figure: a fault at exit (a
// sanitizer's report among them) shows only in the exit status.
void requireCleanExit(int status)
{
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return;
    throw std::runtime_error(WIFEXITED(status)
            ? "the child ended with exit status " + std::to_string(WEXITSTATUS(status))
            : "the child ended with signal " + std::to_string(WTERMSIG(status)));
}

} // namespace

ChildProcess::~ChildProcess()
{
    if (m_pid > 0)
        stop();
    if (m_out >= 0)
        ::close(m_out);
}

void ChildProcess::writeLine(std::string_view line)
{
    std::string text(line);
    text += '\n';
    std::string_view rest = text;
    while (!rest.empty()) {
        auto written = ::write(m_in, rest.data(), rest.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw std::runtime_error("the child stopped reading");
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::string ChildProcess::readLine()
{
    for (;;) {
        auto end = m_buffer.find('\n');
        if (end != std::string::npos) {
            std::string line = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 1);
            return line;
        }
        char chunk[65536];
        auto count = ::read(m_out, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            throw std::runtime_error("the child's output ended");
        m_buffer.append(chunk, static_cast<std::size_t>(count));
    }
}

double ChildProcess::finish()
{
    if (m_in >= 0)
        ::close(m_in);
    m_in = -1;
    int status = 0;
    rusage usage {};
    while (::wait4(m_pid, &status, 0, &usage) < 0 && errno == EINTR) { }
    m_pid = -1;
    requireCleanExit(status);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void ChildProcess::terminate()
{
    requireCleanExit(stop());
}

int ChildProcess::stop()
{
    if (m_in >= 0)
        ::close(m_in);
    m_in = -1;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) { }
    m_pid = -1;
    return status;
}

double ChildProcess::cpuSeconds() const
{
    double total = 0;
    std::error_code error;
    auto tasks = "/proc/" + std::to_string(m_pid) + "/task";
    for (auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream in(task.path() / "schedstat");
        unsigned long long nanoseconds = 0;
        if (in >> nanoseconds)
            total += static_cast<double>(nanoseconds) * 1e-9;
    }
    return total;
}

void ChildProcess::waitUntilIdle() const
{
    auto stat = "/proc/" + std::to_string(m_pid) + "/task/" + std::to_string(m_pid) + "/stat";
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(stat);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        auto close = text.rfind(')');
        if (close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'S')
            return;
        std::this_thread::yield();
    }
}

long ChildProcess::statusField(std::string_view name) const
{
    std::ifstream in("/proc/" + std::to_string(m_pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(name) && line.size() > name.size() && line[name.size()] == ':')
            return std::stol(line.substr(name.size() + 1));
    }
    return -1;
}

long ChildProcess::residentKiB() const
{
    return statusField("VmRSS");
}

long ChildProcess::peakResidentKiB() const
{
    return statusField("VmHWM");
}

} // namespace bench
