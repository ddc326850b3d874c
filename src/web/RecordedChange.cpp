#include "web/RecordedChange.hpp"

#include "foundation/Notifications.hpp"
#include "history/History.hpp"
#include "host/HistoryLabels.hpp"
#include "theming/ThemingPaths.hpp"

namespace web {

void recordAndAnnounce(
    const std::function<void()>& change, const std::function<std::string()>& label)
{
    host::labelledHistory().record(change, [&](const history::ChangeSet&) {
        return history::StepName { label(), {} };
    });
    fw::NSDistributedNotificationCenter::defaultCenter().postNotificationName(
        theming::presetChangedNotification);
}

} // namespace web
