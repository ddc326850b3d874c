#pragma once

#include "theming/AppearancePreset.hpp"
#include "theming/Palette.hpp"
#include "theming/PaletteResolver.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace theming {

// The theming side of the settings: what the program inside SpringBoard knows of them, which is
// only the device's files and the two notifications. It reads the files when it starts, again
// on every update notification and at every SpringBoard restart (a change of the device counts
// as one), and at no other time; the connectivity order is taken only when SpringBoard starts
// (component start and restart).
//
// Runs on the main queue: notifications arrive there, and the host calls it from there.
class ThemingComponent {
public:
    ThemingComponent() = default;
    ~ThemingComponent();
    ThemingComponent(const ThemingComponent&) = delete;
    ThemingComponent& operator=(const ThemingComponent&) = delete;

    // Reads the files, applies the order and starts listening for the update notification.
    void start();

    // Call on every turn of the host's loop: when the device's sbreload ran since the last call
    // (its log grew), SpringBoard restarted, so the files and the order are read afresh. True
    // when it did.
    bool checkForRestart();

    // The device itself changed (tweaks installed or removed, modules enabled or moved): as
    // on a phone, where installing a tweak restarts SpringBoard, the files and the order are
    // read afresh.
    void deviceChanged();

    Palette palette() const;
    // The palette as it would be with `settings` in place of the settings file, for a preset
    // tried before it is loaded. The toggles, the order and the appearance stay as they are; the
    // picker's colour belongs to the settings of now, so it is left out.
    Palette paletteWith(const fw::Dictionary& settings) const;
    Appearance appearance() const { return m_appearance; }

    // Switching to the other appearance applies the preset assigned to it, if any. Switching to
    // the present appearance does nothing and answers nullopt.
    std::optional<PresetApplication> setAppearance(Appearance appearance);

    // Flips a connectivity toggle (by name, "wifi", or title) or a module (by identifier or
    // name), ignoring case. False when nothing has that name.
    bool toggle(std::string_view name);

    // The colour the open picker shows, drawn over the stored one until it is cleared with
    // nullopt; the files are left alone.
    void setPending(std::optional<PendingColour> pending);
    const std::optional<PendingColour>& pending() const { return m_pending; }

    // The wallpaper behind the picture was set (its mean colour; a new picture each time) or
    // removed: the palette's wallpaper revision changes, so that everyone who draws it fetches it
    // again, and glyphs and text over the wallpaper are measured against its mean colour.
    void setWallpaper(std::optional<Rgba> mean);

    // Called after anything that changes the palette: a re-read, a restart, an appearance
    // switch, a toggle, a new pending colour.
    std::function<void()> onChange;

private:
    void readFiles();
    void restartSpringBoard();
    void changed();
    std::uintmax_t logSize() const;

    DeviceSnapshot m_snapshot;
    std::vector<std::string> m_order;
    OnStates m_toggleStates;
    OnStates m_moduleStates;
    Appearance m_appearance { Appearance::Light };
    std::optional<std::string> m_appearanceNote;
    // The settings the last appearance switch left: its note holds only while they stay.
    fw::Dictionary m_noteSettings;
    std::optional<Rgba> m_wallpaper;
    std::uint64_t m_wallpaperRevision { 0 };
    std::uint64_t m_revisionsGiven { 0 };
    std::uint64_t m_deviceRevision { 1 };
    std::optional<PendingColour> m_pending;
    std::uintmax_t m_logSize { 0 };
    int m_observer { 0 };
};

} // namespace theming
