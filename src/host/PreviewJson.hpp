#pragma once

#include <string>

namespace theming {
struct Palette;
class ThemingComponent;
} // namespace theming

namespace host {

// The Control Center preview as one line of JSON for the browser.
std::string previewJson(const theming::Palette& palette);

// Applies a user's action on the preview: {"appearance": "dark" | "light"} or
// {"toggle": name}. Returns an empty string when it applied, else what was wrong.
std::string applyPreviewAction(theming::ThemingComponent& theming, const std::string& body);

} // namespace host
