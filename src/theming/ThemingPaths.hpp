#pragma once

#include <string_view>

// The files and notifications the theming component shares with the settings bundle. They are
// the public contract between the two programs, so the component keeps its own copy instead of
// including the bundle's headers.
namespace theming {

inline constexpr std::string_view settingsFile
    = "/User/Library/Preferences/com.tarrowvine.quillane.plist";
inline constexpr std::string_view persistentFile
    = "/User/Library/Preferences/com.tarrowvine.quillane.persistent.plist";
// Ends with "/": a preset's file is this directory, the name and plistSuffix.
inline constexpr std::string_view presetsDirectory
    = "/User/Library/Preferences/com.tarrowvine.quillane.presets/";
inline constexpr std::string_view plistSuffix = ".plist";

// The bundle's page layout files, one "<Page>.plist" each, beside its defaults file.
inline constexpr std::string_view bundleDirectory = "/Library/PreferenceBundles/Quillane.bundle/";
inline constexpr std::string_view defaultsFileName = "defaults.plist";
inline constexpr std::string_view colourPickerCellClass = "QLNColorPicker";

inline constexpr std::string_view moduleConfigurationFile
    = "/var/mobile/Library/ControlCenter/ModuleConfiguration.plist";
inline constexpr std::string_view moduleIdentifiersKey = "module-identifiers";
// Stock folder first: when two bundles claim one identifier, the stock one wins.
inline constexpr std::string_view moduleFolders[]
    = { "/System/Library/ControlCenter/Bundles/", "/Library/ControlCenter/Bundles/" };

// What the device's tweaks install: the component draws their parts only when they are there.
inline constexpr std::string_view prysmFile
    = "/Library/MobileSubstrate/DynamicLibraries/Prysm.dylib";
inline constexpr std::string_view powerModuleBundle
    = "/Library/ControlCenter/Bundles/PowerModule.bundle";
inline constexpr std::string_view bcxiWeatherBundle
    = "/Library/ControlCenter/Bundles/BCIXWeatherModule.bundle";
inline constexpr std::string_view ccRingerExecutable
    = "/Library/ControlCenter/Bundles/CCRingerModule.bundle/CCRingerModule";
// Without this framework the toggles page cannot list the enabled modules, so it has no rows.
inline constexpr std::string_view moduleServicesFramework
    = "/System/Library/PrivateFrameworks/ControlCenterServices.framework";
// These modules are drawn from their own pages' colours, not from a row of the toggles page.
inline constexpr std::string_view powerModuleIdentifier = "com.dorvak07.powermodule";
inline constexpr std::string_view bcxiWeatherIdentifier = "com.yelbrin.betterccxi.weathermodule";

// Each run of the device's SpringBoard restart appends one line here.
inline constexpr std::string_view sbreloadLog = "/var/mobile/Library/Logs/sbreload.log";

inline constexpr std::string_view updateNotification = "com.tarrowvine.quillane/update";
inline constexpr std::string_view presetChangedNotification
    = "com.tarrowvine.quillane/presetChanged";

// Keys of the settings file.
inline constexpr std::string_view tweakEnabledKey = "enabled";
inline constexpr std::string_view customToggleColoursKey = "connectivityModeEnabled";
inline constexpr std::string_view connectivityPositionPrefix = "connectivityPosition";
inline constexpr int connectivityPositionCount = 6;
inline constexpr std::string_view enabledSuffix = "Enabled";
inline constexpr std::string_view disabledSuffix = "Disabled";

// Keys of the persistent file.
inline constexpr std::string_view currentPresetKey = "currentPreset";
inline constexpr std::string_view unsavedKey = "unsaved";
inline constexpr std::string_view darkDefaultKey = "darkDefault";
inline constexpr std::string_view lightDefaultKey = "lightDefault";

} // namespace theming
