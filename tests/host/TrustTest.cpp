// The promises that only the user gets in and that nothing is lost, tried as an attacker would:
// another user's device folder, links planted inside a device, lines longer than any event.
#include "BuildPaths.hpp"
#include "contract/SettingsContract.hpp"
#include "foundation/Device.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/UIPasteboard.hpp"
#include "history/History.hpp"
#include "host/PresetFiles.hpp"
#include "imagetheme/WallpaperStore.hpp"
#include "support/ScriptDriver.hpp"
#include "support/TestDevice.hpp"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr uid_t kNobody = 65534;

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "qln-trust-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

fs::path folder(const fs::path& path, mode_t mode, uid_t owner = ::geteuid())
{
    fs::create_directories(path);
    ::chmod(path.c_str(), mode);
    if (owner != ::geteuid() && ::lchown(path.c_str(), owner, owner) != 0)
        throw std::runtime_error("cannot give " + path.string() + " away");
    return path;
}

fs::path link(const fs::path& path, const fs::path& target, uid_t owner = ::geteuid())
{
    fs::create_directory_symlink(target, path);
    if (owner != ::geteuid() && ::lchown(path.c_str(), owner, owner) != 0)
        throw std::runtime_error("cannot give " + path.string() + " away");
    return path;
}

} // namespace

// Each device folder, for `device init` and for `script`: accepted, or refused with a message
// that names the folder and the reason, and with nothing written. Rows that need another user
// run only as root (as in CI), where that user is "nobody".
TEST(DeviceFolders, OnlyAFolderOfTheUsersOwnIsUsed)
{
    ScratchFolder scratch;
    const fs::path base = scratch.path();
    struct Case {
        const char* what;
        std::function<fs::path()> make; // the device folder
        const char* refusal; // nullptr: accepted
        const char* names; // the folder the message names, below the scratch folder
        bool needsAnotherUser;
    };
    const Case cases[] = {
        { "a new folder in a folder of the user's", [&] { return base / "new" / "phone"; }, nullptr,
            "", false },
        { "an empty folder of the user's", [&] { return folder(base / "mine", 0755); }, nullptr, "",
            false },
        { "an empty folder others can write", [&] { return folder(base / "open", 0777); },
            "can be written by other users (mode 0777)", "open", false },
        { "an empty folder others can write, sticky as /tmp is",
            [&] { return folder(base / "sticky", 01777); }, "can be written by other users",
            "sticky", false },
        { "a folder above that others can write without the sticky bit",
            [&] { return folder(base / "shared", 0777) / "phone"; },
            "above the device folder can be written by other users and has no sticky bit", "shared",
            false },
        { "a folder above that others can write, with the sticky bit",
            [&] { return folder(base / "tmp", 01777) / "phone"; }, nullptr, "", false },
        { "a link to a folder of the user's, the link the user's",
            [&] { return link(base / "to-mine", folder(base / "target", 0755)); }, nullptr, "",
            false },
        { "a link that leads through a folder others can write",
            [&] { return link(base / "to-open", folder(base / "open-above", 0777) / "phone"); },
            "above the device folder can be written", "open-above", false },
        { "an empty folder another user owns, open to all",
            [&] { return folder(base / "theirs", 0777, kNobody); }, "belongs to user", "theirs",
            true },
        { "a folder above that another user owns",
            [&] { return folder(base / "their-home", 0755, kNobody) / "phone"; },
            "above the device folder belongs to user", "their-home", true },
        { "a link another user owns, in a sticky folder",
            [&] {
                return link(
                    folder(base / "tmp2", 01777) / "phone", folder(base / "real", 0755), kNobody);
            },
            "the link", "tmp2/phone", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsAnotherUser && ::geteuid() != 0) {
            std::cout << "skipped (needs root to act as another user): " << c.what << std::endl;
            continue;
        }
        fs::path root = c.make();
        auto init = runQuillane({ "device", "init", "--root", root.string() });
        auto script = runQuillane({ "script", "--root", root.string() }, "{\"event\":\"open\"}\n");
        if (!c.refusal) {
            EXPECT_EQ(init.exitStatus, 0) << init.err;
            EXPECT_EQ(script.exitStatus, 0) << script.err;
            EXPECT_TRUE(fs::exists(root / "bin"));
            continue;
        }
        for (const CommandResult* result : { &init, &script }) {
            EXPECT_EQ(result->exitStatus, 1);
            EXPECT_NE(result->err.find(c.refusal), std::string::npos) << result->err;
            EXPECT_NE(result->err.find((base / c.names).string()), std::string::npos)
                << result->err;
        }
        std::error_code missing;
        EXPECT_FALSE(fs::exists(root / "bin", missing)) << "nothing is laid out";
    }
}

// Lines around and far past the 1 MiB limit: each long one is answered with an error, the next
// event still is, and the program keeps within 32 MiB of data memory whatever the line's length.
TEST(ScriptLines, ALineOverTheLimitIsRefusedAsItStreamsPast)
{
    constexpr std::size_t kLimit = 1u << 20;
    ScriptDevice device;
    struct Case {
        const char* what;
        std::size_t size;
        bool refused;
        bool lineFeed;
    };
    const Case cases[] = {
        { "an event just within the limit", kLimit, false, true },
        { "one byte over", kLimit + 1, true, true },
        { "64 MiB", 64u << 20, true, true },
        { "64 MiB without a line feed, last", 64u << 20, true, false },
    };
    const std::string settle = R"({"event":"settle","ms":0})";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // An open event padded to the size with a field the protocol does not name.
        std::string head = R"({"event":"open","pad":")", tail = "\"}";
        std::string input = settle + "\n" + head;
        input.append(c.size - head.size() - tail.size(), 'x');
        input += tail;
        if (c.lineFeed)
            input += "\n" + settle + "\n";
        std::vector<std::string> script { QUILLANE_EXE, "script", "--root",
            device.root().string() };
#ifndef __SANITIZE_ADDRESS__
        // Not under AddressSanitizer, whose shadow memory alone is past any such bound: there
        // the answers are checked alone.
        script.insert(script.begin(), "--data=" + std::to_string(32u << 20));
#endif
        auto run = runProgram("prlimit", script, input);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        std::vector<json> screens;
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);)
            screens.push_back(json::parse(line));
        ASSERT_EQ(screens.size(), c.lineFeed ? 3u : 2u);
        auto& answer = screens[1];
        EXPECT_EQ(answer["error"].is_string(), c.refused) << answer["error"];
        if (c.refused) {
            EXPECT_NE(
                answer["error"].get<std::string>().find("longer than 1 MiB"), std::string::npos);
        }
        if (c.lineFeed) {
            EXPECT_TRUE(screens[2]["error"].is_null()) << screens[2]["error"];
        }
    }
}

namespace {

std::string privateFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    ::chmod(path.c_str(), 0600);
    return bytes;
}

void recordAChange(const TestDevice& device)
{
    auto& history = history::History::shared();
    history.begin();
    fw::NSFileManager::defaultManager().writeAtomically(contract::settingsFile, "<dict/>");
    history.finish([](const history::ChangeSet&) { return history::StepName { "change", {} }; });
    (void)device;
}

} // namespace

// Links planted inside a device, each pointing at a file or folder elsewhere: what the host keeps
// for itself is never read or made through them, a preset is never written or served through
// one that leaves the device, and the history, which copies the bundle's files, is private.
TEST(LinksInTheDevice, TheHostNeitherWritesNorServesThroughThem)
{
    const std::string presets(contract::presetsDirectory);
    struct Case {
        const char* what;
        std::function<void(const TestDevice&, const fs::path& elsewhere)> check;
    };
    const Case cases[] = {
        { "the presets folder leads elsewhere",
            [&](const TestDevice& device, const fs::path& elsewhere) {
                fs::create_directories(elsewhere / "presets");
                fs::create_directory_symlink(
                    elsewhere / "presets", device.hostPath(presets.substr(0, presets.size() - 1)));
                EXPECT_THROW(host::importPresetFile("Night", "<plist><dict/></plist>"),
                    host::PresetFileRefused);
                EXPECT_TRUE(fs::is_empty(elsewhere / "presets"));
            } },
        { "a preset leads to a private file",
            [&](const TestDevice& device, const fs::path& elsewhere) {
                privateFile(elsewhere / "secret", "<plist><dict/></plist>");
                fs::create_directories(device.hostPath(presets));
                fs::create_symlink(elsewhere / "secret", device.hostPath(presets + "Secret.plist"));
                EXPECT_THROW(host::exportPresetFile("Secret"), host::PresetFileRefused);
            } },
        { "the wallpaper leads to a private file",
            [&](const TestDevice& device, const fs::path& elsewhere) {
                privateFile(elsewhere / "photo", "private");
                std::ofstream(device.root() / ".wallpaper.rgba", std::ios::binary)
                    << std::string(imagetheme::kQuantiserInputBytes, '\0');
                fs::create_symlink(elsewhere / "photo", device.root() / ".wallpaper.jpg");
                EXPECT_EQ(imagetheme::WallpaperStore(device.root()).display(), std::nullopt);
            } },
        { "the pasteboard leads to a file elsewhere",
            [&](const TestDevice& device, const fs::path& elsewhere) {
                privateFile(elsewhere / "clip",
                    "<plist><dict><key>kind</key><string>string</string><key>string</key>"
                    "<string>private</string></dict></plist>");
                fs::create_symlink(elsewhere / "clip", device.root() / ".pasteboard.plist");
                EXPECT_EQ(fw::UIPasteboard::generalPasteboard().string(), std::nullopt);
            } },
        { "the history's lock leads to a file not made yet",
            [&](const TestDevice& device, const fs::path& elsewhere) {
                fs::create_symlink(elsewhere / "made", device.root() / ".quillane-history.lock");
                testing::internal::CaptureStderr();
                recordAChange(device);
                testing::internal::GetCapturedStderr();
                EXPECT_FALSE(fs::exists(elsewhere / "made"));
            } },
        { "the history leads to a file elsewhere",
            [&](const TestDevice& device, const fs::path& elsewhere) {
                auto bytes = privateFile(elsewhere / "history", "someone else's");
                fs::create_symlink(elsewhere / "history", device.root() / ".quillane-history");
                testing::internal::CaptureStderr();
                recordAChange(device);
                testing::internal::GetCapturedStderr();
                std::ifstream in(elsewhere / "history");
                EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
                EXPECT_FALSE(fs::is_symlink(device.root() / ".quillane-history"));
            } },
        { "the settings file leads to a private file",
            [&](const TestDevice& device, const fs::path& elsewhere) {
                privateFile(elsewhere / "private.plist", "<dict><key>pin</key></dict>");
                fs::create_symlink(
                    elsewhere / "private.plist", device.hostPath(contract::settingsFile));
                recordAChange(device);
                for (const char* file : { ".quillane-history", ".quillane-history.lock" }) {
                    struct stat info { };
                    ASSERT_EQ(::stat((device.root() / file).c_str(), &info), 0) << file;
                    EXPECT_EQ(info.st_mode & 0777, 0600u) << file;
                }
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder elsewhere;
        TestDevice device;
        c.check(device, elsewhere.path());
    }
}

// Names the host refuses for a preset file it stores, each with what is wrong.
TEST(PresetFiles, ARefusedNameSaysWhatIsWrong)
{
    TestDevice device;
    const std::string plist = "<plist><dict/></plist>";
    const std::pair<std::string, const char*> cases[] = {
        { "", "empty" },
        { "a/b", "cannot contain \"/\"" },
        { std::string("a\0b", 3), "null character" },
        { std::string(250, 'n'), "at most 249 bytes" },
        { "Bell\x07", "control characters" },
        { "Non\xEF\xBF\xBE", "cannot store" },
    };
    for (const auto& [name, message] : cases) {
        SCOPED_TRACE(message);
        try {
            host::importPresetFile(name, plist);
            ADD_FAILURE() << "stored";
        } catch (const host::PresetFileRefused& refusal) {
            EXPECT_NE(std::string(refusal.what()).find(message), std::string::npos)
                << refusal.what();
        }
    }
    EXPECT_FALSE(fs::exists(device.hostPath(contract::presetsDirectory)));
}

namespace {

// `quillane serve` in the background with its standard output in `out`, which stands for the
// journal when `asJournal` (systemd names the journal's stream in JOURNAL_STREAM).
class Server {
public:
    Server(const ScriptDevice& device, const fs::path& out, bool asJournal)
    {
        int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        struct stat info { };
        ::fstat(fd, &info);
        std::vector<std::string> environment;
        for (char** entry = environ; *entry; ++entry) {
            if (!std::string_view(*entry).starts_with("JOURNAL_STREAM="))
                environment.push_back(*entry);
        }
        if (asJournal)
            environment.push_back("JOURNAL_STREAM=" + std::to_string(info.st_dev) + ":"
                + std::to_string(info.st_ino));
        std::vector<char*> envp;
        for (auto& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fd, 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::string exe = QUILLANE_EXE, root = device.root().string();
        char* argv[] = { exe.data(), const_cast<char*>("serve"), const_cast<char*>("--root"),
            root.data(), nullptr };
        posix_spawn(&m_pid, exe.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(fd);
        for (int wait = 0; wait < 200 && m_line.find('\n') == std::string::npos; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::ifstream in(out);
            m_line.assign(std::istreambuf_iterator<char>(in), {});
        }
    }
    ~Server()
    {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    const std::string& line() const { return m_line; }

private:
    pid_t m_pid { -1 };
    std::string m_line;
};

std::string readAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

// The secret never shows where others can look: not in the journal, not in the arguments of
// the browser that `quillane open` starts. The browser gets a page only the user can read,
// holding a code that lets one browser in, once.
TEST(Secret, NeverInTheJournalNorInTheBrowsersArguments)
{
    ScratchFolder scratch;
    auto state = folder(scratch.path() / "state", 0700);
    auto runtime = folder(scratch.path() / "runtime", 0700);
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ScriptDevice device;
    std::string secret;
    {
        Server journalled(device, scratch.path() / "journal", true);
        secret = readAll(state / "quillane" / "token");
        secret.erase(secret.find_last_not_of('\n') + 1);
        ASSERT_EQ(secret.size(), 48u);
        EXPECT_NE(
            journalled.line().find("Quillane settings: http://127.0.0.1:"), std::string::npos);
        EXPECT_NE(journalled.line().find("quillane open"), std::string::npos);
        EXPECT_EQ(journalled.line().find(secret), std::string::npos) << journalled.line();
    }
    Server server(device, scratch.path() / "terminal", false);
    EXPECT_NE(server.line().find("?token=" + secret), std::string::npos) << server.line();

    auto browser = scratch.path() / "browser";
    std::ofstream(browser) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > "
                           << (scratch.path() / "arguments") << "\n";
    fs::permissions(browser, fs::perms::owner_all);
    auto opened = runProgram(QUILLANE_EXE, { "open" }, "",
        { "BROWSER=" + browser.string(), "XDG_STATE_HOME=" + state.string(),
            "XDG_RUNTIME_DIR=" + runtime.string() });
    ::unsetenv("XDG_STATE_HOME");
    ::unsetenv("XDG_RUNTIME_DIR");
    ASSERT_EQ(opened.exitStatus, 0) << opened.err;
    auto arguments = readAll(scratch.path() / "arguments");
    EXPECT_EQ(arguments.find(secret), std::string::npos) << arguments;
    EXPECT_EQ(arguments.find("code="), std::string::npos) << arguments;
    auto page = runtime / "quillane" / "open.html";
    EXPECT_EQ(arguments, "file://" + page.string() + "\n");
    struct stat info { };
    ASSERT_EQ(::stat(page.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    auto html = readAll(page);
    auto start = html.find("url=") + 4;
    auto address = html.substr(start, html.find('"', start) - start);
    ASSERT_NE(address.find("/?code="), std::string::npos) << html;
    auto first = runProgram("curl", { "-s", "-i", address });
    EXPECT_EQ(first.out.rfind("HTTP/1.1 200", 0), 0u) << first.out;
    EXPECT_NE(first.out.find("Set-Cookie: quillane-"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("=" + secret + "; HttpOnly; SameSite=Strict"), std::string::npos);
    auto again = runProgram("curl", { "-s", "-i", address });
    EXPECT_EQ(again.out.rfind("HTTP/1.1 401", 0), 0u) << again.out;
    EXPECT_EQ(again.out.find(secret), std::string::npos);
}
