#pragma once

#include "contract/SettingsContract.hpp"
#include "uikit/UIColor.hpp"

#include <string_view>

// Every path, key and notification name of the settings, in one place: those the theming
// component reads too come from the contract between the two.
namespace qln {

// Path constants named by the system.
inline constexpr std::string_view settingsFile = contract::settingsFile;
inline constexpr std::string_view persistentFile = contract::persistentFile;
inline constexpr std::string_view presetPath = contract::presetsDirectory;

// The colour picker cell addresses the settings file through the mobile user's real home.
inline constexpr std::string_view settingsFileVarMobile
    = "/var/mobile/Library/Preferences/com.tarrowvine.quillane.plist";
inline constexpr std::string_view configuredMarker
    = "/User/Library/Preferences/com.tarrowvine.quillane.configured";
inline constexpr std::string_view defaultsFile
    = "/Library/PreferenceBundles/Quillane.bundle/defaults.plist";
inline constexpr std::string_view bundlePath = "/Library/PreferenceBundles/Quillane.bundle";
inline constexpr std::string_view preferencesPathFormatPrefix = contract::preferencesDirectory;

inline constexpr std::string_view settingsDomain = contract::settingsDomain;

inline constexpr std::string_view updateNotification = contract::updateNotification;
inline constexpr std::string_view presetChangedNotification = contract::presetChangedNotification;

// Keys of the persistent file.
inline constexpr std::string_view unsavedKey = contract::unsavedKey;
inline constexpr std::string_view currentPresetKey = contract::currentPresetKey;
inline constexpr std::string_view darkDefaultKey = contract::darkDefaultKey;
inline constexpr std::string_view lightDefaultKey = contract::lightDefaultKey;

// Other fixed paths the system tests or runs.
inline constexpr std::string_view prysmPath = contract::prysmFile;
inline constexpr std::string_view powerModulePath = contract::powerModuleBundle;
inline constexpr std::string_view bcixWeatherModulePath = contract::bcixWeatherBundle;
inline constexpr std::string_view ccRingerModulePath = contract::ccRingerExecutable;
inline constexpr std::string_view noctisTogglePath = contract::noctisToggleBundle;
inline constexpr std::string_view controlCenterServicesPath = contract::moduleServicesFramework;
inline constexpr std::string_view packageListFile
    = "/var/lib/dpkg/info/com.tarrowvine.quillane.list";
inline constexpr std::string_view sbreloadPath = "/usr/bin/sbreload";
inline constexpr std::string_view shellPath = "/bin/sh";

// The accent colour: navigation bars, header title, check marks, "Unsaved", global rows,
// button text, switch and segment tints.
inline fw::UIColor accentColour()
{
    return fw::UIColor::colorWithRed(0.81, 0.06, 0.13, 1.0);
}

} // namespace qln
