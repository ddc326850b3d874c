#include "web/UserState.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace web {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kTokenBytes = 24;

bool isToken(const std::string& text)
{
    return text.size() == 2 * kTokenBytes
        && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::string readSmallFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// Writes `text` to a new private file beside `target` and links it in only when `target` does
// not exist yet, so a file that another process made first wins.
bool linkNewPrivateFile(const fs::path& target, const std::string& text)
{
    auto temporary = target.parent_path() / (".new-" + randomHex(6));
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::runtime_error("cannot write " + temporary.string());
    bool written
        = ::write(fd, text.data(), text.size()) == ssize_t(text.size()) && ::fsync(fd) == 0;
    ::close(fd);
    bool linked = written && ::link(temporary.c_str(), target.c_str()) == 0;
    ::unlink(temporary.c_str());
    if (!written)
        throw std::runtime_error("cannot write " + target.string());
    return linked;
}

fs::path addressFile(const fs::path& runtimeDir)
{
    return runtimeDir / "address";
}

} // namespace

std::string randomHex(std::size_t bytes)
{
    std::string raw(bytes, '\0');
    for (std::size_t done = 0; done < bytes;) {
        auto got = getrandom(raw.data() + done, bytes - done, 0);
        if (got < 0 && errno != EINTR)
            throw std::runtime_error("cannot make a secret: the system has no random numbers");
        if (got > 0)
            done += std::size_t(got);
    }
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : raw) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

bool standardOutputIsJournal()
{
    const char* stream = std::getenv("JOURNAL_STREAM");
    struct stat info { };
    if (!stream || ::fstat(STDOUT_FILENO, &info) != 0)
        return false;
    unsigned long long device = 0, inode = 0;
    return std::sscanf(stream, "%llu:%llu", &device, &inode) == 2 && device == info.st_dev
        && inode == info.st_ino;
}

fs::path userStateDir()
{
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
        return fs::path(state) / "quillane";
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".local" / "state" / "quillane";
    throw std::runtime_error("neither XDG_STATE_HOME nor HOME is set; pass --root DIR");
}

std::optional<fs::path> userRuntimeDir()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime)
        return std::nullopt;
    return fs::path(runtime) / "quillane";
}

std::string loadOrCreateAccessToken(const fs::path& stateDir)
{
    auto path = stateDir / "token";
    std::error_code error;
    fs::create_directories(stateDir, error);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (fs::exists(path, error)) {
            auto token = readSmallFile(path);
            if (isToken(token)) {
                // Only its user may read the secret, whoever loosened the mode.
                ::chmod(path.c_str(), 0600);
                return token;
            }
            std::error_code removeError;
            fs::rename(path, stateDir / "token.damaged", removeError);
        }
        auto token = randomHex(kTokenBytes);
        if (linkNewPrivateFile(path, token + "\n"))
            return token;
    }
    throw std::runtime_error("cannot keep the server's secret in " + path.string());
}

std::string newSecret()
{
    return randomHex(kTokenBytes);
}

bool accessTokenMatches(const std::string& presented, const std::string& secret)
{
    if (presented.size() != secret.size())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < secret.size(); ++i)
        difference |= static_cast<unsigned char>(presented[i] ^ secret[i]);
    return difference == 0;
}

void recordServerAddress(const std::string& url)
{
    auto runtime = userRuntimeDir();
    if (!runtime)
        return;
    std::error_code error;
    fs::create_directories(*runtime, error);
    ::chmod(runtime->c_str(), 0700);
    auto temporary = *runtime / (".address-" + randomHex(6));
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    auto line = url + "\n";
    bool written = ::write(fd, line.data(), line.size()) == ssize_t(line.size());
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), addressFile(*runtime).c_str()) != 0)
        ::unlink(temporary.c_str());
}

void forgetServerAddress(const std::string& url)
{
    auto runtime = userRuntimeDir();
    // Another server may have recorded itself since; its address stays.
    if (runtime && readSmallFile(addressFile(*runtime)) == url)
        ::unlink(addressFile(*runtime).c_str());
}

std::optional<std::string> recordedServerAddress()
{
    auto runtime = userRuntimeDir();
    if (!runtime)
        return std::nullopt;
    auto url = readSmallFile(addressFile(*runtime));
    if (url.rfind("http://127.0.0.1:", 0) != 0)
        return std::nullopt;
    return url;
}

} // namespace web
