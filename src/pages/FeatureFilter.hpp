#pragma once

#include "preferences/PSSpecifier.hpp"

#include <span>
#include <string_view>

namespace qln {

// The installation tests: anything present at the tweak's path counts as installed.
bool prysmInstalled();
bool powerModuleInstalled();
bool bcixWeatherModuleInstalled();
// Looks for the module's executable, not for its bundle directory.
bool ccRingerModuleInstalled();

// The outcome of the installation tests, taken once per build of a page's list.
struct InstalledTweaks {
    bool prysm { false };
    bool powerModule { false };
    bool bcixWeather { false };
    bool ccRinger { false };

    static InstalledTweaks detect();
};

// Rows whose "feature" equals `feature` (exactly) are removed when `removeWhen` holds.
struct FeatureRule {
    std::string_view feature;
    bool (*removeWhen)(const InstalledTweaks&);
};
using FeatureRules = std::span<const FeatureRule>;

// Each page's rules; an empty set means the page is not filtered.
FeatureRules rootFeatureRules();
FeatureRules mediaControlsFeatureRules();
FeatureRules miscFeatureRules();
FeatureRules slidersFeatureRules();

// Removes the rows a rule set removes for these tweaks; the others keep their order. Group rows
// are rows like any other: one goes only when it carries a matching feature itself.
void applyFeatureFilter(fw::SpecifierList& rows, FeatureRules rules, const InstalledTweaks& tweaks);

} // namespace qln
