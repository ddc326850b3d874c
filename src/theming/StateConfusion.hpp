#pragma once

#include "theming/Palette.hpp"
#include "theming/VisionSimulation.hpp"

#include <vector>

namespace theming {

// Below this CIEDE2000 difference an enabled state and its disabled state may be taken one for
// the other at a glance (about ten times a just-noticeable difference, which side by side is
// about 1): the preview warns of such a pair, as typical vision and as each simulated vision
// sees it.
inline constexpr double kConfusableDifference = 10.0;

// Each connectivity toggle's and each module's two states, as drawn over their container and the
// backdrop, and how far apart each vision sees them.
std::vector<StateDifference> stateDifferences(const Palette& palette);

} // namespace theming
