#pragma once

#include <string>

namespace theming {
struct Palette;
class ThemingComponent;
} // namespace theming

namespace host {

class Session;

// The Control Center preview as one line of JSON for the browser.
std::string previewJson(const theming::Palette& palette);

// Applies a user's action on the preview: {"appearance": "dark" | "light"} or
// {"toggle": name}. Returns an empty string when it applied, else what was wrong.
std::string applyPreviewAction(theming::ThemingComponent& theming, const std::string& body);

// Hands the open picker's colour to the preview as pending on the keys it would write, or
// clears it once the picker closed; call after every event.
void showPendingPick(const Session& session, theming::ThemingComponent& theming);

} // namespace host
