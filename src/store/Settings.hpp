#pragma once

#include "uikit/UIColor.hpp"

#include <string_view>

// Every path, key and notification name of the settings, in one place.
namespace qln {

// Path constants named by the system.
inline constexpr std::string_view settingsFile
    = "/User/Library/Preferences/com.tarrowvine.quillane.plist";
inline constexpr std::string_view persistentFile
    = "/User/Library/Preferences/com.tarrowvine.quillane.persistent.plist";
inline constexpr std::string_view presetPath
    = "/User/Library/Preferences/com.tarrowvine.quillane.presets/";

// The colour picker cell addresses the settings file through the mobile user's real home.
inline constexpr std::string_view settingsFileVarMobile
    = "/var/mobile/Library/Preferences/com.tarrowvine.quillane.plist";
inline constexpr std::string_view configuredMarker
    = "/User/Library/Preferences/com.tarrowvine.quillane.configured";
inline constexpr std::string_view defaultsFile
    = "/Library/PreferenceBundles/Quillane.bundle/defaults.plist";
inline constexpr std::string_view bundlePath = "/Library/PreferenceBundles/Quillane.bundle";
inline constexpr std::string_view preferencesPathFormatPrefix = "/User/Library/Preferences/";

inline constexpr std::string_view settingsDomain = "com.tarrowvine.quillane";

inline constexpr std::string_view updateNotification = "com.tarrowvine.quillane/update";
inline constexpr std::string_view presetChangedNotification
    = "com.tarrowvine.quillane/presetChanged";

// Keys of the persistent file.
inline constexpr std::string_view unsavedKey = "unsaved";
inline constexpr std::string_view currentPresetKey = "currentPreset";
inline constexpr std::string_view darkDefaultKey = "darkDefault";
inline constexpr std::string_view lightDefaultKey = "lightDefault";

// Other fixed paths the system tests or runs.
inline constexpr std::string_view prysmPath
    = "/Library/MobileSubstrate/DynamicLibraries/Prysm.dylib";
inline constexpr std::string_view powerModulePath
    = "/Library/ControlCenter/Bundles/PowerModule.bundle";
inline constexpr std::string_view bcixWeatherModulePath
    = "/Library/ControlCenter/Bundles/BCIXWeatherModule.bundle";
inline constexpr std::string_view ccRingerModulePath
    = "/Library/ControlCenter/Bundles/CCRingerModule.bundle/CCRingerModule";
inline constexpr std::string_view noctisTogglePath
    = "/Library/ControlCenter/Bundles/NoctisToggle.bundle/";
inline constexpr std::string_view controlCenterServicesPath
    = "/System/Library/PrivateFrameworks/ControlCenterServices.framework";
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
