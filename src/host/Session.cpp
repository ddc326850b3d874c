#include "host/Session.hpp"

#include "bundle/BundleClasses.hpp"
#include "foundation/ClassDescription.hpp"
#include "foundation/Device.hpp"
#include "host/EventHandlers.hpp"
#include "host/HistoryWatcher.hpp"
#include "host/ScreenWriter.hpp"
#include "host/SessionState.hpp"
#include "preferences/FrameworkClasses.hpp"
#include "sparkpicker/SparkColourPickerCell.hpp"
#include "store/UIColor+Quillane.hpp"
#include "theming/StockColours.hpp"

namespace host {

std::shared_ptr<fw::PSListController> SessionState::topPage() const
{
    return std::dynamic_pointer_cast<fw::PSListController>(navigation->topViewController());
}

std::shared_ptr<fw::UIViewController> SessionState::modal() const
{
    auto page = topPage();
    return page ? page->presentedViewController() : nullptr;
}

namespace {

// The Settings app's own list, at the bottom of the navigation stack.
class SettingsListController : public fw::UIViewController {
public:
    static const fw::ClassDescriptor& classObject()
    {
        static const fw::ClassDescriptor cls
            = fw::describeClass("PSUIPrefsListController", fw::UIViewController::classObject());
        return cls;
    }
    const fw::ClassDescriptor& isa() const override { return classObject(); }
};

} // namespace

Session::Session(const std::filesystem::path& deviceRoot)
    : m(std::make_unique<State>())
{
    fw::registerFrameworkClasses();
    qln::registerBundleClasses();
    fw::Device::setRoot(deviceRoot);
    // A row without a colour opens its picker on what Control Center shows for it.
    fw::SparkColourPickerCell::setShownColour([](std::string_view key) {
        return std::optional(theming::displayColour(theming::stockColour(key)));
    });
    m->state.root = deviceRoot;
    m->state.settingsList = std::make_shared<SettingsListController>();
    m->state.navigation = std::make_shared<fw::UINavigationController>(m->state.settingsList);
    m->seenHead = labelledHistory().summary().headId;
    m->watcher = HistoryWatcher::start([this] { catchUpWithHistory(); });
}

Session::~Session() = default;

EventAnswer Session::handle(std::string_view eventJson, const std::function<void()>& applied)
{
    auto context = captureContext(m->state, eventJson, m->lastContext);
    auto& history = labelledHistory();
    history.begin();
    auto refusal = handleEvent(m->state, eventJson);
    if (applied)
        applied();
    history.finish([&](const history::ChangeSet& changes) { return nameStep(context, changes); });
    if (!refusal)
        m->lastContext = std::move(context);
    m->seenHead = history.summary().headId;
    return { writeScreen(m->state, true, refusal), !refusal };
}

EventAnswer Session::refuse(const std::string& message)
{
    return { writeScreen(m->state, true, message), false };
}

std::optional<Session::PendingPick> Session::pendingPick() const
{
    auto picker = std::dynamic_pointer_cast<fw::SparkColourPickerViewController>(m->state.modal());
    if (!picker || picker != m->state.pickedPicker.lock())
        return std::nullopt;
    auto cell = picker->cell();
    if (!cell)
        return std::nullopt;
    return PendingPick { cell->keysToColour(), qln::qlnHexStringFromColor(picker->colour()) };
}

void Session::catchUpWithHistory()
{
    auto& history = labelledHistory();
    if (history.isOpen())
        return;
    history.recordForeignChange();
    auto head = history.summary().headId;
    if (head == m->seenHead)
        return;
    m->seenHead = head;
    // The files changed under the open page: it shows what is stored, unless the user is in
    // the middle of something presented over it.
    auto page = m->state.topPage();
    if (page && !m->state.modal())
        page->reloadSpecifiers();
}

std::optional<std::string> Session::presentedTitle() const
{
    auto modal = m->state.modal();
    if (!modal)
        return std::nullopt;
    return modal->presentationTitle();
}

void Session::reloadAfterDeviceChange()
{
    // Pages read the device when they build their rows: pages below the top one too, so
    // going back shows the new device.
    for (const auto& controller : m->state.navigation->viewControllers()) {
        if (auto page = std::dynamic_pointer_cast<fw::PSListController>(controller))
            page->reloadSpecifiers();
    }
}

std::string Session::screen(bool takeJournal)
{
    return writeScreen(m->state, takeJournal, std::nullopt);
}

} // namespace host
