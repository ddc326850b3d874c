#include "host/History.hpp"

#include "foundation/Device.hpp"
#include "foundation/FileIO.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "store/Settings.hpp"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <iostream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <zlib.h>

namespace host {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr std::string_view kHistoryFileName = ".quillane-history";
constexpr std::string_view kMagic = "QLNHIST1";
// Small pieces cost more to compress than they save.
constexpr std::size_t kCompressFrom = 96;
constexpr std::size_t kMaxHistoryBytes = 64u << 20;
constexpr auto kLockPatience = std::chrono::seconds(10);
constexpr const char* kForeignLabel = "Change by Another Program";
constexpr const char* kForeignNotice = "The settings were changed by another program.";

std::uint32_t crcOf(std::string_view bytes)
{
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

json binary(std::string_view bytes)
{
    return json::binary(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::string compressed(std::string_view bytes)
{
    // The same preset and settings files are stored again on every save: keep their packing.
    static std::unordered_map<std::string, std::string> memo;
    if (auto found = memo.find(std::string(bytes)); found != memo.end())
        return found->second;
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uLong>(bytes.size()), 6)
        != Z_OK)
        throw std::runtime_error("compression failed");
    out.resize(size);
    if (memo.size() > 64)
        memo.clear();
    memo.emplace(std::string(bytes), out);
    return out;
}

json pack(std::string_view bytes)
{
    if (bytes.size() < kCompressFrom)
        return { { "b", binary(bytes) } };
    return { { "n", bytes.size() }, { "z", binary(compressed(bytes)) } };
}

json pack(std::string_view bytes, std::string& stored)
{
    if (bytes.size() < kCompressFrom)
        return { { "b", binary(bytes) } };
    if (stored.empty())
        stored = compressed(bytes);
    return { { "n", bytes.size() }, { "z", binary(stored) } };
}

std::string storedForm(const json& packed)
{
    auto z = packed.find("z");
    if (z == packed.end())
        return {};
    auto& data = z->get_binary();
    return std::string(data.begin(), data.end());
}

std::string unpack(const json& packed)
{
    if (auto raw = packed.find("b"); raw != packed.end()) {
        auto& data = raw->get_binary();
        return std::string(data.begin(), data.end());
    }
    auto size = packed.at("n").get<std::uint64_t>();
    auto& data = packed.at("z").get_binary();
    if (size > kMaxHistoryBytes)
        throw std::runtime_error("a stored file is too large");
    std::string out(size, '\0');
    uLongf outSize = static_cast<uLongf>(size);
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &outSize, data.data(),
            static_cast<uLong>(data.size()))
            != Z_OK
        || outSize != size)
        throw std::runtime_error("a stored file does not decompress");
    return out;
}

json changeJson(const FileChange& change)
{
    return { { "path", change.path }, { "eb", change.existedBefore }, { "ea", change.existedAfter },
        { "p", change.prefix }, { "s", change.suffix },
        { "mb", pack(change.middleBefore, change.storedBefore) },
        { "ma", pack(change.middleAfter, change.storedAfter) }, { "nb", change.sizeBefore },
        { "na", change.sizeAfter }, { "cb", change.crcBefore }, { "ca", change.crcAfter } };
}

FileChange changeFromJson(const json& j)
{
    FileChange change;
    change.path = j.at("path").get<std::string>();
    change.existedBefore = j.at("eb").get<bool>();
    change.existedAfter = j.at("ea").get<bool>();
    change.prefix = j.at("p").get<std::uint64_t>();
    change.suffix = j.at("s").get<std::uint64_t>();
    change.middleBefore = unpack(j.at("mb"));
    change.middleAfter = unpack(j.at("ma"));
    change.storedBefore = storedForm(j.at("mb"));
    change.storedAfter = storedForm(j.at("ma"));
    change.sizeBefore = j.at("nb").get<std::uint64_t>();
    change.sizeAfter = j.at("na").get<std::uint64_t>();
    change.crcBefore = j.at("cb").get<std::uint32_t>();
    change.crcAfter = j.at("ca").get<std::uint32_t>();
    return change;
}

std::optional<std::string> lookupFile(const FileSet& files, const std::string& path)
{
    auto found = files.find(path);
    if (found == files.end())
        return std::nullopt;
    return found->second;
}

std::string presetsDirectory()
{
    return std::string(qln::presetPath);
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

} // namespace

FileChange makeChange(const std::string& path, const std::optional<std::string>& before,
    const std::optional<std::string>& after)
{
    std::string_view from = before ? std::string_view(*before) : std::string_view();
    std::string_view to = after ? std::string_view(*after) : std::string_view();
    std::size_t shorter = std::min(from.size(), to.size());
    std::size_t prefix = 0;
    while (prefix < shorter && from[prefix] == to[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (
        suffix < shorter - prefix && from[from.size() - 1 - suffix] == to[to.size() - 1 - suffix])
        ++suffix;
    FileChange change;
    change.path = path;
    change.existedBefore = before.has_value();
    change.existedAfter = after.has_value();
    change.prefix = prefix;
    change.suffix = suffix;
    change.middleBefore = std::string(from.substr(prefix, from.size() - prefix - suffix));
    change.middleAfter = std::string(to.substr(prefix, to.size() - prefix - suffix));
    change.sizeBefore = from.size();
    change.sizeAfter = to.size();
    change.crcBefore = crcOf(from);
    change.crcAfter = crcOf(to);
    return change;
}

std::optional<std::optional<std::string>> applyChange(
    const FileChange& change, const std::optional<std::string>& from, bool backwards)
{
    bool existedFrom = backwards ? change.existedAfter : change.existedBefore;
    bool existsTo = backwards ? change.existedBefore : change.existedAfter;
    auto sizeFrom = backwards ? change.sizeAfter : change.sizeBefore;
    auto crcFrom = backwards ? change.crcAfter : change.crcBefore;
    auto sizeTo = backwards ? change.sizeBefore : change.sizeAfter;
    auto crcTo = backwards ? change.crcBefore : change.crcAfter;
    auto& middle = backwards ? change.middleBefore : change.middleAfter;
    std::string_view bytes = from ? std::string_view(*from) : std::string_view();
    // The file must be exactly what the step left, or the result would be a mix of both.
    if (from.has_value() != existedFrom || bytes.size() != sizeFrom || crcOf(bytes) != crcFrom
        || change.prefix + change.suffix > bytes.size())
        return std::nullopt;
    std::string result;
    result.reserve(sizeTo);
    result.append(bytes.substr(0, change.prefix));
    result.append(middle);
    result.append(bytes.substr(bytes.size() - change.suffix));
    if (result.size() != sizeTo || crcOf(result) != crcTo)
        return std::nullopt;
    if (!existsTo)
        return std::optional<std::string>();
    return std::optional<std::string>(std::move(result));
}

namespace {

const std::string& encodedStep(const HistoryStep& step)
{
    if (!step.encoded.empty())
        return step.encoded;
    json changes = json::array();
    for (auto& change : step.changes)
        changes.push_back(changeJson(change));
    json document = json::object();
    document["id"] = step.id;
    document["label"] = step.label;
    document["notice"] = step.notice;
    document["changes"] = std::move(changes);
    auto bytes = json::to_cbor(document);
    step.encoded.assign(bytes.begin(), bytes.end());
    return step.encoded;
}

HistoryStep decodeStep(const json& stored)
{
    auto& bytes = stored.get_binary();
    auto j = json::from_cbor(bytes);
    HistoryStep step;
    step.id = j.at("id").get<std::uint64_t>();
    step.label = j.at("label").get<std::string>();
    step.notice = j.at("notice").get<std::string>();
    for (auto& change : j.at("changes"))
        step.changes.push_back(changeFromJson(change));
    step.encoded.assign(bytes.begin(), bytes.end());
    return step;
}

} // namespace

std::string encodeHistory(const History::Store& store)
{
    json known = json::object();
    for (auto& [path, bytes] : store.known)
        known[path] = pack(bytes);
    json steps = json::array();
    for (auto& step : store.steps)
        steps.push_back(binary(encodedStep(step)));
    json document = json::object();
    document["position"] = store.position;
    document["nextId"] = store.nextId;
    document["known"] = std::move(known);
    document["steps"] = std::move(steps);
    auto body = json::to_cbor(document);
    std::string bodyBytes(body.begin(), body.end());
    std::uint32_t crc = crcOf(bodyBytes);
    std::string out(kMagic);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((crc >> shift) & 0xff));
    return out + bodyBytes;
}

History::Store decodeHistory(const std::string& bytes)
{
    if (bytes.size() < kMagic.size() + 4 || !bytes.starts_with(kMagic))
        throw std::runtime_error("it is not a history file");
    std::uint32_t crc = 0;
    for (int i = 0; i < 4; ++i)
        crc |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[kMagic.size() + i]))
            << (8 * i);
    std::string_view body = std::string_view(bytes).substr(kMagic.size() + 4);
    if (crcOf(body) != crc)
        throw std::runtime_error("its checksum does not match");
    try {
        auto document = json::from_cbor(body);
        History::Store store;
        for (auto& [path, packed] : document.at("known").items())
            store.known[path] = unpack(packed);
        for (auto& stored : document.at("steps"))
            store.steps.push_back(decodeStep(stored));
        store.position = document.at("position").get<std::size_t>();
        store.nextId = document.at("nextId").get<std::uint64_t>();
        if (store.position > store.steps.size())
            throw std::runtime_error("its position is past its last step");
        return store;
    } catch (const json::exception& error) {
        throw std::runtime_error(error.what());
    }
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

FileSet History::readDeviceFiles()
{
    FileSet files;
    auto add = [&](const std::string& devicePath) {
        if (auto bytes = fw::readFileContents(fw::Device::resolve(devicePath), kMaxHistoryBytes))
            files.emplace(devicePath, std::move(*bytes));
    };
    add(std::string(qln::settingsFile));
    add(std::string(qln::persistentFile));
    std::error_code error;
    for (auto& entry : fs::directory_iterator(fw::Device::resolve(qln::presetPath), error)) {
        auto name = entry.path().filename().string();
        // Temporary files of a write in flight are no preset.
        if (name.find(fw::kTemporaryFileMarker) != std::string::npos
            || !entry.is_regular_file(error))
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
    if (m_lockFd < 0)
        m_lockFd = ::open(lockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
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
    auto bytes = fw::readFileContents(filePath(), kMaxHistoryBytes);
    if (!bytes && !fs::exists(filePath())) {
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
        // Set aside, so that nothing is lost and the settings stay usable.
        auto aside = filePath();
        aside += ".damaged";
        std::error_code ignored;
        fs::rename(filePath(), aside, ignored);
        std::cerr << "quillane: the history at " << filePath() << " is damaged (" << error.what()
                  << "); it was moved to " << aside << " and a new history begins\n";
        m_store = {};
        m_loadedBytes.reset();
        m_hasFile = false;
    }
}

bool History::save()
{
    auto bytes = encodeHistory(m_store);
    if (!fw::writeFileAtomically(filePath(), bytes)) {
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
    while (m_store.steps.size() > kMaxSteps)
        m_store.steps.pop_front();
    m_store.position = m_store.steps.size();
    m_store.known = now;
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
        auto now = readDeviceFiles();
        // Without a history there is nothing to compare with: the files as they are now are
        // where it starts, kept at once so that later changes by others can be told apart.
        if (!m_hasFile) {
            m_store.known = now;
            save();
        }
        if (now != m_store.known) {
            auto changes = changesBetween(m_store.known, now);
            append(stepFor(changes, { kForeignLabel, kForeignNotice }), now);
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

std::optional<std::uint64_t> History::finish(const std::function<StepName(const ChangeSet&)>& name)
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
    finish([](const ChangeSet&) { return StepName { kForeignLabel, kForeignNotice }; });
    return foreign;
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
    const HistoryStep& step = steps[index];
    FileSet target = m_store.known;
    for (auto& change : step.changes) {
        auto rebuilt = applyChange(change, lookupFile(target, change.path), backwards);
        if (!rebuilt) {
            result.error = "the history no longer matches " + change.path + "; nothing was changed";
            return result;
        }
        target.erase(change.path);
        if (*rebuilt)
            target.emplace(change.path, std::move(**rebuilt));
    }
    auto& files = fw::NSFileManager::defaultManager();
    auto put = [&](const std::string& path, const std::optional<std::string>& bytes) {
        if (!bytes)
            return !files.fileExistsAtPath(path) || files.removeItemAtPath(path);
        if (isPresetPath(path))
            files.createDirectoryAtPath(parentOf(path));
        return files.writeAtomically(path, *bytes);
    };
    for (std::size_t i = 0; i < step.changes.size(); ++i) {
        auto& path = step.changes[i].path;
        if (put(path, lookupFile(target, path)))
            continue;
        // Put back what was already written, so the files stay as the step left them.
        for (std::size_t j = 0; j < i; ++j)
            put(step.changes[j].path, lookupFile(m_store.known, step.changes[j].path));
        result.error = "could not write " + path + "; nothing was changed";
        return result;
    }
    for (auto& change : step.changes)
        result.presetsChanged = result.presetsChanged || change.path != qln::settingsFile;
    result.label = step.label;
    m_store.position = backwards ? index : index + 1;
    m_store.known = target;
    m_before = std::move(target);
    save();
    return result;
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

} // namespace host
