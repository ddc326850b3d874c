#include "web/Broadcast.hpp"

namespace web {

void Broadcast::publish(Channel channel, std::string payload, bool showsColour)
{
    std::function<void()> listener;
    {
        std::lock_guard lock(m_mutex);
        auto& slot = m_slots[channel];
        // The same pick again (any change of the palette sends it) is no new pick. A preview
        // owed to the readers of a drag goes though it equals the last: they drew the picks
        // over it and learn from it that they ended.
        bool owed = channel == Preview && m_previewOwed;
        if (payload == slot.payload && !owed)
            return;
        if (channel == Pick) {
            m_pickShowing = showsColour ? std::optional(Clock::now()) : std::nullopt;
            m_previewOwed = m_previewOwed || showsColour;
        }
        if (channel == Preview)
            m_previewOwed = false;
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
        if (channel == Preview) {
            if (auto until = heldUntilLocked()) {
                if (heldUntil)
                    *heldUntil = *until;
                continue;
            }
        }
        position.seen[channel] = slot.version;
        return kEventLines[channel] + std::string("data: ") + slot.payload + "\n\n";
    }
    return {};
}

std::optional<Broadcast::Clock::time_point> Broadcast::previewHeldUntil() const
{
    std::lock_guard lock(m_mutex);
    return heldUntilLocked();
}

std::optional<Broadcast::Clock::time_point> Broadcast::heldUntilLocked() const
{
    if (m_pickShowing && Clock::now() < *m_pickShowing + kPickRest)
        return *m_pickShowing + kPickRest;
    return std::nullopt;
}

void Broadcast::onPublish(std::function<void()> listener)
{
    std::lock_guard lock(m_mutex);
    m_listener = std::move(listener);
}

} // namespace web
