#include "uikit/NSAttributedString.hpp"

#include <algorithm>

namespace fw {

namespace {

// UTF-16 units of UTF-8 text: four-byte sequences need a surrogate pair, continuation bytes add
// nothing, and any other byte (a malformed one too) counts as one unit.
std::size_t utf16Length(const std::string& text)
{
    std::size_t units = 0;
    for (unsigned char byte : text) {
        if ((byte & 0xC0) == 0x80)
            continue;
        units += byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

// The platform throws on a range past the end; here the range is cut to the text instead.
NSRange clampedRange(NSRange range, std::size_t length)
{
    range.location = std::min(range.location, length);
    range.length = std::min(range.length, length - range.location);
    return range;
}

} // namespace

std::size_t NSAttributedString::length() const
{
    return utf16Length(m_string);
}

void NSAttributedString::appendString(const std::string& text)
{
    m_string += text;
}

void NSAttributedString::addForegroundColour(const UIColor& color, NSRange range)
{
    m_runs.push_back(Run { clampedRange(range, length()), color, std::nullopt });
}

void NSAttributedString::addFont(const UIFont& font, NSRange range)
{
    m_runs.push_back(Run { clampedRange(range, length()), std::nullopt, font });
}

} // namespace fw
