#include "host/HistoryWatcher.hpp"

#include "foundation/Notifications.hpp"
#include "store/Settings.hpp"

namespace host {

namespace {
constexpr const char* kSelector = "settingsChanged";
}

const fw::ClassDescriptor& HistoryWatcher::classObject()
{
    static const fw::ClassDescriptor cls = [] {
        fw::ClassDescriptor c;
        c.name = "QLNHostHistoryWatcher";
        c.superclass = &fw::NSObject::classObject();
        c.actions[kSelector] = [](fw::NSObject& self, const fw::Args&) -> fw::ActionResult {
            auto& watcher = static_cast<HistoryWatcher&>(self);
            if (watcher.m_onChange)
                watcher.m_onChange();
            return std::nullopt;
        };
        return c;
    }();
    return cls;
}

std::shared_ptr<HistoryWatcher> HistoryWatcher::start(std::function<void()> onChange)
{
    auto watcher = std::make_shared<HistoryWatcher>();
    watcher->m_onChange = std::move(onChange);
    fw::NSDistributedNotificationCenter::defaultCenter().addObserver(
        watcher, kSelector, std::string(qln::presetChangedNotification));
    std::weak_ptr<HistoryWatcher> weak = watcher;
    watcher->m_darwinToken = fw::DarwinNotifyCenter::center().addObserver(
        std::string(qln::updateNotification), [weak] {
            if (auto alive = weak.lock(); alive && alive->m_onChange)
                alive->m_onChange();
        });
    return watcher;
}

HistoryWatcher::~HistoryWatcher()
{
    fw::DarwinNotifyCenter::center().removeObserver(m_darwinToken);
    fw::NSDistributedNotificationCenter::defaultCenter().removeObserver(this);
}

} // namespace host
