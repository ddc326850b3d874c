#include "host/ScriptRunner.hpp"

#include "host/EventLoop.hpp"
#include "host/Session.hpp"

#include <cerrno>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace host {

namespace {

// Far above any event (the largest, a pasteboard holding a large preset's exchange string, is
// tens of KiB); a longer line is refused as it streams past, never held whole.
constexpr std::size_t kMaxLineBytes = 1u << 20;

bool isBlank(const std::string& line)
{
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

void write(const EventAnswer& answer)
{
    std::fwrite(answer.screen.data(), 1, answer.screen.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Splits standard input into lines: each one within the limit is handled, each longer one is
// answered with an error once it ends.
class LineReader {
public:
    explicit LineReader(Session& session)
        : m_session(session)
    {
    }

    void take(std::string_view data)
    {
        while (!data.empty()) {
            auto newline = data.find('\n');
            auto piece = data.substr(0, newline);
            if (!m_tooLong && m_line.size() + piece.size() > kMaxLineBytes) {
                m_tooLong = true;
                std::string().swap(m_line);
            }
            if (!m_tooLong)
                m_line.append(piece);
            if (newline == std::string_view::npos)
                return;
            endLine();
            data.remove_prefix(newline + 1);
        }
    }

    // A last line without a line feed still counts.
    void finish()
    {
        if (m_tooLong || !isBlank(m_line))
            endLine();
    }

private:
    void endLine()
    {
        if (m_tooLong)
            write(m_session.refuse("the event is longer than " + std::to_string(kMaxLineBytes >> 20)
                + " MiB, the most a line may hold; it was " + "not read"));
        else if (!isBlank(m_line))
            write(m_session.handle(m_line));
        m_line.clear();
        m_tooLong = false;
    }

    Session& m_session;
    std::string m_line;
    bool m_tooLong { false };
};

} // namespace

int runScript(const std::filesystem::path& deviceRoot)
{
    EventLoop loop;
    Session session(deviceRoot);
    LineReader lines(session);
    loop.watch(STDIN_FILENO, [&] {
        char buffer[65536];
        auto count = read(STDIN_FILENO, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            return;
        if (count <= 0) {
            lines.finish();
            std::fflush(stdout);
            loop.stop();
            return;
        }
        lines.take(std::string_view(buffer, static_cast<std::size_t>(count)));
    });
    loop.run();
    return 0;
}

} // namespace host
