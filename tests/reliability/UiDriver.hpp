#pragma once

#include "host/Session.hpp"

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

namespace reliability {

using nlohmann::json;

json event(std::string name, json fields = json::object());
json rowByKey(const std::string& key);
json rowByTitle(const std::string& title);

// Drives a host session as a user does: one event at a time, the screen read back after each,
// with the navigation every scenario shares. Refused events are normal here (a preset that is
// gone, a disabled button): they are counted, never fatal.
class UiDriver {
public:
    explicit UiDriver(const std::filesystem::path& deviceRoot);

    // Run around each event; the crash driver rehearses the event before and checks after.
    std::function<void(const json&)> beforeEvent;
    std::function<void(const json&)> afterEvent;

    const json& send(json event);
    const json& screen() const { return m_screen; }

    bool hasModal() const;
    std::string modalStyle() const;
    std::string modalTitle() const;
    bool modalHasAction(const std::string& title) const;
    // Closes whatever is presented, cancelling where a cancel button exists.
    void dismissModals();
    // The root page with nothing over it, opening the bundle when needed.
    void toRoot();
    // A page linked from the root page, by its row title.
    void openPage(const std::string& title);

    // Keys of the top page's colour rows (global rows or the others).
    std::vector<std::string> colourKeys(bool global) const;
    // Names of the preset rows of the presets page.
    std::vector<std::string> presetNames() const;
    bool rightButtonEnabled() const;

    host::Session& session() { return m_session; }
    long events() const { return m_events; }
    long refusals() const { return m_refusals; }
    // Events whose effects replaced the settings file (row writes, spreads, resets, loads).
    long settingsReplacements() const { return m_settingsReplacements; }

private:
    host::Session m_session;
    json m_screen;
    long m_events { 0 };
    long m_refusals { 0 };
    long m_settingsReplacements { 0 };
    std::string m_openedPage;
    std::string m_openedClass;
};

// What the crash and reader scenarios do, each a short user flow ending in file changes.
enum class Operation {
    RowWrite,
    SwitchWrite,
    LongPressReset,
    GlobalSpread,
    GlobalReset,
    OrderSave,
    PresetCreate,
    PresetSave,
    PresetLoad,
    PresetImport,
    PresetDelete,
    ModeDefault,
    FullReset,
    Undo,
    Redo,
};

inline constexpr int kOperationCount = 15;

const char* operationName(Operation operation);
void perform(UiDriver& ui, Operation operation, std::mt19937& random);
// A random operation, weighted towards the everyday writes.
Operation chooseOperation(std::mt19937& random);

} // namespace reliability
