#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace reliability {

// A helper program started in its own process group, so that a kill reaches the children it
// forks too. Its standard output goes to a file.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, std::filesystem::path outputFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // SIGKILL to the whole group, then reaps the process.
    void kill();
    // Waits at most `limit` for the process to end; its exit status, or nullopt when it had to
    // be killed or died of a signal.
    std::optional<int> wait(std::chrono::milliseconds limit);
    std::string output() const;

private:
    pid_t m_pid { -1 };
    std::filesystem::path m_outputFile;
    bool m_reaped { false };
};

} // namespace reliability
