#include "foundation/Journal.hpp"

#include <mutex>

namespace fw {

namespace {

struct JournalState {
    std::mutex mutex;
    JournalEntries entries;
};

// Never destroyed: a background job may still record an effect while the process exits.
JournalState& state()
{
    static auto* instance = new JournalState;
    return *instance;
}

} // namespace

void Journal::recordEffect(Effect effect)
{
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.entries.effects.push_back(std::move(effect));
}

void Journal::recordPosted(std::string name)
{
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.entries.posted.push_back(std::move(name));
}

void Journal::recordSpawned(std::vector<std::string> programAndArgv)
{
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.entries.spawned.push_back(std::move(programAndArgv));
}

void Journal::recordRefused(std::string title)
{
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.entries.refused.push_back(std::move(title));
}

JournalEntries Journal::take()
{
    auto& s = state();
    std::lock_guard lock(s.mutex);
    JournalEntries taken = std::move(s.entries);
    s.entries = {};
    return taken;
}

} // namespace fw
