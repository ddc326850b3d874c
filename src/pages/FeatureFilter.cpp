#include "pages/FeatureFilter.hpp"

#include "foundation/NSFileManager.hpp"
#include "store/Settings.hpp"

#include <algorithm>
#include <array>

namespace qln {

namespace {

bool installed(std::string_view path)
{
    return fw::NSFileManager::defaultManager().fileExistsAtPath(path);
}

constexpr std::array rootRules {
    FeatureRule { "prysm", [](const InstalledTweaks& t) { return !t.prysm; } },
};

constexpr std::array mediaControlsRules {
    FeatureRule { "prysm", [](const InstalledTweaks& t) { return !t.prysm; } },
};

constexpr std::array miscRules {
    FeatureRule { "powerModule", [](const InstalledTweaks& t) { return !t.powerModule; } },
    FeatureRule { "prysm", [](const InstalledTweaks& t) { return !t.prysm; } },
    FeatureRule { "notPrysm", [](const InstalledTweaks& t) { return t.prysm; } },
    // Prysm draws its own weather, which makes BetterCCXI's weather rows pointless.
    FeatureRule {
        "bcxiWeather", [](const InstalledTweaks& t) { return !t.bcixWeather || t.prysm; } },
    FeatureRule {
        "thirdparty", [](const InstalledTweaks& t) { return !t.powerModule && !t.bcixWeather; } },
};

constexpr std::array slidersRules {
    FeatureRule { "prysm", [](const InstalledTweaks& t) { return !t.prysm; } },
    FeatureRule { "ccRinger", [](const InstalledTweaks& t) { return !t.ccRinger; } },
};

bool removedByRules(const fw::PSSpecifier& row, FeatureRules rules, const InstalledTweaks& tweaks)
{
    const std::string* feature = row.stringForKey("feature");
    if (!feature)
        return false;
    return std::any_of(rules.begin(), rules.end(), [&](const FeatureRule& rule) {
        return rule.feature == *feature && rule.removeWhen(tweaks);
    });
}

} // namespace

bool prysmInstalled()
{
    return installed(prysmPath);
}
bool powerModuleInstalled()
{
    return installed(powerModulePath);
}
bool bcixWeatherModuleInstalled()
{
    return installed(bcixWeatherModulePath);
}
bool ccRingerModuleInstalled()
{
    return installed(ccRingerModulePath);
}

InstalledTweaks InstalledTweaks::detect()
{
    return InstalledTweaks { prysmInstalled(), powerModuleInstalled(), bcixWeatherModuleInstalled(),
        ccRingerModuleInstalled() };
}

FeatureRules rootFeatureRules()
{
    return rootRules;
}
FeatureRules mediaControlsFeatureRules()
{
    return mediaControlsRules;
}
FeatureRules miscFeatureRules()
{
    return miscRules;
}
FeatureRules slidersFeatureRules()
{
    return slidersRules;
}

void applyFeatureFilter(fw::SpecifierList& rows, FeatureRules rules, const InstalledTweaks& tweaks)
{
    std::erase_if(rows, [&](const std::shared_ptr<fw::PSSpecifier>& row) {
        return row && removedByRules(*row, rules, tweaks);
    });
}

} // namespace qln
