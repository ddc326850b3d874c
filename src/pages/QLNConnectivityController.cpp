#include "pages/QLNConnectivityController.hpp"

#include "foundation/ClassDescription.hpp"
#include "pages/EditedState.hpp"
#include "pages/FeatureFilter.hpp"

namespace qln {

bool qlnEnabledConnectivityState = true;

namespace {

constexpr std::string_view rearrangeTogglesKey = "rearrangeToggles";
constexpr std::string_view rearrangeTogglesHintKey = "rearrangeTogglesHint";
// The mode switch applies to both states, although its key ends in "Enabled".
constexpr std::string_view connectivityModeKey = "connectivityModeEnabled";

// Applies the first rule that matches the row; false when the row must go.
bool adjustRow(fw::PSSpecifier& row, bool prysm, std::string_view otherStateWord)
{
    const std::string* key = row.stringForKey("key");
    if (!key)
        return true;
    if (prysm && *key == rearrangeTogglesKey) {
        row.setProperty(fw::Value("NO"), "enabled");
        return true;
    }
    if (!prysm && *key == rearrangeTogglesHintKey)
        return false;
    if (key->find(otherStateWord) != std::string::npos && *key != connectivityModeKey)
        return false;
    if (*key == stateSwitchKey)
        row.setName(std::string(stateSwitchTitle(qlnEnabledConnectivityState)));
    return true;
}

} // namespace

const fw::ClassDescriptor& QLNConnectivityController::classObject()
{
    static const fw::ClassDescriptor cls = fw::describeClass<QLNConnectivityController>(
        "QLNConnectivityController", QLNBaseController::classObject(),
        { { "switchState", fw::action<&QLNConnectivityController::switchState>() } });
    return cls;
}

const fw::SpecifierList& QLNConnectivityController::specifiers()
{
    if (_specifiers)
        return *_specifiers;
    auto rows = loadSpecifiersFromPlistName("Connectivity", shared_from_this());
    const std::string_view otherStateWord = stateWord(!qlnEnabledConnectivityState);
    const bool prysm = prysmInstalled();
    std::erase_if(rows, [&](const std::shared_ptr<fw::PSSpecifier>& row) {
        return row && !adjustRow(*row, prysm, otherStateWord);
    });
    _specifiers = std::move(rows);
    return *_specifiers;
}

void QLNConnectivityController::viewDidLoad()
{
    qlnEnabledConnectivityState = true;
    QLNBaseController::viewDidLoad();
}

void QLNConnectivityController::switchState()
{
    qlnEnabledConnectivityState = !qlnEnabledConnectivityState;
    reloadSpecifiers();
}

} // namespace qln
