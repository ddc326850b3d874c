#pragma once

#include <array>
#include <string_view>

namespace theming {

// The six toggles of the connectivity module, in stock order. The settings store the order as
// the toggles' controller class names; the colour keys start with the toggle's name
// ("wifiEnabled", "wifiGlyphDisabled").
struct ConnectivityToggle {
    std::string_view className;
    std::string_view name;
    std::string_view title;
    bool initiallyEnabled;
};

inline constexpr std::array<ConnectivityToggle, 6> connectivityToggles { {
    { "CCUIConnectivityAirplaneViewController", "airplane", "Airplane Mode", false },
    { "CCUIConnectivityCellularDataViewController", "cellularData", "Cellular Data", true },
    { "CCUIConnectivityWifiViewController", "wifi", "Wi-Fi", true },
    { "CCUIConnectivityBluetoothViewController", "bluetooth", "Bluetooth", true },
    { "CCUIConnectivityAirDropViewController", "airdrop", "AirDrop", false },
    { "CCUIConnectivityHotspotViewController", "hotspot", "Personal Hotspot", false },
} };

} // namespace theming
