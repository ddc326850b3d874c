#pragma once

#include "history/History.hpp"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace host {

struct SessionState;

// What the user was doing when a change happened, taken before the event runs: enough to name
// the step the way the user would ("Wi-Fi Background", "Change All — Toggles").
struct EventContext {
    std::string event;
    std::string pageTitle;
    bool rootPage { false };
    // The row the event concerns: the addressed row, the open picker's row, or for an alert
    // the row whose tap presented it.
    std::optional<std::string> rowTitle;
    std::string alertTitle;
    std::string alertButton;
    // How each keyed row of the page is called, for a change of one key.
    std::map<std::string, std::string> rowNames;
};

// `previous` is the context of the last event; an alert keeps its row.
EventContext captureContext(
    SessionState& state, std::string_view eventJson, const EventContext& previous);

history::StepName nameStep(const EventContext& context, const history::ChangeSet& changes);

// A change another program made while nobody here held the history: named from the files
// alone, since nothing is known of what that program was doing.
history::StepName nameForeignStep(const history::ChangeSet& changes);

// The device's history, with changes made elsewhere named as above.
history::History& labelledHistory();

// How many colour values differ between two versions of the settings file.
int changedColourCount(const history::ChangeSet& changes);

} // namespace host
