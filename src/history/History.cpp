#include "history/History.hpp"

#include "contract/SettingsContract.hpp"
#include "foundation/Device.hpp"
#include "foundation/FileIO.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "history/MoveRecord.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <stdexcept>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace history {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHistoryFileName = ".quillane-history";
constexpr std::size_t kMaxHistoryBytes = 64u << 20;
constexpr auto kLockPatience = std::chrono::seconds(10);

std::optional<std::string> lookupFile(const FileSet& files, const std::string& path)
{
    auto found = files.find(path);
    if (found == files.end())
        return std::nullopt;
    return found->second;
}

std::string presetsDirectory()
{
    return std::string(contract::presetsDirectory);
}

bool isPresetPath(const std::string& path)
{
    return path.starts_with(presetsDirectory());
}

// The device path's folder, for re-creating the presets folder a step removed with its files.
std::string parentOf(const std::string& devicePath)
{
    auto slash = devicePath.find_last_of('/');
    return slash == std::string::npos ? std::string() : devicePath.substr(0, slash);
}

// A preset's file as the bundle lists it, and never a temporary file of a write in flight.
bool isPresetFileName(std::string_view name)
{
    constexpr std::size_t kMaxFileNameBytes = 255;
    return name.ends_with(contract::plistSuffix) && name.size() <= kMaxFileNameBytes
        && name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos
        && !fw::isTemporaryFileName(name);
}

std::optional<std::string> readDeviceFile(const std::string& devicePath)
{
    return fw::readFileContents(fw::Device::resolve(devicePath), kMaxHistoryBytes);
}

// Writes what a step left, or removes the file it did not have. The bundle's files are written
// as the bundle writes them, but never where a link would take them off the device.
bool putDeviceFile(const std::string& path, const std::optional<std::string>& bytes)
{
    if (!fw::Device::resolvesInside(path))
        return false;
    auto& files = fw::NSFileManager::defaultManager();
    if (!bytes)
        return !files.fileExistsAtPath(path) || files.removeItemAtPath(path);
    if (isPresetPath(path))
        files.createDirectoryAtPath(parentOf(path));
    return files.writeAtomically(path, *bytes);
}

// The files as they are once `step` is undone (backwards) or redone from `from`; nullopt when
// they no longer match what the step recorded, with the path that does not in `mismatch`.
std::optional<FileSet> filesAfterMove(
    const FileSet& from, const HistoryStep& step, bool backwards, std::string& mismatch)
{
    FileSet target = from;
    for (auto& change : step.changes) {
        auto rebuilt = applyChange(change, lookupFile(target, change.path), backwards);
        if (!rebuilt) {
            mismatch = change.path;
            return std::nullopt;
        }
        target.erase(change.path);
        if (*rebuilt)
            target.emplace(change.path, std::move(**rebuilt));
    }
    return target;
}

} // namespace

bool isHistoryPath(std::string_view devicePath)
{
    if (devicePath == contract::settingsFile || devicePath == contract::persistentFile)
        return true;
    return devicePath.starts_with(contract::presetsDirectory)
        && isPresetFileName(devicePath.substr(contract::presetsDirectory.size()));
}

StepName foreignChange(const ChangeSet&)
{
    return { "Change by Another Program", "The settings were changed by another program." };
}

History& History::shared()
{
    // Never destroyed: a process may exit with a change open.
    static auto* history = new History;
    return *history;
}

fs::path History::filePath()
{
    return fw::Device::root() / kHistoryFileName;
}

fs::path History::lockPath()
{
    return fw::Device::root() / (std::string(kHistoryFileName) + ".lock");
}

fs::path History::movePath()
{
    return fw::Device::root() / (std::string(kHistoryFileName) + ".move");
}

FileSet History::readDeviceFiles()
{
    FileSet files;
    auto add = [&](const std::string& devicePath) {
        if (auto bytes = readDeviceFile(devicePath))
            files.emplace(devicePath, std::move(*bytes));
    };
    add(std::string(contract::settingsFile));
    add(std::string(contract::persistentFile));
    std::error_code error;
    for (auto& entry :
        fs::directory_iterator(fw::Device::resolve(contract::presetsDirectory), error)) {
        auto name = entry.path().filename().string();
        if (!isPresetFileName(name) || !entry.is_regular_file(error))
            continue;
        add(presetsDirectory() + name);
    }
    return files;
}

void History::lock()
{
    if (m_root != fw::Device::root()) {
        if (m_lockFd >= 0)
            ::close(m_lockFd);
        m_lockFd = -1;
        m_root = fw::Device::root();
        m_store = {};
        m_loadedBytes.reset();
    }
    // Never through a link: one planted here would have the lock created wherever it points.
    if (m_lockFd < 0)
        m_lockFd = ::open(lockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lockFd < 0) {
        std::cerr << "quillane: cannot lock the history at " << lockPath()
                  << "; changes are recorded without it\n";
        return;
    }
    // A process that hangs while holding the lock must not stop every other one for good.
    auto limit = std::chrono::steady_clock::now() + kLockPatience;
    while (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > limit) {
            std::cerr << "quillane: the history is held by another process; this change is "
                         "recorded without waiting for it\n";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void History::unlock()
{
    if (m_lockFd >= 0)
        ::flock(m_lockFd, LOCK_UN);
}

void History::load()
{
    if (m_root != fw::Device::root()) {
        m_root = fw::Device::root();
        m_store = {};
        m_loadedBytes.reset();
    }
    auto bytes = fw::readFileContents(filePath(), kMaxHistoryBytes, fw::Links::Refuse);
    std::error_code missing;
    if (!bytes && !fs::exists(fs::symlink_status(filePath(), missing))) {
        m_store = {};
        m_loadedBytes.reset();
        m_hasFile = false;
        return;
    }
    m_hasFile = true;
    if (bytes && m_loadedBytes && *m_loadedBytes == *bytes)
        return;
    try {
        if (!bytes)
            throw std::runtime_error("it cannot be read");
        m_store = decodeHistory(*bytes);
        m_loadedBytes = std::move(bytes);
    } catch (const std::exception& error) {
        setAside(error.what());
    }
}

// A damaged history is kept, so that nothing is lost and the settings stay usable; each one
// under a name of its own, never over an earlier one.
void History::setAside(const std::string& why)
{
    constexpr int kMostCopies = 100;
    fs::path aside;
    bool moved = false;
    for (int copy = 1; copy <= kMostCopies && !moved; ++copy) {
        aside = filePath();
        aside += copy == 1 ? std::string(".damaged") : ".damaged." + std::to_string(copy);
        moved = ::renameat2(AT_FDCWD, filePath().c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE)
            == 0;
        if (!moved && errno != EEXIST)
            break;
    }
    std::cerr << "quillane: the history at " << filePath() << " is damaged (" << why << "); "
              << (moved ? "it was moved to " + aside.string() : std::string("it could not be kept"))
              << " and a new history begins\n";
    m_store = {};
    m_loadedBytes.reset();
    m_hasFile = false;
}

bool History::save()
{
    // Only when the files alone are past the bound (the oldest steps go first): such a history
    // would be refused when read, so none is kept.
    if (decodedSize(m_store) > kMaxDecodedBytes) {
        static bool told = false;
        if (!std::exchange(told, true))
            std::cerr << "quillane: the settings files together hold more than "
                      << (kMaxDecodedBytes >> 20) << " MiB; no history is kept for them\n";
        m_loadedBytes.reset();
        return false;
    }
    auto bytes = encodeHistory(m_store);
    // Private: it holds copies of the settings files, whatever their own modes.
    if (!fw::writePrivateFileAtomically(filePath(), bytes)) {
        std::cerr << "quillane: the history at " << filePath() << " could not be written\n";
        m_loadedBytes.reset();
        return false;
    }
    m_loadedBytes = std::move(bytes);
    m_hasFile = true;
    return true;
}

void History::append(HistoryStep step, const FileSet& now)
{
    m_store.steps.erase(
        m_store.steps.begin() + static_cast<std::ptrdiff_t>(m_store.position), m_store.steps.end());
    step.id = m_store.nextId++;
    m_store.steps.push_back(std::move(step));
    m_store.known = now;
    while (m_store.steps.size() > kMaxSteps
        || (m_store.steps.size() > 1 && decodedSize(m_store) > kMaxDecodedBytes))
        m_store.steps.pop_front();
    m_store.position = m_store.steps.size();
}

namespace {

ChangeSet changesBetween(const FileSet& before, const FileSet& after)
{
    ChangeSet changes;
    auto note = [&](const std::string& path) {
        auto old = lookupFile(before, path);
        auto now = lookupFile(after, path);
        if (old == now)
            return;
        changes.paths.push_back(path);
        if (old)
            changes.before.emplace(path, *old);
        if (now)
            changes.after.emplace(path, *now);
    };
    for (auto& [path, bytes] : before)
        note(path);
    for (auto& [path, bytes] : after) {
        if (!before.contains(path))
            note(path);
    }
    return changes;
}

HistoryStep stepFor(const ChangeSet& changes, StepName name)
{
    HistoryStep step;
    step.label = std::move(name.label);
    step.notice = std::move(name.notice);
    for (auto& path : changes.paths)
        step.changes.push_back(
            makeChange(path, lookupFile(changes.before, path), lookupFile(changes.after, path)));
    return step;
}

} // namespace

void History::begin()
{
    if (m_open)
        return;
    lock();
    m_open = true;
    m_foreignId.reset();
    try {
        load();
        rollBackInterruptedMove();
        auto now = readDeviceFiles();
        // Without a history there is nothing to compare with: the files as they are now are
        // where it starts, kept at once so that later changes by others can be told apart.
        if (!m_hasFile) {
            m_store.known = now;
            save();
        }
        if (now != m_store.known) {
            auto changes = changesBetween(m_store.known, now);
            append(stepFor(changes, m_nameForeign(changes)), now);
            m_foreignId = m_store.steps.back().id;
            save();
        }
        m_before = std::move(now);
    } catch (const std::exception& error) {
        std::cerr << "quillane: the history could not be read (" << error.what() << ")\n";
        m_before = readDeviceFiles();
        m_store.known = m_before;
    }
}

std::optional<std::uint64_t> History::finish(const StepNamer& name)
{
    if (!m_open)
        return std::nullopt;
    std::optional<std::uint64_t> recorded;
    try {
        auto now = readDeviceFiles();
        if (now != m_before) {
            auto changes = changesBetween(m_before, now);
            append(stepFor(changes, name(changes)), now);
            recorded = m_store.steps.back().id;
            save();
        }
    } catch (const std::exception& error) {
        std::cerr << "quillane: the change could not be recorded (" << error.what() << ")\n";
    }
    m_before.clear();
    m_open = false;
    unlock();
    return recorded;
}

std::optional<std::uint64_t> History::recordForeignChange()
{
    if (m_open)
        return std::nullopt;
    begin();
    auto foreign = m_foreignId;
    finish(m_nameForeign);
    return foreign;
}

void History::record(const std::function<void()>& change, const StepNamer& name)
{
    bool ownChange = !m_open;
    if (ownChange)
        begin();
    try {
        change();
    } catch (...) {
        if (ownChange)
            finish(name);
        throw;
    }
    if (ownChange)
        finish(name);
}

History::Move History::undo()
{
    return move(true);
}

History::Move History::redo()
{
    return move(false);
}

History::Move History::move(bool backwards)
{
    Move result;
    if (!m_open) {
        result.error = "the history is not open";
        return result;
    }
    auto& steps = m_store.steps;
    if (backwards ? m_store.position == 0 : m_store.position >= steps.size()) {
        result.error = backwards ? "there is nothing to undo" : "there is nothing to redo";
        return result;
    }
    std::size_t index = backwards ? m_store.position - 1 : m_store.position;
    std::size_t to = backwards ? index : index + 1;
    const HistoryStep& step = steps[index];
    std::string mismatch;
    auto target = filesAfterMove(m_store.known, step, backwards, mismatch);
    if (!target) {
        result.error = "the history no longer matches " + mismatch + "; nothing was changed";
        return result;
    }
    // Recorded before the first file is touched: a process killed while it writes them leaves
    // the next one what it needs to put them back.
    if (!writeMoveRecord(movePath(), { m_store.position, to, step.id })) {
        result.error = "the history could not record the change; nothing was changed";
        return result;
    }
    for (std::size_t i = 0; i < step.changes.size(); ++i) {
        auto& path = step.changes[i].path;
        if (putDeviceFile(path, lookupFile(*target, path)))
            continue;
        // Put back what was already written, so the files stay as the step left them.
        for (std::size_t j = 0; j < i; ++j)
            putDeviceFile(step.changes[j].path, lookupFile(m_store.known, step.changes[j].path));
        ::unlink(movePath().c_str());
        result.error = "could not write " + path + "; nothing was changed";
        return result;
    }
    for (auto& change : step.changes)
        result.presetsChanged = result.presetsChanged || change.path != contract::settingsFile;
    result.label = step.label;
    m_store.position = to;
    m_store.known = *target;
    m_before = std::move(*target);
    // Without the history written, the record stays: the next process puts the files back to
    // where the history file still stands.
    if (save())
        ::unlink(movePath().c_str());
    return result;
}

void History::rollBackInterruptedMove()
{
    auto record = readMoveRecord(movePath());
    auto forget = [] { ::unlink(movePath().c_str()); };
    std::error_code missing;
    if (!record && fs::exists(fs::symlink_status(movePath(), missing)))
        return forget();
    if (!record)
        return;
    bool backwards = record->to < record->from;
    std::size_t index = backwards ? record->from - 1 : record->from;
    auto& steps = m_store.steps;
    // The history moved (it was written last) or is another one since: nothing is half done.
    if (m_store.position != record->from || index >= steps.size()
        || steps[index].id != record->stepId)
        return forget();
    std::string mismatch;
    auto target = filesAfterMove(m_store.known, steps[index], backwards, mismatch);
    if (!target)
        return forget();
    bool complete = true;
    for (auto& change : steps[index].changes) {
        auto before = lookupFile(m_store.known, change.path);
        auto written = lookupFile(*target, change.path);
        if (written != before && readDeviceFile(change.path) == written)
            complete = putDeviceFile(change.path, before) && complete;
    }
    if (!complete) {
        std::cerr << "quillane: an interrupted " << (backwards ? "undo" : "redo")
                  << " could not be rolled back; its files stay as they are\n";
        return;
    }
    forget();
    std::cerr << "quillane: an interrupted " << (backwards ? "undo" : "redo")
              << " was rolled back; the history is as it was before it\n";
}

History::Summary History::summary()
{
    if (!m_open) {
        try {
            load();
        } catch (const std::exception&) {
            return {};
        }
    }
    Summary summary;
    auto& steps = m_store.steps;
    if (m_store.position > 0) {
        auto& head = steps[m_store.position - 1];
        summary.undo = head.label;
        summary.headId = head.id;
        summary.notice = head.notice;
    }
    if (m_store.position < steps.size())
        summary.redo = steps[m_store.position].label;
    return summary;
}

} // namespace history
