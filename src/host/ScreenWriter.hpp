#pragma once

#include "host/SessionState.hpp"

#include <optional>
#include <string>

namespace host {

// The screen as the protocol's JSON: the navigation stack, the top page's rows, what it
// presents and the pasteboard. `takeJournal` moves the journal's entries into the screen;
// `refusal` is why the event that led here could not apply, if it could not.
std::string writeScreen(
    SessionState& state, bool takeJournal, const std::optional<std::string>& refusal);

} // namespace host
