#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// The answer to one event: the screen, and whether the event applied.
struct EventAnswer {
    std::string screen; // the screen as one line of JSON
    bool applied { true };
};

// The Settings app stand-in for one device: the navigation stack with the Settings app's own
// list at the bottom, the user's events turned into calls on pages and cells, and the screen.
// Everything runs on the calling thread, which is the main queue's.
class Session {
public:
    explicit Session(const std::filesystem::path& deviceRoot);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Handles one event (a JSON object) completely, including the main-queue work it causes.
    // `applied` runs once the event has changed what it changes, before the screen is written:
    // for what must leave at once, as the colour of a drag.
    EventAnswer handle(std::string_view eventJson, const std::function<void()>& applied = {});
    // The answer to an event refused before it was read (too long to take): the current screen
    // with `message` as its error. Nothing changes.
    EventAnswer refuse(const std::string& message);
    // The current screen. With `takeJournal` it reports what the platform did since the last
    // answer (posted, spawned, effects, refused); otherwise those lists are empty.
    std::string screen(bool takeJournal = false);

    // The colour the open picker was last told and the keys it would write on closing, or
    // nullopt while no picker is open or the open one has not been told a colour.
    struct PendingPick {
        std::vector<std::string> keys;
        std::string value; // the stored form of the colour
    };
    std::optional<PendingPick> pendingPick() const;

    // What is presented over the page (its title), which keeps the device as it is, as it
    // keeps undo from moving; nullopt when nothing is.
    std::optional<std::string> presentedTitle() const;
    // The device's files changed (its version, tweaks or modules): every page of the stack
    // builds its rows again from them. Not a step of the settings' history.
    void reloadAfterDeviceChange();

    struct State;

private:
    // After a notification: records a change made elsewhere and shows the files as they are.
    void catchUpWithHistory();

    std::unique_ptr<State> m;
};

} // namespace host
