#include "uikit/NSAttributedString.hpp"

#include "foundation/Utf16.hpp"

#include <algorithm>

namespace fw {

namespace {

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
