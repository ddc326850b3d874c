#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace bench {

// A program the benchmarks drive through its standard input and output, and watch through
// /proc: its CPU time over all threads, whether its main thread is idle, its resident memory.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void writeLine(std::string_view line);
    // The next line of standard output, without its line feed; throws at the end of output.
    std::string readLine();
    // Closes standard input and waits for the exit; the child's CPU time in seconds. Throws
    // when the child did not exit with status 0.
    double finish();
    // Sends SIGTERM and waits; throws when the child did not exit with status 0.
    void terminate();

    pid_t pid() const { return m_pid; }
    // CPU time of every thread so far, in seconds (the scheduler's nanosecond account).
    double cpuSeconds() const;
    // Waits until the main thread sleeps, so that work it does after answering is counted.
    void waitUntilIdle() const;
    // Resident and peak resident memory in KiB.
    long residentKiB() const;
    long peakResidentKiB() const;

private:
    // Sends SIGTERM and waits; the wait status.
    int stop();
    long statusField(std::string_view name) const;

    pid_t m_pid { -1 };
    int m_in { -1 };
    int m_out { -1 };
    std::string m_buffer;
};

} // namespace bench
