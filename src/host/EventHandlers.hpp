#pragma once

#include "host/SessionState.hpp"

#include <string>
#include <string_view>

namespace host {

// Applies one event of the host protocol. Returns an empty string when it applied, otherwise
// the message that says why it could not (nothing changed then).
std::string handleEvent(SessionState& state, std::string_view eventJson);

} // namespace host
