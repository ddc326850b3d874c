#pragma once

#include "pages/QLNBaseController.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qln {

// The order list of the connectivity toggles, one for the process: the stored values (class
// names, or whatever else a position holds) without duplicates, index i being the toggle at
// position i. Rebuilt at every build of the page.
extern std::vector<fw::Value> toggles;

// The order of the six connectivity toggles: draggable rows, each drag saved at once to the
// position keys "connectivityPosition0" to "connectivityPosition5".
class QLNConnectivityOrderController : public QLNBaseController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    // Builds the rows once; every request also installs the "Respring" button.
    const fw::SpecifierList& specifiers() override;
    // The value stored under the key in the settings file, read whole; no default.
    std::optional<fw::Value> readPreferenceValueForKey(std::string_view key);
    // The toggle row for a controller class name, or nullptr for an unknown name.
    std::shared_ptr<fw::PSSpecifier> generateSpecifier(std::string_view className);
    // Writes the order list to the position keys (only as many as it has entries).
    void saveSettings();
    // A completed drag; row numbers count the toggle rows shown, the group row excluded.
    void tableView(const std::shared_ptr<fw::UITableView>& tableView, const fw::NSIndexPath& from,
        const fw::NSIndexPath& to) override;

private:
    std::shared_ptr<fw::PSSpecifier> groupSpecifier();
    void installRespringButton();
};

} // namespace qln
