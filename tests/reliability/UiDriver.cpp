#include "UiDriver.hpp"

#include "contract/SettingsContract.hpp"
#include "foundation/PropertyList.hpp"
#include "presets/PresetExchange.hpp"

#include <array>

namespace reliability {

namespace {

// Through /User or /var/mobile: the settings file under either spelling of the home.
constexpr std::string_view kSettingsFileName
    = contract::settingsFile.substr(contract::settingsFile.find("/Library/"));

constexpr std::array kColourPages { "Connectivity", "Toggles", "Media Controls", "Sliders",
    "Miscellaneous" };
constexpr std::array kPresetNames { "Day", "Night", "Blue", "Red 2",
    "\xC3\x9C"
    "bung" };
constexpr std::array kColours { "#FF0000", "#00FF00:0.5", "#123456", "#ABCDEF:0.25", "#000000",
    "#FFFFFF:1" };

template <typename T> const T& anyOf(const std::vector<T>& items, std::mt19937& random)
{
    return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(random)];
}

template <typename T, std::size_t N> T anyOf(const std::array<T, N>& items, std::mt19937& random)
{
    return items[std::uniform_int_distribution<std::size_t>(0, N - 1)(random)];
}

bool replacesSettings(const json& effect)
{
    auto op = effect.value("op", "");
    auto path = effect.value("path", "");
    return (op == "write" || op == "copy") && path.ends_with(kSettingsFileName);
}

} // namespace

json event(std::string name, json fields)
{
    fields["event"] = std::move(name);
    return fields;
}

json rowByKey(const std::string& key)
{
    return { { "key", key } };
}
json rowByTitle(const std::string& title)
{
    return { { "title", title } };
}

UiDriver::UiDriver(const std::filesystem::path& deviceRoot)
    : m_session(deviceRoot)
{
    m_screen = json::parse(m_session.screen());
}

const json& UiDriver::send(json event)
{
    if (beforeEvent)
        beforeEvent(event);
    auto answer = m_session.handle(event.dump());
    m_screen = json::parse(answer.screen);
    ++m_events;
    if (!answer.applied)
        ++m_refusals;
    for (const auto& effect : m_screen["effects"]) {
        if (replacesSettings(effect)) {
            ++m_settingsReplacements;
            break;
        }
    }
    if (afterEvent)
        afterEvent(event);
    return m_screen;
}

bool UiDriver::hasModal() const
{
    return !m_screen["modal"].is_null();
}

std::string UiDriver::modalStyle() const
{
    return hasModal() ? m_screen["modal"].value("style", "") : "";
}

std::string UiDriver::modalTitle() const
{
    return hasModal() ? m_screen["modal"].value("title", "") : "";
}

bool UiDriver::modalHasAction(const std::string& title) const
{
    if (!hasModal() || !m_screen["modal"].contains("actions"))
        return false;
    for (const auto& action : m_screen["modal"]["actions"]) {
        if (action.value("title", "") == title)
            return true;
    }
    return false;
}

void UiDriver::dismissModals()
{
    // Bounded: a handler may present the next alert, but never endlessly.
    for (int guard = 0; hasModal() && guard < 8; ++guard) {
        if (modalStyle() == "picker") {
            send(event("closePicker"));
            continue;
        }
        const auto& actions = m_screen["modal"]["actions"];
        if (actions.empty())
            return;
        std::string button = modalHasAction("Cancel") ? "Cancel" : actions[0].value("title", "");
        send(event("alert", { { "button", button } }));
    }
}

void UiDriver::toRoot()
{
    dismissModals();
    while (m_screen["stack"].size() > 1) {
        send(event("back"));
        dismissModals();
    }
    if (m_screen["stack"].empty()) {
        send(event("open"));
        dismissModals();
    }
}

void UiDriver::openPage(const std::string& title)
{
    // Already there, with nothing over it: a user would not go back and forth either.
    if (!hasModal() && m_screen["stack"].size() == 2 && title == m_openedPage
        && m_screen["page"].value("class", "") == m_openedClass)
        return;
    toRoot();
    send(event("tap", { { "row", rowByTitle(title) } }));
    dismissModals();
    m_openedPage = title;
    m_openedClass = m_screen["page"].is_null() ? "" : m_screen["page"].value("class", "");
}

std::vector<std::string> UiDriver::colourKeys(bool global) const
{
    std::vector<std::string> keys;
    if (m_screen["page"].is_null())
        return keys;
    for (const auto& row : m_screen["page"]["rows"]) {
        if (row["cellClass"] != "QLNColorPicker" || !row["key"].is_string())
            continue;
        // Global rows show no swatch.
        if (row.contains("swatch") && row["swatch"].is_null() == global)
            keys.push_back(row["key"].get<std::string>());
    }
    return keys;
}

std::vector<std::string> UiDriver::presetNames() const
{
    std::vector<std::string> names;
    if (m_screen["page"].is_null())
        return names;
    for (const auto& row : m_screen["page"]["rows"]) {
        if (row["cellClass"] == "QLNPreset" && row["title"].is_string())
            names.push_back(row["title"].get<std::string>());
    }
    return names;
}

bool UiDriver::rightButtonEnabled() const
{
    const auto& page = m_screen["page"];
    return !page.is_null() && page["rightButton"].is_object()
        && page["rightButton"].value("enabled", false);
}

namespace {

void openColourPage(UiDriver& ui, std::mt19937& random)
{
    ui.openPage(anyOf(kColourPages, random));
}

void pickAndClose(UiDriver& ui, std::mt19937& random)
{
    ui.send(event("pick", { { "color", anyOf(kColours, random) } }));
    ui.send(event("closePicker"));
}

void rowWrite(UiDriver& ui, std::mt19937& random)
{
    openColourPage(ui, random);
    auto keys = ui.colourKeys(false);
    if (keys.empty())
        return;
    ui.send(event("tap", { { "row", rowByKey(anyOf(keys, random)) } }));
    pickAndClose(ui, random);
}

void switchWrite(UiDriver& ui, std::mt19937& random)
{
    ui.openPage("Miscellaneous");
    ui.send(event(
        "switch", { { "row", rowByKey("colorExpandedModules") }, { "value", random() % 2 == 0 } }));
}

void longPressReset(UiDriver& ui, std::mt19937& random)
{
    openColourPage(ui, random);
    auto keys = ui.colourKeys(false);
    if (!keys.empty())
        ui.send(event("longPress", { { "row", rowByKey(anyOf(keys, random)) } }));
}

void globalSpread(UiDriver& ui, std::mt19937& random)
{
    openColourPage(ui, random);
    auto keys = ui.colourKeys(true);
    if (keys.empty())
        return;
    ui.send(event("tap", { { "row", rowByKey(keys.front()) } }));
    ui.send(event("alert", { { "button", "Yes" } }));
    pickAndClose(ui, random);
}

void globalReset(UiDriver& ui, std::mt19937& random)
{
    openColourPage(ui, random);
    auto keys = ui.colourKeys(true);
    if (keys.empty())
        return;
    ui.send(event("longPress", { { "row", rowByKey(keys.front()) } }));
    ui.send(event("alert", { { "button", "Yes" } }));
}

void orderSave(UiDriver& ui, std::mt19937& random)
{
    ui.openPage("Connectivity");
    ui.send(event("tap", { { "row", rowByKey("rearrangeToggles") } }));
    std::uniform_int_distribution<int> position(1, 6); // row 0 is the group row
    ui.send(event("move", { { "from", position(random) }, { "to", position(random) } }));
}

void presetCreate(UiDriver& ui, std::mt19937& random)
{
    ui.openPage("Presets");
    ui.send(event("tap", { { "row", rowByTitle("New Preset") } }));
    ui.send(event("alert", { { "button", "Save" }, { "text", { anyOf(kPresetNames, random) } } }));
}

void presetSave(UiDriver& ui, std::mt19937&)
{
    ui.openPage("Presets");
    if (ui.rightButtonEnabled())
        ui.send(event("barButton"));
}

// Opens the action sheet of a random preset; false when there is none.
bool openPresetSheet(UiDriver& ui, std::mt19937& random)
{
    ui.openPage("Presets");
    auto names = ui.presetNames();
    if (names.empty())
        return false;
    ui.send(event("tap", { { "row", { { "fileName", anyOf(names, random) } } } }));
    return ui.modalStyle() == "actionSheet";
}

void presetLoad(UiDriver& ui, std::mt19937& random)
{
    if (!openPresetSheet(ui, random))
        return;
    ui.send(event("alert", { { "button", "Load" } }));
    // Unsaved work asks first.
    if (ui.modalHasAction("OK") && ui.modalHasAction("Cancel"))
        ui.send(event("alert", { { "button", "OK" } }));
}

void presetImport(UiDriver& ui, std::mt19937& random)
{
    fw::Dictionary imported { { "backgroundTint", fw::Value(std::string(anyOf(kColours, random))) },
        { "moduleGlyph", fw::Value("#00FFFF:1.000000") } };
    ui.send(event("pasteboard",
        { { "string", qln::PresetExchange::encode(fw::xmlPropertyList(fw::Value(imported))) } }));
    ui.openPage("Presets");
    ui.send(event("tap", { { "row", rowByTitle("Import Preset") } }));
    ui.send(event("alert", { { "button", "Save" }, { "text", { anyOf(kPresetNames, random) } } }));
}

void presetDelete(UiDriver& ui, std::mt19937& random)
{
    if (!openPresetSheet(ui, random))
        return;
    ui.send(event("alert", { { "button", "Delete" } }));
    ui.send(event("alert", { { "button", "Yes" } }));
}

void modeDefault(UiDriver& ui, std::mt19937& random)
{
    if (!openPresetSheet(ui, random))
        return;
    const auto& actions = ui.screen()["modal"]["actions"];
    std::vector<std::string> modeActions;
    for (const auto& action : actions) {
        auto title = action.value("title", "");
        if (title.find("Mode") != std::string::npos)
            modeActions.push_back(title);
    }
    if (!modeActions.empty())
        ui.send(event("alert", { { "button", anyOf(modeActions, random) } }));
}

void fullReset(UiDriver& ui, std::mt19937&)
{
    ui.toRoot();
    ui.send(event("tap", { { "row", rowByTitle("Reset All Settings") } }));
    ui.send(event("alert", { { "button", "Yes" } }));
}

// Undo and redo are refused under a modal, as the user would see them greyed out.
void undo(UiDriver& ui, std::mt19937&)
{
    ui.dismissModals();
    ui.send(event("undo"));
}

void redo(UiDriver& ui, std::mt19937&)
{
    ui.dismissModals();
    ui.send(event("redo"));
}

} // namespace

const char* operationName(Operation operation)
{
    static constexpr std::array<const char*, kOperationCount> names { "row write", "switch write",
        "long-press reset", "global spread", "global reset", "order save", "preset create",
        "preset save", "preset load", "preset import", "preset delete", "mode default",
        "full reset", "undo", "redo" };
    return names[static_cast<std::size_t>(operation)];
}

void perform(UiDriver& ui, Operation operation, std::mt19937& random)
{
    using Flow = void (*)(UiDriver&, std::mt19937&);
    static constexpr std::array<Flow, kOperationCount> flows { rowWrite, switchWrite,
        longPressReset, globalSpread, globalReset, orderSave, presetCreate, presetSave, presetLoad,
        presetImport, presetDelete, modeDefault, fullReset, undo, redo };
    flows[static_cast<std::size_t>(operation)](ui, random);
}

Operation chooseOperation(std::mt19937& random)
{
    // Row writes and resets are what users do most; preset work and full resets now and then.
    static const std::array<int, kOperationCount> weights { 6, 2, 3, 2, 1, 2, 2, 2, 3, 2, 1, 1, 1,
        2, 1 };
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    return static_cast<Operation>(pick(random));
}

} // namespace reliability
