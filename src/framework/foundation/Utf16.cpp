#include "foundation/Utf16.hpp"

#include <cstdint>

namespace fw {

namespace {

bool isContinuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

std::size_t unitsOf(char lead)
{
    return static_cast<unsigned char>(lead) >= 0xF0 ? 2 : 1;
}

} // namespace

std::size_t utf16Length(std::string_view text)
{
    std::size_t units = 0;
    for (char byte : text) {
        if (!isContinuation(byte))
            units += unitsOf(byte);
    }
    return units;
}

std::string utf16Substring(std::string_view text, std::size_t location, std::size_t length)
{
    std::string out;
    std::size_t unit = 0;
    std::size_t end = length > SIZE_MAX - location ? SIZE_MAX : location + length;
    for (std::size_t i = 0; i < text.size() && unit < end;) {
        std::size_t next = i + 1;
        while (next < text.size() && isContinuation(text[next]))
            ++next;
        std::size_t units = unitsOf(text[i]);
        if (unit >= location && unit + units <= end)
            out.append(text.substr(i, next - i));
        unit += units;
        i = next;
    }
    return out;
}

} // namespace fw
