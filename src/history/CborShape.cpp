#include "history/CborShape.hpp"

#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace history {

namespace {

// An open container of indefinite length, ended by a break rather than a count.
constexpr std::uint64_t kUntilBreak = std::numeric_limits<std::uint64_t>::max();

[[noreturn]] void refuse(const char* why)
{
    throw std::runtime_error(std::string("its structure is unreadable (") + why + ")");
}

class Walker {
public:
    Walker(std::span<const std::uint8_t> bytes, int maxDepth, std::size_t maxItems)
        : m_bytes(bytes)
        , m_maxDepth(static_cast<std::size_t>(maxDepth))
        , m_maxItems(maxItems)
    {
    }

    void walk()
    {
        do {
            item();
            while (!m_open.empty() && m_open.back() == 0)
                m_open.pop_back();
        } while (!m_open.empty());
        if (m_at != m_bytes.size())
            refuse("bytes after its end");
    }

private:
    std::size_t left() const { return m_bytes.size() - m_at; }

    std::uint64_t argument(std::uint8_t info)
    {
        if (info < 24)
            return info;
        if (info > 27)
            refuse("a reserved length");
        std::size_t size = std::size_t(1) << (info - 24);
        if (left() < size)
            refuse("it ends early");
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value = (value << 8) | m_bytes[m_at++];
        return value;
    }

    void open(std::uint64_t owed)
    {
        if (m_open.size() >= m_maxDepth)
            refuse("nested too deeply");
        // Every item takes at least a byte: a count past the bytes left is a lie.
        if (owed != kUntilBreak && owed > left())
            refuse("a count past its end");
        if (owed > 0)
            m_open.push_back(owed);
    }

    void item()
    {
        if (left() == 0)
            refuse("it ends early");
        std::uint8_t initial = m_bytes[m_at++];
        if (initial == 0xff) {
            if (m_open.empty() || m_open.back() != kUntilBreak)
                refuse("a stray break");
            m_open.back() = 0;
            return;
        }
        if (++m_items > m_maxItems)
            refuse("too many items");
        if (!m_open.empty() && m_open.back() != kUntilBreak)
            --m_open.back();
        int major = initial >> 5;
        std::uint8_t info = initial & 0x1f;
        bool indefinite = info == 31 && major >= 2 && major <= 5;
        if (indefinite)
            return open(kUntilBreak);
        std::uint64_t value = argument(info);
        switch (major) {
        case 2:
        case 3:
            if (value > left())
                refuse("a string past its end");
            m_at += static_cast<std::size_t>(value);
            return;
        case 4:
            return open(value);
        case 5:
            if (value > left() / 2)
                refuse("a count past its end");
            return open(2 * value);
        case 6:
            return open(1);
        default:
            return;
        }
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_maxDepth;
    std::size_t m_maxItems;
    std::size_t m_at { 0 };
    std::size_t m_items { 0 };
    std::vector<std::uint64_t> m_open;
};

} // namespace

void checkCborShape(std::span<const std::uint8_t> bytes, int maxDepth, std::size_t maxItems)
{
    Walker(bytes, maxDepth, maxItems).walk();
}

} // namespace history
