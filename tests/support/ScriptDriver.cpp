#include "support/ScriptDriver.hpp"

#include "BuildPaths.hpp"

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string slurp(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

fs::path makeTempDir()
{
    std::string pattern = (fs::temp_directory_path() / "qln-script-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

} // namespace

CommandResult runQuillane(const std::vector<std::string>& arguments, const std::string& input)
{
    return runProgram(QUILLANE_EXE, arguments, input);
}

CommandResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
    const std::string& input, const std::vector<std::string>& environment)
{
    auto dir = makeTempDir();
    std::ofstream(dir / "in", std::ios::binary) << input;
    std::string command = "env";
    for (auto& setting : environment)
        command
            += setting.starts_with('-') ? " -u " + quote(setting.substr(1)) : " " + quote(setting);
    command += " " + quote(program);
    for (auto& argument : arguments)
        command += " " + quote(argument);
    command += " <" + quote((dir / "in").string()) + " >" + quote((dir / "out").string()) + " 2>"
        + quote((dir / "err").string());
    int status = std::system(command.c_str());
    CommandResult result;
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = slurp(dir / "out");
    result.err = slurp(dir / "err");
    fs::remove_all(dir);
    return result;
}

ScriptDevice::ScriptDevice(const std::vector<std::string>& initOptions)
{
    m_root = makeTempDir() / "device";
    std::vector<std::string> arguments { "device", "init", "--root", m_root.string() };
    arguments.insert(arguments.end(), initOptions.begin(), initOptions.end());
    auto result = runQuillane(arguments);
    if (result.exitStatus != 0)
        throw std::runtime_error("device init failed: " + result.err);
}

ScriptDevice::~ScriptDevice()
{
    std::error_code error;
    fs::remove_all(m_root.parent_path(), error);
}

fs::path ScriptDevice::path(const std::string& devicePath) const
{
    return m_root / fs::path(devicePath).relative_path();
}

std::string ScriptDevice::read(const std::string& devicePath) const
{
    return slurp(path(devicePath));
}

void ScriptDevice::write(const std::string& devicePath, const std::string& bytes) const
{
    fs::create_directories(path(devicePath).parent_path());
    std::ofstream(path(devicePath), std::ios::binary) << bytes;
}

std::vector<nlohmann::json> ScriptDevice::run(const std::vector<nlohmann::json>& events) const
{
    std::string input;
    for (auto& event : events)
        input += event.dump() + "\n";
    auto result = runQuillane({ "script", "--root", m_root.string() }, input);
    if (result.exitStatus != 0)
        throw std::runtime_error("quillane script failed: " + result.err);
    std::vector<nlohmann::json> screens;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);)
        screens.push_back(nlohmann::json::parse(line));
    return screens;
}

int rowIndex(const nlohmann::json& screen, const std::string& title)
{
    for (auto& row : screen["page"]["rows"]) {
        if (row["title"] == title)
            return row["index"].get<int>();
    }
    return -1;
}

const nlohmann::json* rowWithKey(const nlohmann::json& screen, const std::string& key)
{
    for (auto& row : screen["page"]["rows"]) {
        if (row["key"] == key)
            return &row;
    }
    return nullptr;
}
