// A user working on a device without pause, until a test kills the process.
//
//   qln_crash_driver --root DEVICE --seed N [--journal DIR] [--operations N]
//                    [--replacements N] [--verify]
//
// With --journal, every event is first rehearsed in a child process on a scratch copy of the
// preferences folder, and what it would leave there is written to DIR and flushed before the
// event runs for real: after a kill, each file must hold what it held before the event in
// flight or what the rehearsal left. With --verify, the real files are compared with the
// rehearsal after every event. Without --operations or --replacements it runs until killed.
// At the end it prints one JSON line of figures.
#include "DeviceFiles.hpp"
#include "UiDriver.hpp"
#include "foundation/Device.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using reliability::json;

namespace {

struct Options {
    fs::path root;
    fs::path journal;
    fs::path pidFile;
    unsigned seed { 1 };
    long operations { -1 };
    long replacements { -1 };
    bool verify { false };
};

Options parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::runtime_error(flag + " needs a value");
            return argv[++i];
        };
        if (flag == "--root")
            options.root = next();
        else if (flag == "--journal")
            options.journal = next();
        else if (flag == "--pid-file")
            options.pidFile = next();
        else if (flag == "--seed")
            options.seed = static_cast<unsigned>(std::stoul(next()));
        else if (flag == "--operations")
            options.operations = std::stol(next());
        else if (flag == "--replacements")
            options.replacements = std::stol(next());
        else if (flag == "--verify")
            options.verify = true;
        else
            throw std::runtime_error("unknown option " + flag);
    }
    if (options.root.empty())
        throw std::runtime_error("--root is required");
    return options;
}

// Links every entry of `from` into `to`, except those named in `keep`: relative links are
// copied as they are, so that "/User" still names the scratch copy's own home.
void linkEntries(const fs::path& from, const fs::path& to, std::initializer_list<const char*> keep)
{
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from)) {
        auto name = entry.path().filename().string();
        if (std::find(keep.begin(), keep.end(), name) != keep.end())
            continue;
        if (entry.is_symlink())
            fs::copy_symlink(entry.path(), to / name);
        else
            fs::create_symlink(fs::absolute(entry.path()), to / name);
    }
}

// Runs each event first on a scratch device that shares everything with the real one except
// the preferences folder and the pasteboard, and journals what it leaves there.
class Rehearsal {
public:
    Rehearsal(const fs::path& device, const fs::path& journal)
        : m_device(device)
        , m_journal(journal)
        , m_scratch(journal / "scratch")
    {
        fs::remove_all(m_scratch);
        // The history's lock and its record of a move are the scratch copy's own: the host
        // never follows a link to them.
        linkEntries(m_device, m_scratch,
            { "var", ".pasteboard.plist", ".quillane-history", ".quillane-history.lock",
                ".quillane-history.move" });
        linkEntries(m_device / "var", m_scratch / "var", { "mobile" });
        linkEntries(m_device / "var/mobile", m_scratch / "var/mobile", { "Library" });
        linkEntries(
            m_device / "var/mobile/Library", m_scratch / "var/mobile/Library", { "Preferences" });
    }

    void before(reliability::UiDriver& ui, const json& event)
    {
        if (changesNoFile(event)) {
            m_unrehearsed = reliability::trackedFiles(m_device);
            return;
        }
        m_unrehearsed.reset();
        pid_t child = ::fork();
        if (child < 0)
            throw std::runtime_error("fork failed");
        if (child == 0)
            rehearse(ui, event); // never returns
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            throw std::runtime_error("the rehearsal of " + event.dump() + " failed");
        reliability::removeStepRecord(m_journal, m_step - 2);
        ++m_step;
    }

    // The real files must be exactly what the rehearsal left.
    void verify(const json& event) const
    {
        if (m_unrehearsed) {
            if (*m_unrehearsed != reliability::trackedFiles(m_device))
                throw std::runtime_error(event.dump() + " changed files without a rehearsal");
            return;
        }
        auto records = reliability::newestStepRecords(m_journal, 1);
        if (records.empty() || records.back().files == reliability::trackedFiles(m_device))
            return;
        throw std::runtime_error("the files after " + event.dump() + " differ from its rehearsal");
    }

private:
    // Events that by the protocol write nothing the check looks at (a picker report is kept
    // until the picker closes; the pasteboard lives outside the preferences): not rehearsed,
    // which leaves more of the run to writes. --verify holds them to it.
    static bool changesNoFile(const json& event)
    {
        static const std::set<std::string> quiet { "pick", "back", "pasteboard", "settle" };
        return quiet.count(event.value("event", "")) > 0;
    }

    [[noreturn]] void rehearse(reliability::UiDriver& ui, const json& event)
    {
        try {
            auto preferences = reliability::preferencesDir(m_scratch);
            fs::remove_all(preferences);
            fs::copy(reliability::preferencesDir(m_device), preferences,
                fs::copy_options::recursive | fs::copy_options::copy_symlinks);
            // The pasteboard and the history live beside the device's tree; undo reads the
            // history, so the rehearsal starts from the real one.
            for (const char* name : { ".pasteboard.plist", ".quillane-history" }) {
                fs::remove(m_scratch / name);
                if (fs::exists(m_device / name))
                    fs::copy_file(m_device / name, m_scratch / name);
            }
            fw::Device::setRoot(m_scratch);
            ui.session().handle(event.dump());
            reliability::writeStepRecord(m_journal,
                { m_step, event.dump(), reliability::trackedFiles(m_scratch),
                    reliability::historyState(m_scratch) });
        } catch (const std::exception& failure) {
            std::fprintf(stderr, "rehearsal: %s\n", failure.what());
            ::_exit(1);
        }
        ::_exit(0);
    }

    fs::path m_device;
    fs::path m_journal;
    fs::path m_scratch;
    long m_step { 0 };
    std::optional<reliability::FileMap> m_unrehearsed;
};

bool done(const Options& options, long operations, const reliability::UiDriver& ui)
{
    if (options.operations >= 0 && operations >= options.operations)
        return true;
    return options.replacements >= 0 && ui.settingsReplacements() >= options.replacements;
}

int run(const Options& options)
{
    // Notifications stay in this process: the rehearsal's child must not share a bus connection.
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    // Tells the test which process to look at before it kills: one that ended by itself is no kill.
    if (!options.pidFile.empty())
        std::ofstream(options.pidFile) << ::getpid() << std::endl;
    reliability::UiDriver ui(options.root);
    std::unique_ptr<Rehearsal> rehearsal;
    if (!options.journal.empty()) {
        rehearsal = std::make_unique<Rehearsal>(options.root, options.journal);
        ui.beforeEvent = [&](const json& event) { rehearsal->before(ui, event); };
        if (options.verify)
            ui.afterEvent = [&](const json& event) { rehearsal->verify(event); };
    }
    std::mt19937 random(options.seed);
    long operations = 0;
    std::map<std::string, long> performed;
    while (!done(options, operations, ui)) {
        auto operation = reliability::chooseOperation(random);
        reliability::perform(ui, operation, random);
        ++performed[reliability::operationName(operation)];
        ++operations;
    }
    json figures { { "operations", operations }, { "events", ui.events() },
        { "refusals", ui.refusals() }, { "settingsReplacements", ui.settingsReplacements() },
        { "performed", performed } };
    std::cout << figures.dump() << std::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run(parse(argc, argv));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "qln_crash_driver: %s\n", failure.what());
        return 2;
    }
}
