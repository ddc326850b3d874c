#pragma once

#include "theming/ThemingComponent.hpp"

#include <optional>

namespace host {

// The theming component's appearance switch as one step of the history: whatever the assigned
// preset replaces (unsaved edits included) can be brought back, and the user is told.
std::optional<theming::PresetApplication> switchAppearance(
    theming::ThemingComponent& component, theming::Appearance appearance);

} // namespace host
