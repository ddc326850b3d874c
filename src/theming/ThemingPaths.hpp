#pragma once

#include "contract/SettingsContract.hpp"

#include <string_view>

// The files and notifications the theming component shares with the settings bundle come from
// their contract, never from the bundle's headers; the rest is the component's own.
namespace theming {

using contract::bundleDirectory;
using contract::defaultsFileName;
using contract::persistentFile;
using contract::plistSuffix;
using contract::presetChangedNotification;
using contract::presetsDirectory;
using contract::settingsFile;
using contract::updateNotification;

inline constexpr std::string_view colourPickerCellClass = "QLNColorPicker";

using contract::moduleConfigurationFile;
using contract::moduleIdentifiersKey;
// Stock folder first: when two bundles claim one identifier, the stock one wins.
inline constexpr std::string_view moduleFolders[]
    = { "/System/Library/ControlCenter/Bundles/", "/Library/ControlCenter/Bundles/" };

// What the device's tweaks install: the component draws their parts only when they are there.
inline constexpr std::string_view prysmFile = contract::prysmFile;
inline constexpr std::string_view powerModuleBundle = contract::powerModuleBundle;
inline constexpr std::string_view bcxiWeatherBundle = contract::bcixWeatherBundle;
inline constexpr std::string_view ccRingerExecutable = contract::ccRingerExecutable;
// Without this framework the toggles page cannot list the enabled modules, so it has no rows.
inline constexpr std::string_view moduleServicesFramework = contract::moduleServicesFramework;
// These modules are drawn from their own pages' colours, not from a row of the toggles page.
inline constexpr std::string_view powerModuleIdentifier = "com.dorvak07.powermodule";
inline constexpr std::string_view bcxiWeatherIdentifier = "com.yelbrin.betterccxi.weathermodule";

// Each run of the device's SpringBoard restart appends one line here.
inline constexpr std::string_view sbreloadLog = "/var/mobile/Library/Logs/sbreload.log";

using contract::connectivityPositionCount;
using contract::connectivityPositionPrefix;
using contract::customToggleColoursKey;
using contract::disabledSuffix;
using contract::enabledSuffix;
using contract::tweakEnabledKey;

using contract::currentPresetKey;
using contract::darkDefaultKey;
using contract::lightDefaultKey;
using contract::unsavedKey;

} // namespace theming
