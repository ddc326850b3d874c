// The host's side of image decoding: the decoder program run on each image.
#include "imagetheme/ImageDecoder.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace imagetheme {

namespace {

namespace fs = std::filesystem;

// Processor time is bounded in the decoder itself; this catches one that waits instead.
constexpr auto kDecoderPatience = std::chrono::seconds(kDecoderPatienceSeconds);

fs::path decoderProgram()
{
    if (const char* chosen = std::getenv("QUILLANE_IMAGE_DECODER"); chosen && *chosen)
        return chosen;
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error)
        throw ImageRefused("the image decoder could not be found: " + error.message());
    return (program.parent_path() / ".." / "lib" / "quillane" / "quillane-image-decoder")
        .lexically_normal();
}

struct Pipe {
    int read { -1 };
    int write { -1 };
    Pipe()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            throw ImageRefused(
                "the image decoder could not be started: " + std::string(std::strerror(errno)));
        read = fds[0];
        write = fds[1];
    }
    ~Pipe()
    {
        closeRead();
        closeWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void closeRead()
    {
        if (read >= 0)
            ::close(read);
        read = -1;
    }
    void closeWrite()
    {
        if (write >= 0)
            ::close(write);
        write = -1;
    }
};

// A decoder that dies mid-image closes its input: the write must fail, not end this process.
class NoBrokenPipeSignal {
public:
    NoBrokenPipeSignal()
    {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_old);
    }
    ~NoBrokenPipeSignal()
    {
        sigset_t pending;
        sigpending(&pending);
        if (sigismember(&pending, SIGPIPE)) {
            timespec none {};
            sigtimedwait(&m_pipe, nullptr, &none);
        }
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    NoBrokenPipeSignal(const NoBrokenPipeSignal&) = delete;
    NoBrokenPipeSignal& operator=(const NoBrokenPipeSignal&) = delete;

private:
    sigset_t m_pipe;
    sigset_t m_old;
};

struct Decoded {
    std::string output;
    std::string errors;
    int status { -1 }; // the exit status, or -1 when it ended by a signal
    int signal { 0 };
};

// Feeds the bytes to the decoder and collects what it writes, all three pipes at once so that
// neither side waits on a full pipe.
Decoded runDecoder(const char* mode, std::string_view bytes)
{
    std::string program = decoderProgram().string();
    Pipe input, output, errors;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input.read, 0);
    posix_spawn_file_actions_adddup2(&actions, output.write, 1);
    posix_spawn_file_actions_adddup2(&actions, errors.write, 2);
    std::string modeArgument = mode;
    char* argv[] = { program.data(), modeArgument.data(), nullptr };
    pid_t child = -1;
    int failed = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        throw ImageRefused(
            "the image decoder " + program + " could not be started: " + std::strerror(failed));
    input.closeRead();
    output.closeWrite();
    errors.closeWrite();

    NoBrokenPipeSignal quiet;
    Decoded decoded;
    std::size_t written = 0;
    if (bytes.empty())
        input.closeWrite();
    char buffer[65536];
    auto deadline = std::chrono::steady_clock::now() + kDecoderPatience;
    bool stuck = false;
    while (input.write >= 0 || output.read >= 0 || errors.read >= 0) {
        pollfd watched[3] = { { input.write, POLLOUT, 0 }, { output.read, POLLIN, 0 },
            { errors.read, POLLIN, 0 } };
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        int ready = ::poll(watched, 3, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            stuck = ready == 0;
            ::kill(child, SIGKILL);
            break;
        }
        if (input.write >= 0 && watched[0].revents) {
            ssize_t count = ::write(input.write, bytes.data() + written,
                std::min<std::size_t>(bytes.size() - written, sizeof buffer));
            if (count > 0)
                written += static_cast<std::size_t>(count);
            if ((count < 0 && errno != EINTR && errno != EAGAIN) || written == bytes.size())
                input.closeWrite();
        }
        for (auto [index, pipe, sink] : { std::tuple { 1, &output, &decoded.output },
                 std::tuple { 2, &errors, &decoded.errors } }) {
            if (pipe->read < 0 || !watched[index].revents)
                continue;
            ssize_t count = ::read(pipe->read, buffer, sizeof buffer);
            if (count > 0)
                sink->append(buffer, static_cast<std::size_t>(count));
            else if (count == 0 || (errno != EINTR && errno != EAGAIN))
                pipe->closeRead();
        }
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    decoded.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    decoded.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    if (stuck)
        throw ImageRefused(timeRefusal());
    return decoded;
}

// The decoder's answer, or its refusal as the user's sentence.
std::string decoderOutput(const char* mode, std::string_view bytes, std::size_t atLeast)
{
    Decoded decoded = runDecoder(mode, bytes);
    if (decoded.status == 0 && decoded.output.size() >= atLeast)
        return std::move(decoded.output);
    std::string message = decoded.errors.substr(0, decoded.errors.find('\n'));
    if (decoded.status == 1 && !message.empty())
        throw ImageRefused(message);
    if (decoded.status == kDecoderOutOfMemoryStatus)
        throw ImageRefused(memoryRefusal());
    if (decoded.signal == SIGXCPU)
        throw ImageRefused(timeRefusal());
    // A C library that cannot allocate (GLib's) ends the process, saying so.
    if (decoded.signal != 0 && decoded.errors.find("alloc") != std::string::npos)
        throw ImageRefused(memoryRefusal());
    throw ImageRefused("the image could not be decoded");
}

} // namespace

QuantiserInput decodeForQuantiser(std::string_view bytes)
{
    checkImageBytes(bytes);
    std::string raw = decoderOutput("quantiser", bytes, kQuantiserInputBytes);
    return pixelsFromBytes(std::string_view(raw).substr(0, kQuantiserInputBytes));
}

WallpaperImages decodeWallpaper(std::string_view bytes)
{
    checkImageBytes(bytes);
    std::string raw = decoderOutput("wallpaper", bytes, kQuantiserInputBytes + 1);
    WallpaperImages images;
    images.input = pixelsFromBytes(std::string_view(raw).substr(0, kQuantiserInputBytes));
    images.display = raw.substr(kQuantiserInputBytes);
    return images;
}

} // namespace imagetheme
