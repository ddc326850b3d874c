#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fw {

// posix_spawn of a device program with an argument vector, no attributes and no environment.
// Returns the child's pid or -1. Nobody waits for it, yet the framework reaps it when it ends.
// Every process that starts is journalled. Its standard output goes to /dev/null: the host's
// standard output carries the protocol.
int posixSpawn(const std::string& devicePath, const std::vector<std::string>& argv);

class NSFileHandle {
public:
    explicit NSFileHandle(int fd)
        : m_fd(fd)
    {
    }
    ~NSFileHandle();
    NSFileHandle(const NSFileHandle&) = delete;
    NSFileHandle& operator=(const NSFileHandle&) = delete;

    // Reads until end of file (including what an earlier bufferToEndOfFile kept).
    std::string readDataToEndOfFile();
    void closeFile();
    // Reads everything up to end of file into the handle, for a later readDataToEndOfFile.
    void bufferToEndOfFile();

private:
    int m_fd { -1 };
    std::string m_buffered;
};

class NSPipe {
public:
    NSPipe(); // close-on-exec pipe
    ~NSPipe();
    NSPipe(const NSPipe&) = delete;
    NSPipe& operator=(const NSPipe&) = delete;

    std::shared_ptr<NSFileHandle> fileHandleForReading() const { return m_reading; }
    int writeDescriptor() const { return m_writeFd; }
    void closeWriteEnd();

private:
    std::shared_ptr<NSFileHandle> m_reading;
    int m_writeFd { -1 };
};

// NSTask: a device program with arguments and its standard output sent to a pipe; standard
// input and error are inherited. The environment is the host's, plus DPKG_ADMINDIR pointing at
// the device's package database, so "dpkg" answers for the device.
class NSTask {
public:
    NSTask() = default;
    // A task launched and never waited for is handed to the framework's reaper.
    ~NSTask();
    NSTask(const NSTask&) = delete;
    NSTask& operator=(const NSTask&) = delete;

    std::string launchPath; // device path
    std::vector<std::string> arguments;
    std::shared_ptr<NSPipe> standardOutput;

    // False when the program cannot be started (no such file). Either way the parent's copy
    // of the output pipe's write end is closed, so reading the pipe ends.
    bool launch();
    // Reads the output pipe to its end first (kept for readDataToEndOfFile), so a task that
    // writes more than a pipe holds cannot block while it is waited for.
    void waitUntilExit();
    // The exit status, or the number of the signal that ended the task; -1 before it ended.
    int terminationStatus() const { return m_status; }
    int processIdentifier() const { return m_pid; }

private:
    int start() const; // the child's pid or -1

    int m_pid { -1 };
    int m_status { -1 };
    bool m_waited { false };
};

} // namespace fw
