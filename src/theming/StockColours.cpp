#include "theming/StockColours.hpp"

#include <array>
#include <utility>

namespace theming {

namespace {

constexpr Rgba white = rgb(0xFFFFFF);
constexpr Rgba darkTranslucent = rgb(0x1C1C1E, 0.6);
constexpr Rgba greyTranslucent = rgb(0x8E8E93, 0.4);
constexpr Rgba whiteTranslucent = rgb(0xFFFFFF, 0.25);
constexpr Rgba orange = rgb(0xFF9500);
constexpr Rgba green = rgb(0x34C759);
constexpr Rgba blue = rgb(0x007AFF);

constexpr std::array<std::pair<std::string_view, Rgba>, 14> exactKeys { {
    { "airplaneEnabled", orange },
    { "cellularDataEnabled", green },
    { "wifiEnabled", blue },
    { "bluetoothEnabled", blue },
    { "airdropEnabled", blue },
    { "hotspotEnabled", green },
    { "backgroundTint", rgb(0x000000, 0.3) },
    { "statusText", rgb(0xFFFFFF, 0.6) },
    { "mediaSubtitleText", rgb(0xFFFFFF, 0.6) },
    { "mediaTimeText", rgb(0xFFFFFF, 0.6) },
    { "mediaArtworkPlaceholder", rgb(0x8E8E93) },
    { "prysmBatteryLowFill", rgb(0xFF3B30) },
    { "prysmBatteryChargingFill", green },
    { "prysmBatteryLowPowerFill", rgb(0xFFCC00) },
} };

bool contains(std::string_view key, std::string_view part)
{
    return key.find(part) != std::string_view::npos;
}

} // namespace

Rgba stockColour(std::string_view key)
{
    for (const auto& [exact, colour] : exactKeys) {
        if (key == exact)
            return colour;
    }
    if (contains(key, "Glyph"))
        return white;
    if (key.ends_with("Background"))
        return darkTranslucent;
    if (key.ends_with("Disabled"))
        return greyTranslucent;
    if (contains(key, "Track"))
        return whiteTranslucent;
    // Enabled modules, fills, text and everything else.
    return white;
}

} // namespace theming
