#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace web {

// What the event stream sends without a request: the screen, and the Control Center preview as
// a named event. Only the newest message of each kind is kept, so a slow reader costs one
// message of each, never a queue.
class Broadcast {
public:
    enum Channel { Screen = 0, Preview = 1 };
    static constexpr int kChannels = 2;

    // Where a reader is: the version of each channel it has sent.
    struct Position {
        std::uint64_t seen[kChannels] { 0, 0 };
    };

    // Keeps the message when it differs from the last one, then tells the listener.
    void publish(Channel channel, std::string payload);
    // The next event-stream chunk for a reader at `position`, which it then moves past; empty
    // when the reader has seen everything. `previewOnly` skips the screens.
    std::string next(Position& position, bool previewOnly = false) const;
    // Called, from the publishing thread, after each new message.
    void onPublish(std::function<void()> listener);

private:
    struct Slot {
        std::string payload;
        std::uint64_t version { 0 };
    };
    mutable std::mutex m_mutex;
    Slot m_slots[kChannels];
    std::function<void()> m_listener;
};

} // namespace web
