#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// Runs the real `quillane` program, as a user's script would.
struct CommandResult {
    int exitStatus { -1 };
    std::string out;
    std::string err;
};

CommandResult runQuillane(const std::vector<std::string>& arguments, const std::string& input = {});
// Runs `program` the same way, with the environment changed by `environment`: "NAME=value" sets
// a variable, "-NAME" removes it.
CommandResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
    const std::string& input = {}, const std::vector<std::string>& environment = {});

// A device laid out by `quillane device init` in a fresh temporary directory.
class ScriptDevice {
public:
    explicit ScriptDevice(const std::vector<std::string>& initOptions = {});
    ~ScriptDevice();

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path path(const std::string& devicePath) const;
    std::string read(const std::string& devicePath) const;
    void write(const std::string& devicePath, const std::string& bytes) const;

    // Feeds the events to one `quillane script` process; one screen per event.
    std::vector<nlohmann::json> run(const std::vector<nlohmann::json>& events) const;

private:
    std::filesystem::path m_root;
};

// The index of the first row of a screen with that title, or -1.
int rowIndex(const nlohmann::json& screen, const std::string& title);
const nlohmann::json* rowWithKey(const nlohmann::json& screen, const std::string& key);
