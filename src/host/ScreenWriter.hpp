#pragma once

#include "host/SessionState.hpp"

#include <string>

namespace host {

// The screen as the protocol's JSON: the navigation stack, the top page's rows, what it
// presents and the pasteboard. `takeJournal` moves the journal's entries into the screen;
// `error` (when not empty) is the refusal of the event that led here.
std::string writeScreen(SessionState& state, bool takeJournal, const std::string& error);

} // namespace host
