#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fw {

// NSString counts characters in UTF-16 units; the strings here are UTF-8. A four-byte sequence
// is a surrogate pair (two units); any other sequence, and a malformed byte, is one.
std::size_t utf16Length(std::string_view text);

// substringWithRange: the characters within `length` UTF-16 units from `location`, as UTF-8; a
// range past the end is cut to it, and a surrogate pair cut by either end is left out.
std::string utf16Substring(std::string_view text, std::size_t location, std::size_t length);

} // namespace fw
