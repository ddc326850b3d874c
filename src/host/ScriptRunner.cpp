#include "host/ScriptRunner.hpp"

#include "host/EventLoop.hpp"
#include "host/Session.hpp"

#include <cerrno>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace host {

namespace {

bool isBlank(const std::string& line)
{
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

} // namespace

int runScript(const std::filesystem::path& deviceRoot)
{
    EventLoop loop;
    Session session(deviceRoot);
    std::string pending;
    loop.watch(STDIN_FILENO, [&] {
        char buffer[65536];
        auto count = read(STDIN_FILENO, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            return;
        if (count <= 0) {
            // A last line without a line feed still counts.
            if (!isBlank(pending)) {
                auto answer = session.handle(pending);
                std::fwrite(answer.screen.data(), 1, answer.screen.size(), stdout);
                std::fputc('\n', stdout);
            }
            std::fflush(stdout);
            loop.stop();
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(count));
        std::size_t start = 0;
        for (auto end = pending.find('\n'); end != std::string::npos;
             end = pending.find('\n', start)) {
            std::string line = pending.substr(start, end - start);
            start = end + 1;
            if (isBlank(line))
                continue;
            auto answer = session.handle(line);
            std::fwrite(answer.screen.data(), 1, answer.screen.size(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        }
        pending.erase(0, start);
    });
    loop.run();
    return 0;
}

} // namespace host
