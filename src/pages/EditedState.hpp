#pragma once

#include <string_view>

// The edited state shared in form (not in value) by the connectivity and toggles pages.
namespace qln {

// The word that marks a key of one state: "Enabled" or "Disabled".
inline std::string_view stateWord(bool enabled)
{
    return enabled ? "Enabled" : "Disabled";
}

// The state-switch row's title names the state being edited.
inline std::string_view stateSwitchTitle(bool enabled)
{
    return enabled ? "Colors for Enabled State" : "Colors for Disabled State";
}

inline constexpr std::string_view stateSwitchKey = "switchState";

} // namespace qln
