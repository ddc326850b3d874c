#pragma once

#include <string_view>

// What the settings bundle and the theming component agree on, written out once: the files the
// bundle writes and the component reads, their keys, and the notifications between the two.
// Both are separate programs on the phone, so these spellings are a contract: stored files and
// the component depend on them, and every layer that touches them uses this header.
namespace contract {

// The settings files, as device paths through the mobile user's home.
inline constexpr std::string_view preferencesDirectory = "/User/Library/Preferences/";
inline constexpr std::string_view settingsFile
    = "/User/Library/Preferences/com.tarrowvine.quillane.plist";
inline constexpr std::string_view persistentFile
    = "/User/Library/Preferences/com.tarrowvine.quillane.persistent.plist";
// Ends with "/": a preset's file is this directory, the name and plistSuffix.
inline constexpr std::string_view presetsDirectory
    = "/User/Library/Preferences/com.tarrowvine.quillane.presets/";
inline constexpr std::string_view plistSuffix = ".plist";
inline constexpr std::string_view settingsDomain = "com.tarrowvine.quillane";

// The bundle's resources: its page layout files, one "<Page>.plist" each, beside its defaults.
inline constexpr std::string_view bundleDirectory = "/Library/PreferenceBundles/Quillane.bundle/";
inline constexpr std::string_view defaultsFileName = "defaults.plist";

// The bundle announces every change of the settings file; the component announces a change of
// the presets (an appearance switch that applied one).
inline constexpr std::string_view updateNotification = "com.tarrowvine.quillane/update";
inline constexpr std::string_view presetChangedNotification
    = "com.tarrowvine.quillane/presetChanged";

// Keys of the persistent file.
inline constexpr std::string_view unsavedKey = "unsaved";
inline constexpr std::string_view currentPresetKey = "currentPreset";
inline constexpr std::string_view darkDefaultKey = "darkDefault";
inline constexpr std::string_view lightDefaultKey = "lightDefault";

// Keys of the settings file that are no colour of a part.
inline constexpr std::string_view tweakEnabledKey = "enabled";
inline constexpr std::string_view customToggleColoursKey = "connectivityModeEnabled";
inline constexpr std::string_view connectivityPositionPrefix = "connectivityPosition";
inline constexpr int connectivityPositionCount = 6;
// A key of one state of a toggle ends in one of these.
inline constexpr std::string_view enabledSuffix = "Enabled";
inline constexpr std::string_view disabledSuffix = "Disabled";

// What the device's tweaks install: both sides show their parts only when they are there.
inline constexpr std::string_view prysmFile
    = "/Library/MobileSubstrate/DynamicLibraries/Prysm.dylib";
inline constexpr std::string_view powerModuleBundle
    = "/Library/ControlCenter/Bundles/PowerModule.bundle";
inline constexpr std::string_view bcixWeatherBundle
    = "/Library/ControlCenter/Bundles/BCIXWeatherModule.bundle";
inline constexpr std::string_view ccRingerExecutable
    = "/Library/ControlCenter/Bundles/CCRingerModule.bundle/CCRingerModule";
inline constexpr std::string_view noctisToggleBundle
    = "/Library/ControlCenter/Bundles/NoctisToggle.bundle/";
inline constexpr std::string_view moduleServicesFramework
    = "/System/Library/PrivateFrameworks/ControlCenterServices.framework";

// The user's enabled Control Center modules, in order.
inline constexpr std::string_view moduleConfigurationFile
    = "/var/mobile/Library/ControlCenter/ModuleConfiguration.plist";
inline constexpr std::string_view moduleIdentifiersKey = "module-identifiers";

} // namespace contract
