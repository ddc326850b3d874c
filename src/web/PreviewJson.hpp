#pragma once

#include <string>
#include <string_view>

namespace theming {
struct Palette;
class ThemingComponent;
} // namespace theming

namespace host {
class Session;
} // namespace host

namespace web {

// The Control Center preview as one line of JSON for the browser.
std::string previewJson(const theming::Palette& palette);

struct PresetPreview {
    int status { 200 };
    std::string json; // the preview, or {"error": …}
};

// The preview of the preset `name` as it would look once loaded, with nothing written: 404 when
// there is no such preset, 400 for an empty name, one that would leave the presets folder or a
// file that is no property-list dictionary.
PresetPreview presetPreview(const theming::ThemingComponent& theming, std::string_view name);

// Applies a user's action on the preview: {"appearance": "dark" | "light"} or
// {"toggle": name}. Returns an empty string when it applied, else what was wrong.
std::string applyPreviewAction(theming::ThemingComponent& theming, const std::string& body);

// The open picker's colour for a picture that follows it before the next preview:
// {"keys": [...], "colour": {"rgba": [...], "value": "#RRGGBB:1.00"}}, or {"keys": []} when no
// picker shows one.
std::string pickJson(const theming::ThemingComponent& theming);

// Hands the open picker's colour to the preview as pending on the keys it would write, or
// clears it once the picker closed; call after every event.
void showPendingPick(const host::Session& session, theming::ThemingComponent& theming);

} // namespace web
