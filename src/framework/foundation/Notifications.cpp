#include "foundation/Notifications.hpp"

#include "foundation/Dispatch.hpp"
#include "foundation/Journal.hpp"

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace fw {

namespace {

struct DarwinObserver {
    std::string name;
    std::shared_ptr<std::function<void()>> callback;
};

struct DarwinObservers {
    std::mutex mutex;
    std::map<int, DarwinObserver> byToken;
    int nextToken { 1 };
};

DarwinObservers& darwinObservers()
{
    static DarwinObservers observers;
    return observers;
}

// Each observer hears a post once, unless it is removed before the delivery runs.
void deliverDarwin(std::string_view name)
{
    auto& observers = darwinObservers();
    std::vector<int> tokens;
    {
        std::lock_guard lock(observers.mutex);
        for (const auto& [token, observer] : observers.byToken) {
            if (observer.name == name)
                tokens.push_back(token);
        }
    }
    if (tokens.empty())
        return;
    DispatchMainQueue::async([tokens = std::move(tokens)] {
        auto& observers = darwinObservers();
        for (int token : tokens) {
            std::shared_ptr<std::function<void()>> callback;
            {
                std::lock_guard lock(observers.mutex);
                auto it = observers.byToken.find(token);
                if (it == observers.byToken.end())
                    continue;
                callback = it->second.callback;
            }
            (*callback)();
        }
    });
}

} // namespace

DarwinNotifyCenter& DarwinNotifyCenter::center()
{
    static DarwinNotifyCenter instance;
    return instance;
}

void DarwinNotifyCenter::postNotification(std::string_view name)
{
    Journal::recordPosted(std::string(name));
    Journal::recordEffect({ "post", {}, {}, std::string(name) });
    deliverDarwin(name);
    NotificationBus::send("Darwin", name);
}

int DarwinNotifyCenter::addObserver(std::string name, std::function<void()> callback)
{
    auto& observers = darwinObservers();
    std::lock_guard lock(observers.mutex);
    int token = observers.nextToken++;
    observers.byToken[token]
        = { std::move(name), std::make_shared<std::function<void()>>(std::move(callback)) };
    return token;
}

void DarwinNotifyCenter::removeObserver(int token)
{
    auto& observers = darwinObservers();
    std::lock_guard lock(observers.mutex);
    observers.byToken.erase(token);
}

void DarwinNotifyCenter::receiveNotification(std::string_view name)
{
    deliverDarwin(name);
}

struct NSNotificationCenter::Observers {
    struct Registration {
        std::uint64_t serial;
        std::weak_ptr<NSObject> observer;
        const NSObject* observerAddress; // for removal, also after the observer died
        std::string selector;
        std::string name;
        const NSObject* object; // nullptr: any object; compared by address only
    };
    struct Due {
        std::uint64_t serial;
        std::weak_ptr<NSObject> observer;
        std::string selector;
    };

    mutable std::mutex mutex;
    std::vector<Registration> registrations;
    std::uint64_t nextSerial { 1 };

    bool isRegistered(std::uint64_t serial) const
    {
        std::lock_guard lock(mutex);
        return std::any_of(registrations.begin(), registrations.end(),
            [&](const Registration& r) { return r.serial == serial; });
    }

    // Registrations that hear this post, in the order they were made; dead observers go.
    std::vector<Due> matching(std::string_view name, const NSObject* object)
    {
        std::lock_guard lock(mutex);
        std::erase_if(registrations, [](const Registration& r) { return r.observer.expired(); });
        std::vector<Due> due;
        for (const auto& r : registrations) {
            if (r.name == name && (!r.object || r.object == object))
                due.push_back({ r.serial, r.observer, r.selector });
        }
        return due;
    }
};

NSNotificationCenter::NSNotificationCenter(bool distributed)
    : m_distributed(distributed)
    , m_observers(std::make_unique<Observers>())
{
}

NSNotificationCenter::~NSNotificationCenter() = default;

NSNotificationCenter& NSNotificationCenter::defaultCenter()
{
    static NSNotificationCenter instance(false);
    return instance;
}

NSDistributedNotificationCenter& NSDistributedNotificationCenter::defaultCenter()
{
    static NSDistributedNotificationCenter instance;
    return instance;
}

void NSNotificationCenter::addObserver(
    const Id& observer, std::string selector, std::string name, const Id& object)
{
    if (!observer)
        return;
    std::lock_guard lock(m_observers->mutex);
    m_observers->registrations.push_back({ m_observers->nextSerial++, observer, observer.get(),
        std::move(selector), std::move(name), object.get() });
}

void NSNotificationCenter::removeObserver(
    const NSObject* observer, std::string_view name, const Id& object)
{
    std::lock_guard lock(m_observers->mutex);
    std::erase_if(m_observers->registrations, [&](const Observers::Registration& r) {
        return r.observerAddress == observer && (name.empty() || r.name == name)
            && (!object || r.object == object.get());
    });
}

void NSNotificationCenter::postNotificationName(std::string_view name, const Id& object)
{
    deliver(name, object.get());
    if (m_distributed)
        NotificationBus::send("Distributed", name);
}

int NSNotificationCenter::observerCount(std::string_view name) const
{
    std::lock_guard lock(m_observers->mutex);
    return static_cast<int>(std::count_if(m_observers->registrations.begin(),
        m_observers->registrations.end(),
        [&](const Observers::Registration& r) { return r.name == name && !r.observer.expired(); }));
}

void NSNotificationCenter::receiveNotification(std::string_view name)
{
    deliver(name, nullptr);
}

// One block per post keeps the observers' order; each is checked again when its turn comes, so
// an observer removed or released in between is never called.
void NSNotificationCenter::deliver(std::string_view name, const NSObject* object)
{
    auto due = m_observers->matching(name, object);
    if (due.empty())
        return;
    DispatchMainQueue::async([observers = m_observers.get(), due = std::move(due)] {
        for (const auto& entry : due) {
            auto observer = entry.observer.lock();
            if (!observer || !observers->isRegistered(entry.serial))
                continue;
            observer->perform(entry.selector);
        }
    });
}

} // namespace fw
