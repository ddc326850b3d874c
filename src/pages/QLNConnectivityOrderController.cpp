#include "pages/QLNConnectivityOrderController.hpp"

#include "foundation/ClassDescription.hpp"
#include "store/SettingsStore.hpp"

#include <algorithm>
#include <array>
#include <utility>

namespace qln {

std::vector<fw::Value> toggles;

namespace {

constexpr int positionCount = 6;

struct Toggle {
    std::string_view className;
    std::string_view title;
};

constexpr std::array<Toggle, positionCount> knownToggles { {
    { "CCUIConnectivityAirplaneViewController", "Airplane Mode" },
    { "CCUIConnectivityCellularDataViewController", "Cellular Data" },
    { "CCUIConnectivityWifiViewController", "WiFi" },
    { "CCUIConnectivityBluetoothViewController", "Bluetooth" },
    { "CCUIConnectivityAirDropViewController", "AirDrop" },
    { "CCUIConnectivityHotspotViewController", "Personal Hotspot" },
} };

const Toggle* findToggle(std::string_view className)
{
    auto found = std::find_if(knownToggles.begin(), knownToggles.end(),
        [&](const Toggle& toggle) { return toggle.className == className; });
    return found == knownToggles.end() ? nullptr : &*found;
}

std::string positionKey(std::size_t index)
{
    return "connectivityPosition" + std::to_string(index);
}

// Any stored value that names no toggle, a string or not, keeps its place in the order list.
const Toggle* toggleFor(const fw::Value& stored)
{
    const std::string* className = stored.asString();
    return className ? findToggle(*className) : nullptr;
}

void addUnique(std::vector<fw::Value>& list, fw::Value value)
{
    if (std::find(list.begin(), list.end(), value) == list.end())
        list.push_back(std::move(value));
}

// The order-list indexes of the entries that have rows, in row order. A stored name without a
// row would otherwise shift every later row number off its entry.
std::vector<std::size_t> indexesWithRows()
{
    std::vector<std::size_t> indexes;
    for (std::size_t i = 0; i < toggles.size(); ++i) {
        if (toggleFor(toggles[i]))
            indexes.push_back(i);
    }
    return indexes;
}

} // namespace

const fw::ClassDescriptor& QLNConnectivityOrderController::classObject()
{
    static const fw::ClassDescriptor cls = fw::describeClass<QLNConnectivityOrderController>(
        "QLNConnectivityOrderController", QLNBaseController::classObject(),
        { { "saveSettings", fw::action<&QLNConnectivityOrderController::saveSettings>() } });
    return cls;
}

const fw::SpecifierList& QLNConnectivityOrderController::specifiers()
{
    if (!_specifiers) {
        fw::SpecifierList rows { groupSpecifier() };
        toggles = {};
        toggles.reserve(positionCount);
        for (int i = 0; i < positionCount; ++i) {
            auto stored = readPreferenceValueForKey(positionKey(i));
            if (stored)
                addUnique(toggles, std::move(*stored));
        }
        for (const auto& entry : toggles) {
            const std::string* className = entry.asString();
            if (auto row = className ? generateSpecifier(*className) : nullptr)
                rows.push_back(std::move(row));
        }
        _specifiers = std::move(rows);
    }
    installRespringButton();
    return *_specifiers;
}

std::optional<fw::Value> QLNConnectivityOrderController::readPreferenceValueForKey(
    std::string_view key)
{
    auto settings = readSettings();
    if (!settings)
        return std::nullopt;
    const fw::Value* stored = fw::lookup(*settings, key);
    if (!stored)
        return std::nullopt;
    return *stored;
}

std::shared_ptr<fw::PSSpecifier> QLNConnectivityOrderController::generateSpecifier(
    std::string_view className)
{
    const Toggle* toggle = findToggle(className);
    if (!toggle)
        return nullptr;
    auto row = fw::PSSpecifier::preferenceSpecifierNamed(std::string(toggle->title),
        shared_from_this(), "", "", nullptr, fw::PSStaticTextCell, nullptr);
    if (const fw::ClassDescriptor* cellClass = fw::NSClassFromString("QLNMovableCell"))
        row->setProperty(cellClass, "cellClass");
    return row;
}

void QLNConnectivityOrderController::saveSettings()
{
    auto settings = readSettings();
    if (!settings)
        return;
    for (std::size_t i = 0; i < toggles.size(); ++i)
        (*settings)[positionKey(i)] = toggles[i];
    writeSettings(*settings);
}

void QLNConnectivityOrderController::tableView(
    const std::shared_ptr<fw::UITableView>&, const fw::NSIndexPath& from, const fw::NSIndexPath& to)
{
    const auto indexes = indexesWithRows();
    const auto rowCount = static_cast<int>(indexes.size());
    // A row number outside the shown rows names no entry; moving it would corrupt the order.
    if (from.row < 0 || to.row < 0 || from.row >= rowCount || to.row >= rowCount)
        return;
    // Entries without rows keep their places; the shown ones are reordered as the table shows.
    std::vector<fw::Value> shown;
    for (auto index : indexes)
        shown.push_back(toggles[index]);
    fw::Value moved = std::move(shown[from.row]);
    shown.erase(shown.begin() + from.row);
    shown.insert(shown.begin() + to.row, std::move(moved));
    for (std::size_t k = 0; k < indexes.size(); ++k)
        toggles[indexes[k]] = std::move(shown[k]);
    saveSettings();
}

std::shared_ptr<fw::PSSpecifier> QLNConnectivityOrderController::groupSpecifier()
{
    auto group = fw::PSSpecifier::preferenceSpecifierNamed(
        "", shared_from_this(), "", "", nullptr, fw::PSGroupCell, nullptr);
    group->setProperty(fw::Value("Changes require a respring."), "footerText");
    group->setProperty(fw::Value("1"), "footerAlignment");
    return group;
}

void QLNConnectivityOrderController::installRespringButton()
{
    navigationItem().setRightBarButtonItem(std::make_shared<fw::UIBarButtonItem>("Respring",
        fw::UIBarButtonItem::UIBarButtonItemStylePlain, shared_from_this(), "respring"));
}

} // namespace qln
