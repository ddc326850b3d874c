#include "web/Broadcast.hpp"

namespace web {

void Broadcast::publish(Channel channel, std::string payload)
{
    std::function<void()> listener;
    {
        std::lock_guard lock(m_mutex);
        auto& slot = m_slots[channel];
        if (payload == slot.payload)
            return;
        slot.payload = std::move(payload);
        ++slot.version;
        listener = m_listener;
    }
    if (listener)
        listener();
}

std::string Broadcast::next(Position& position, bool previewOnly) const
{
    std::lock_guard lock(m_mutex);
    for (int channel : { Screen, Preview }) {
        if (previewOnly && channel == Screen)
            continue;
        auto& slot = m_slots[channel];
        if (slot.version == position.seen[channel])
            continue;
        position.seen[channel] = slot.version;
        return (channel == Preview ? "event: preview\n" : "") + std::string("data: ") + slot.payload
            + "\n\n";
    }
    return {};
}

void Broadcast::onPublish(std::function<void()> listener)
{
    std::lock_guard lock(m_mutex);
    m_listener = std::move(listener);
}

} // namespace web
