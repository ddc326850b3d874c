#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace web {

// What the event stream sends without a request: the screen, the Control Center preview as a
// named event, and the open picker's colour as a named event for those who see only pictures.
// Only the newest message of each kind is kept, so a slow reader costs one message of each,
// never a queue.
//
// Each pick of a drag would also make a new preview of some 50 KB, which no reader needs: a
// reader of pictures draws the drag from the picks, a desktop from its picker (another window
// of it, from the screens). So while picks that show a colour come, the preview waits until
// they have rested for `kPickRest`, for every reader.
class Broadcast {
public:
    using Clock = std::chrono::steady_clock;
    enum Channel { Pick = 0, Screen = 1, Preview = 2 };
    static constexpr int kChannels = 3;
    static constexpr auto kPickRest = std::chrono::milliseconds(120);

    // Where a reader is: the version of each channel it has sent.
    struct Position {
        std::uint64_t seen[kChannels] { 0, 0, 0 };
    };

    // Keeps the message when it differs from the last one, then tells the listener. A pick that
    // `showsColour` holds the previews (see above), and the next preview goes even unchanged.
    void publish(Channel channel, std::string payload, bool showsColour = false);
    // Until when previews are held, while they are: the publisher makes the preview then.
    std::optional<Clock::time_point> previewHeldUntil() const;
    // The next event-stream chunk for a reader at `position`, which it then moves past; empty
    // when the reader has nothing to be sent now. A reader of `picturesOnly` gets the picks and
    // the previews, any other the screens and the previews (its own page draws its picker's
    // colour). A pick goes first: it is small and the preview that follows it is not. When a
    // preview is held, `heldUntil` is set to when the reader should ask again.
    std::string next(Position& position, bool picturesOnly = false,
        std::optional<Clock::time_point>* heldUntil = nullptr) const;
    // Called, from the publishing thread, after each new message.
    void onPublish(std::function<void()> listener);

private:
    struct Slot {
        std::string payload;
        std::uint64_t version { 0 };
    };
    std::optional<Clock::time_point> heldUntilLocked() const;

    mutable std::mutex m_mutex;
    Slot m_slots[kChannels];
    // When the newest pick came, while it shows a colour.
    std::optional<Clock::time_point> m_pickShowing;
    // A pick has shown a colour since the last preview.
    bool m_previewOwed { false };
    std::function<void()> m_listener;
};

} // namespace web
