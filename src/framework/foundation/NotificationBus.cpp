#include "foundation/Notifications.hpp"

#include <cstring>
#include <mutex>
#include <systemd/sd-bus.h>

namespace fw {

namespace {

constexpr const char* objectPath = "/com/tarrowvine/quillane/Notify";
constexpr const char* interfaceName = "com.tarrowvine.quillane.Notify";
constexpr const char* matchRule = "type='signal',path='/com/tarrowvine/quillane/Notify',"
                                  "interface='com.tarrowvine.quillane.Notify'";

struct BusState {
    std::mutex mutex;
    sd_bus* bus { nullptr };
    sd_bus_slot* match { nullptr };
    std::string uniqueName;

    void close()
    {
        match = sd_bus_slot_unref(match);
        bus = sd_bus_flush_close_unref(bus);
        uniqueName.clear();
    }
};

// Never destroyed: a static destructor closing the connection could race a late post.
BusState& busState()
{
    static auto* state = new BusState;
    return *state;
}

// Called from processIncoming, with the state locked.
int onSignal(sd_bus_message* message, void*, sd_bus_error*)
{
    const char* sender = sd_bus_message_get_sender(message);
    // The broker hands our own signals back to us; our observers heard them when we posted.
    if (sender && busState().uniqueName == sender)
        return 0;
    const char* name = nullptr;
    if (sd_bus_message_read(message, "s", &name) < 0 || !name)
        return 0;
    if (sd_bus_message_is_signal(message, interfaceName, "Darwin") > 0)
        DarwinNotifyCenter::center().receiveNotification(name);
    else if (sd_bus_message_is_signal(message, interfaceName, "Distributed") > 0)
        NSDistributedNotificationCenter::defaultCenter().receiveNotification(name);
    return 0;
}

bool fail(sd_bus* bus, std::string* whyNot, const char* what, int error)
{
    sd_bus_flush_close_unref(bus);
    if (whyNot)
        *whyNot = std::string(what) + ": " + std::strerror(-error);
    return false;
}

} // namespace

bool NotificationBus::connect(std::string* whyNot)
{
    auto& state = busState();
    std::lock_guard lock(state.mutex);
    if (state.bus)
        return true;
    sd_bus* bus = nullptr;
    int r = sd_bus_open_user(&bus);
    if (r < 0)
        return fail(bus, whyNot, "cannot connect to the session bus", r);
    const char* unique = nullptr;
    r = sd_bus_get_unique_name(bus, &unique);
    if (r < 0)
        return fail(bus, whyNot, "the session bus did not answer", r);
    sd_bus_slot* match = nullptr;
    // Synchronous on purpose: once connect() returns, no signal sent afterwards is missed.
    r = sd_bus_add_match(bus, &match, matchRule, onSignal, nullptr);
    if (r < 0)
        return fail(bus, whyNot, "cannot watch notifications on the session bus", r);
    state.bus = bus;
    state.match = match;
    state.uniqueName = unique;
    return true;
}

bool NotificationBus::isConnected()
{
    auto& state = busState();
    std::lock_guard lock(state.mutex);
    return state.bus != nullptr;
}

int NotificationBus::descriptor()
{
    auto& state = busState();
    std::lock_guard lock(state.mutex);
    return state.bus ? sd_bus_get_fd(state.bus) : -1;
}

void NotificationBus::processIncoming()
{
    auto& state = busState();
    std::lock_guard lock(state.mutex);
    while (state.bus) {
        int r = sd_bus_process(state.bus, nullptr);
        if (r == 0)
            return;
        // A broken connection would leave its descriptor readable forever.
        if (r < 0)
            state.close();
    }
}

void NotificationBus::disconnect()
{
    auto& state = busState();
    std::lock_guard lock(state.mutex);
    state.close();
}

void NotificationBus::send(const char* member, std::string_view name)
{
    auto& state = busState();
    std::lock_guard lock(state.mutex);
    if (!state.bus)
        return;
    std::string text(name);
    if (sd_bus_emit_signal(state.bus, objectPath, interfaceName, member, "s", text.c_str()) < 0
        || sd_bus_flush(state.bus) < 0) {
        if (!sd_bus_is_open(state.bus))
            state.close();
    }
}

} // namespace fw
