#pragma once

#include <string_view>

namespace fw {

// NSString compare:options: with NSNumericSearch: runs of digits compare as numbers, everything
// else character by character; a string that is a prefix of the other sorts first. So "13" <
// "13.0", "9.3" < "13.0" and "13.1.2" > "13.0". Returns -1, 0 or 1.
int compareNumeric(std::string_view a, std::string_view b);

// localizedCaseInsensitiveCompare: an English collation at secondary strength (case ignored,
// accents not). Returns -1, 0 or 1.
int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b);

} // namespace fw
