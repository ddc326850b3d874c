#include "web/Broadcast.hpp"

namespace web {

void Broadcast::publish(Channel channel, std::string payload, bool showsColour)
{
    std::function<void()> listener;
    {
        std::lock_guard lock(m_mutex);
        auto& slot = m_slots[channel];
        // The same pick again (any change of the palette sends it) is no new pick.
        if (payload == slot.payload)
            return;
        if (channel == Pick)
            m_pickShowing = showsColour ? std::optional(Clock::now()) : std::nullopt;
        slot.payload = std::move(payload);
        ++slot.version;
        listener = m_listener;
    }
    if (listener)
        listener();
}

std::string Broadcast::next(
    Position& position, bool picturesOnly, std::optional<Clock::time_point>* heldUntil) const
{
    static constexpr const char* kEventLines[kChannels] { "event: pick\n", "", "event: preview\n" };
    std::lock_guard lock(m_mutex);
    for (int channel : { Pick, Screen, Preview }) {
        if (channel == (picturesOnly ? Screen : Pick))
            continue;
        auto& slot = m_slots[channel];
        if (slot.version == position.seen[channel])
            continue;
        if (channel == Preview && picturesOnly && m_pickShowing
            && Clock::now() < *m_pickShowing + kPickRest) {
            if (heldUntil)
                *heldUntil = *m_pickShowing + kPickRest;
            continue;
        }
        position.seen[channel] = slot.version;
        return kEventLines[channel] + std::string("data: ") + slot.payload + "\n\n";
    }
    return {};
}

void Broadcast::onPublish(std::function<void()> listener)
{
    std::lock_guard lock(m_mutex);
    m_listener = std::move(listener);
}

} // namespace web
