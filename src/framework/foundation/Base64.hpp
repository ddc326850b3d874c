#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fw {

// Standard alphabet with "=" padding, on one line.
std::string base64Encode(std::string_view bytes);

// Only the 64 characters of the alphabet, "=" padding at the end and a length that is a
// multiple of four; anything else, white space and line breaks included, fails.
std::optional<std::string> base64DecodeStrict(std::string_view text);

// For property-list <data>: white space anywhere is skipped and padding may be missing; any
// other character outside the alphabet fails.
std::optional<std::string> base64DecodeLenient(std::string_view text);

} // namespace fw
