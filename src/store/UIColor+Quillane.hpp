#pragma once

#include "uikit/UIColor.hpp"

#include <optional>
#include <string>
#include <string_view>

// The colour value format: "#RRGGBB:alpha" as stored in the settings file.
namespace qln {

// qlnRGBAColorFromHexString: — nothing for an absent or empty string.
std::optional<fw::UIColor> qlnRGBAColorFromHexString(std::optional<std::string_view> string);
// qlnHexStringFromColor: — "#%02X%02X%02X:%f", components truncated after clamping to 0–1.
std::string qlnHexStringFromColor(const fw::UIColor& color);
// qlnInverseColor:
fw::UIColor qlnInverseColor(const fw::UIColor& color);
// qlnIsBrightColor
bool qlnIsBrightColor(const fw::UIColor& color);

} // namespace qln
