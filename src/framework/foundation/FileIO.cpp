#include "foundation/FileIO.hpp"

#include "foundation/FileFaults.hpp"
#include "foundation/NSFileManager.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <random>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fw {

namespace {

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1)
        : m_fd(fd)
    {
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        reset();
        m_fd = std::exchange(other.m_fd, -1);
        return *this;
    }
    ~UniqueFd() { reset(); }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and reports whether the close succeeded (it may report a deferred write error).
    bool reset()
    {
        if (m_fd < 0)
            return true;
        int result = ::close(m_fd);
        m_fd = -1;
        return result == 0;
    }

private:
    int m_fd { -1 };
};

bool faulted(FileOp op, const std::optional<std::string_view>& faultPath)
{
    return faultPath && FileFaults::shouldFail(op, *faultPath);
}

std::string randomSuffix()
{
    static constexpr char kAlphabet[]
        = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 generator { std::random_device {}()
        ^ static_cast<std::uint64_t>(::getpid()) };
    std::string suffix(kTemporaryFileRandomLength, 'x');
    for (char& c : suffix)
        c = kAlphabet[generator() % (sizeof(kAlphabet) - 1)];
    return suffix;
}

// The file system stamps files with the coarse clock: a file made after this moment never
// carries an earlier time.
timespec coarseNow()
{
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}

const timespec kProcessStart = coarseNow();

bool isOlderThanProcess(const struct stat& info)
{
    const timespec& changed = info.st_mtim;
    return changed.tv_sec < kProcessStart.tv_sec
        || (changed.tv_sec == kProcessStart.tv_sec && changed.tv_nsec < kProcessStart.tv_nsec);
}

// A temporary file left by a writer that died (a crash, a kill) stays forever unless someone
// removes it. Each one in flight is locked by its writer, and the lock dies with the writer: a
// file older than this process that can be locked has no writer left.
void removeIfAbandoned(int directory, const char* name)
{
    struct stat info { };
    if (::fstatat(directory, name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)
        || !isOlderThanProcess(info))
        return;
    UniqueFd file(::openat(directory, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (file.valid() && ::flock(file.get(), LOCK_EX | LOCK_NB) == 0)
        ::unlinkat(directory, name, 0);
}

// Once per directory and process, before its first temporary file: what earlier processes
// abandoned there goes.
void sweepAbandonedTemporaryFiles(int directory, const std::filesystem::path& path)
{
    // Never destroyed: a background job may still write while the process exits.
    static auto* mutex = new std::mutex;
    static auto* swept = new std::set<std::string>;
    {
        std::lock_guard lock(*mutex);
        if (!swept->insert(path.string()).second)
            return;
    }
    int listing = ::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* entries = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!entries) {
        if (listing >= 0)
            ::close(listing);
        return;
    }
    while (const dirent* entry = ::readdir(entries)) {
        if (isTemporaryFileName(entry->d_name))
            removeIfAbandoned(directory, entry->d_name);
    }
    ::closedir(entries);
}

// A temporary file in the target's directory; removed again unless it was committed.
class TemporaryFile {
public:
    TemporaryFile(const std::filesystem::path& target, std::optional<std::string_view> faultPath,
        mode_t mode = 0644)
        : m_target(target.filename().string())
        , m_faultPath(faultPath)
    {
        std::filesystem::path directory = target.parent_path();
        m_directory = UniqueFd(::open(
            directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!m_directory.valid() || m_target.empty() || m_target == "." || m_target == "..")
            return;
        sweepAbandonedTemporaryFiles(m_directory.get(), directory);
        for (int attempt = 0; attempt < 16 && !m_file.valid(); ++attempt) {
            m_name = std::string(kTemporaryFileMarker) + randomSuffix();
            m_file = UniqueFd(::openat(
                m_directory.get(), m_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
            if (!m_file.valid() && errno != EEXIST)
                break;
        }
        // Never remove a file this object did not create.
        if (!m_file.valid())
            m_name.clear();
        // Held (through a second descriptor, which outlives the flush's close) until the file
        // is committed or removed: tells a sweep that its writer is alive.
        if (m_file.valid() && ::flock(m_file.get(), LOCK_EX | LOCK_NB) == 0)
            m_lock = UniqueFd(::fcntl(m_file.get(), F_DUPFD_CLOEXEC, 0));
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        m_file.reset();
        if (!m_committed && !m_name.empty() && m_directory.valid())
            ::unlinkat(m_directory.get(), m_name.c_str(), 0);
    }

    bool isOpen() const { return m_file.valid(); }
    int fd() const { return m_file.get(); }

    bool write(std::string_view bytes)
    {
        if (faulted(FileOp::Write, m_faultPath))
            return false;
        return writeAll(m_file.get(), bytes);
    }

    bool flushAndClose()
    {
        if (faulted(FileOp::Flush, m_faultPath))
            return false;
        if (::fsync(m_file.get()) != 0)
            return false;
        return m_file.reset();
    }

    // Renames over the target (replace) or links into place only when the target is absent.
    bool commit(bool replace)
    {
        if (faulted(FileOp::Rename, m_faultPath))
            return false;
        int dir = m_directory.get();
        if (replace) {
            if (::renameat(dir, m_name.c_str(), dir, m_target.c_str()) != 0)
                return false;
        } else if (!linkWithoutReplacing()) {
            return false;
        }
        m_committed = true;
        // The rename has happened; a failed directory flush cannot undo it, so it is not reported.
        ::fsync(dir);
        return true;
    }

private:
    bool linkWithoutReplacing()
    {
        int dir = m_directory.get();
        if (::renameat2(dir, m_name.c_str(), dir, m_target.c_str(), RENAME_NOREPLACE) == 0)
            return true;
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
            return false;
        // File systems without RENAME_NOREPLACE: link() refuses an existing name as well.
        if (::linkat(dir, m_name.c_str(), dir, m_target.c_str(), 0) != 0)
            return false;
        ::unlinkat(dir, m_name.c_str(), 0);
        return true;
    }

    UniqueFd m_directory;
    UniqueFd m_file;
    UniqueFd m_lock;
    std::string m_target;
    std::string m_name;
    std::optional<std::string_view> m_faultPath;
    bool m_committed { false };
};

// Reads until `size` bytes are in or the file ends; nullopt on a read error.
std::optional<std::size_t> readUpTo(int fd, char* buffer, std::size_t size)
{
    std::size_t filled = 0;
    while (filled < size) {
        ssize_t count = ::read(fd, buffer + filled, size - filled);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            break;
        filled += static_cast<std::size_t>(count);
    }
    return filled;
}

bool copyStream(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        ssize_t count = ::read(from, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        if (count == 0)
            return true;
        if (!writeAll(to, std::string_view(buffer, static_cast<std::size_t>(count))))
            return false;
    }
}

} // namespace

bool isTemporaryFileName(std::string_view name)
{
    std::size_t tail = kTemporaryFileMarker.size() + kTemporaryFileRandomLength;
    if (name.size() < tail || name.front() != '.')
        return false;
    std::string_view marker = name.substr(name.size() - tail, kTemporaryFileMarker.size());
    std::string_view random = name.substr(name.size() - kTemporaryFileRandomLength);
    return marker == kTemporaryFileMarker && std::all_of(random.begin(), random.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

bool writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
    std::optional<std::string_view> faultPath)
{
    TemporaryFile temporary(target, faultPath);
    if (!temporary.isOpen())
        return false;
    if (!temporary.write(bytes) || !temporary.flushAndClose())
        return false;
    return temporary.commit(true);
}

bool writePrivateFileAtomically(const std::filesystem::path& target, std::string_view bytes)
{
    TemporaryFile temporary(target, std::nullopt, 0600);
    // The mode asked for at creation is narrowed by the umask only; this one is exact.
    if (!temporary.isOpen() || ::fchmod(temporary.fd(), 0600) != 0)
        return false;
    if (!temporary.write(bytes) || !temporary.flushAndClose())
        return false;
    return temporary.commit(true);
}

bool copyFileWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
    std::optional<std::string_view> faultPath)
{
    struct stat info { };
    if (::lstat(to.c_str(), &info) == 0)
        return false;
    UniqueFd source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!source.valid() || ::fstat(source.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    TemporaryFile temporary(to, faultPath);
    if (!temporary.isOpen())
        return false;
    ::fchmod(temporary.fd(), info.st_mode & 0777);
    if (faulted(FileOp::Write, faultPath) || !copyStream(source.get(), temporary.fd()))
        return false;
    if (!temporary.flushAndClose())
        return false;
    return temporary.commit(false);
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::optional<std::string> readFileContents(
    const std::filesystem::path& file, std::optional<std::size_t> limit, Links links)
{
    const std::size_t most = limit.value_or(std::numeric_limits<std::size_t>::max());
    int noFollow = links == Links::Refuse ? O_NOFOLLOW : 0;
    // Non-blocking, so that a FIFO planted in a file's place cannot hold the reader; the flag
    // does not change how a regular file reads.
    UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | noFollow));
    struct stat info { };
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    if (static_cast<std::uint64_t>(info.st_size) > most)
        return std::nullopt;
    std::string contents(static_cast<std::size_t>(info.st_size), '\0');
    auto filled = readUpTo(fd.get(), contents.data(), contents.size());
    if (!filled)
        return std::nullopt;
    if (*filled < contents.size()) {
        contents.resize(*filled);
        return contents;
    }
    // The file may have grown since fstat: read on, but never past the limit.
    char extra[4096];
    for (;;) {
        auto count = readUpTo(fd.get(), extra, sizeof extra);
        if (!count || contents.size() + *count > most)
            return std::nullopt;
        if (*count == 0)
            return contents;
        contents.append(extra, *count);
    }
}

} // namespace fw
