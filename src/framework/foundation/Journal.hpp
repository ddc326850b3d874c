#pragma once

#include <string>
#include <vector>

namespace fw {

// One observable effect of the system, in the order it happened.
struct Effect {
    std::string op; // "write", "remove", "copy", "mkdir", "post", "createFile"
    std::string path; // device path (write, remove, copy destination, mkdir, createFile)
    std::string from; // copy source
    std::string name; // post: notification name
};

// What the platform did on the bundle's behalf since the host last asked: the host turns it
// into the screen's "posted", "spawned", "effects" and "refused" fields. Thread-safe, because
// background jobs spawn processes too.
struct JournalEntries {
    std::vector<Effect> effects;
    std::vector<std::string> posted; // Darwin notifications posted by this process
    std::vector<std::vector<std::string>> spawned; // device path of the program, then argv
    std::vector<std::string> refused; // titles of presentations refused
};

class Journal {
public:
    static void recordEffect(Effect effect);
    static void recordPosted(std::string name);
    static void recordSpawned(std::vector<std::string> programAndArgv);
    static void recordRefused(std::string title);
    // Returns everything recorded since the last call and starts afresh.
    static JournalEntries take();
};

} // namespace fw
