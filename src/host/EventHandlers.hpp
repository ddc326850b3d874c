#pragma once

#include "host/SessionState.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace host {

// Applies one event of the host protocol. Returns nullopt when it applied, otherwise the
// message that says why it could not (nothing changed then).
std::optional<std::string> handleEvent(SessionState& state, std::string_view eventJson);

} // namespace host
