#pragma once

#include "foundation/NSObject.hpp"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace fw {

// CFNotificationCenterGetDarwinNotifyCenter: name-only broadcasts between processes.
class DarwinNotifyCenter {
public:
    static DarwinNotifyCenter& center();
    // No object, no user information, delivered immediately. Journalled as posted.
    void postNotification(std::string_view name);
    // Observers are called on the main queue. Returns a token for removal.
    int addObserver(std::string name, std::function<void()> callback);
    void removeObserver(int token);
    // A notification another process posted: delivered to the observers here, neither
    // journalled nor sent on.
    void receiveNotification(std::string_view name);
};

// NSNotificationCenter defaultCenter (in-process) and NSDistributedNotificationCenter
// defaultCenter (across processes). Observers are held weakly and called on the main queue by
// performing their selector with no argument.
class NSNotificationCenter {
public:
    static NSNotificationCenter& defaultCenter();

    void addObserver(
        const Id& observer, std::string selector, std::string name, const Id& object = nullptr);
    // An empty name removes the observer for every name.
    void removeObserver(
        const NSObject* observer, std::string_view name = {}, const Id& object = nullptr);
    // Observers registered for `object` hear only posts of that object; those registered for
    // no object hear every post of the name.
    void postNotificationName(std::string_view name, const Id& object = nullptr);
    int observerCount(std::string_view name) const;
    // A notification another process posted: delivered to the observers here, not sent on.
    void receiveNotification(std::string_view name);

    ~NSNotificationCenter();

protected:
    explicit NSNotificationCenter(bool distributed);

private:
    struct Observers;

    void deliver(std::string_view name, const NSObject* object);

    bool m_distributed;
    std::unique_ptr<Observers> m_observers;
};

class NSDistributedNotificationCenter : public NSNotificationCenter {
public:
    static NSDistributedNotificationCenter& defaultCenter();

private:
    NSDistributedNotificationCenter()
        : NSNotificationCenter(true)
    {
    }
};

// The cross-process side: D-Bus signals on the session bus. Without a bus the centres work
// in-process only.
class NotificationBus {
public:
    // Connects to the session bus; false (and a one-line reason) when there is none.
    static bool connect(std::string* whyNot = nullptr);
    static bool isConnected();
    // Descriptor to poll for incoming signals, or -1.
    static int descriptor();
    // Reads pending signals and queues their delivery on the main queue.
    // Call it once after connecting and whenever the descriptor is readable. A lost
    // connection is closed here; the descriptor is then -1.
    static void processIncoming();
    static void disconnect();

private:
    friend class DarwinNotifyCenter;
    friend class NSNotificationCenter;

    // Broadcasts a notification as the signal `member` ("Darwin" or "Distributed"); flushed
    // before returning. Does nothing without a connection.
    static void send(const char* member, std::string_view name);
};

} // namespace fw
