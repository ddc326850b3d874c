#include "DeviceFiles.hpp"

#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "history/History.hpp"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace reliability {

namespace {

constexpr const char* kRecordPrefix = "step-";

bool isTemporary(const fs::path& path)
{
    return fw::isTemporaryFileName(path.filename().string());
}

void syncPath(const fs::path& path, int flags)
{
    int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path.string());
    ::fsync(fd);
    ::close(fd);
}

fs::path recordPath(const fs::path& journalDir, long step)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s%09ld", kRecordPrefix, step);
    return journalDir / name;
}

// "<length>\n<bytes>": lengths first, so that any byte may appear in a file.
void putField(std::string& out, const std::string& bytes)
{
    out += std::to_string(bytes.size());
    out += '\n';
    out += bytes;
}

std::string takeField(std::istream& in)
{
    std::string length;
    if (!std::getline(in, length))
        throw std::runtime_error("truncated step record");
    std::string bytes(std::stoul(length), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!in)
        throw std::runtime_error("truncated step record");
    return bytes;
}

StepRecord readStepRecord(const fs::path& file)
{
    std::istringstream in(readWholeFile(file));
    StepRecord record;
    record.step = std::stol(takeField(in));
    record.event = takeField(in);
    auto count = std::stoul(takeField(in));
    for (std::size_t i = 0; i < count; ++i) {
        auto path = takeField(in);
        record.files[path] = takeField(in);
    }
    record.history = takeField(in);
    return record;
}

} // namespace

fs::path preferencesDir(const fs::path& deviceRoot)
{
    return deviceRoot / "var/mobile/Library/Preferences";
}

FileMap trackedFiles(const fs::path& deviceRoot)
{
    FileMap files;
    auto base = preferencesDir(deviceRoot);
    std::error_code error;
    for (fs::recursive_directory_iterator it(base, error), end; !error && it != end;
         it.increment(error)) {
        if (!it->is_regular_file(error) || isTemporary(it->path()))
            continue;
        files[fs::relative(it->path(), base).string()] = readWholeFile(it->path());
    }
    return files;
}

std::string historyState(const fs::path& deviceRoot)
{
    auto file = deviceRoot / ".quillane-history";
    if (!fs::exists(file))
        return "none";
    auto store = history::decodeHistory(readWholeFile(file));
    std::string state = std::to_string(store.position) + ":";
    for (const auto& step : store.steps)
        state += " " + std::to_string(step.id);
    return state;
}

std::vector<std::string> temporaryFiles(const fs::path& deviceRoot)
{
    std::vector<std::string> found;
    auto base = preferencesDir(deviceRoot);
    std::error_code error;
    for (fs::recursive_directory_iterator it(base, error), end; !error && it != end;
         it.increment(error)) {
        if (isTemporary(it->path()))
            found.push_back(fs::relative(it->path(), base).string());
    }
    return found;
}

void writeStepRecord(const fs::path& journalDir, const StepRecord& record)
{
    std::string bytes;
    putField(bytes, std::to_string(record.step));
    putField(bytes, record.event);
    putField(bytes, std::to_string(record.files.size()));
    for (const auto& [path, contents] : record.files) {
        putField(bytes, path);
        putField(bytes, contents);
    }
    putField(bytes, record.history);
    // Whole and durable before the event runs: written aside, flushed, then renamed.
    auto target = recordPath(journalDir, record.step);
    auto temporary = target;
    temporary += ".partial";
    writeWholeFile(temporary, bytes);
    syncPath(temporary, O_RDONLY);
    fs::rename(temporary, target);
    syncPath(journalDir, O_RDONLY | O_DIRECTORY);
}

std::vector<StepRecord> newestStepRecords(const fs::path& journalDir, std::size_t count)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(journalDir)) {
        auto name = entry.path().filename().string();
        if (name.starts_with(kRecordPrefix) && !name.ends_with(".partial"))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    if (files.size() > count)
        files.erase(files.begin(), files.end() - static_cast<std::ptrdiff_t>(count));
    std::vector<StepRecord> records;
    for (const auto& file : files)
        records.push_back(readStepRecord(file));
    return records;
}

void removeStepRecord(const fs::path& journalDir, long step)
{
    std::error_code ignored;
    fs::remove(recordPath(journalDir, step), ignored);
}

std::string readWholeFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeWholeFile(const fs::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

std::optional<std::string> damage(const std::string& relativePath, const std::string& bytes)
{
    if (!relativePath.ends_with(".plist"))
        return std::nullopt;
    auto value = fw::parsePropertyList(bytes);
    if (!value)
        return "does not parse";
    if (!value->isDictionary())
        return "is no dictionary";
    return std::nullopt;
}

} // namespace reliability
