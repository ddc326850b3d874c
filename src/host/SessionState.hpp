#pragma once

#include "host/HistoryLabels.hpp"
#include "host/Session.hpp"
#include "host/TableRows.hpp"
#include "preferences/PSListController.hpp"
#include "uikit/UIGestureRecognizer.hpp"
#include "uikit/UIViewController.hpp"

#include <filesystem>
#include <memory>

namespace host {

// What the Settings app stand-in keeps between events (private to the session's files).
struct SessionState {
    std::filesystem::path root;
    std::shared_ptr<fw::UIViewController> settingsList;
    std::shared_ptr<fw::UINavigationController> navigation;
    // The recogniser whose press began and has not ended: "changed" and "ended" still reach it
    // while an alert is up.
    std::weak_ptr<fw::UIGestureRecognizer> activePress;
    // The open picker that has been told a colour: until then it shows nothing new.
    std::weak_ptr<fw::UIViewController> pickedPicker;

    // The bundle's top page, or nullptr on the Settings app's list.
    std::shared_ptr<fw::PSListController> topPage() const;
    // What the top page presents, or nullptr.
    std::shared_ptr<fw::UIViewController> modal() const;
};

} // namespace host

namespace host {
class HistoryWatcher;
struct Session::State {
    SessionState state;
    // What the last event was about, so an alert's step is named after the row that raised it.
    EventContext lastContext;
    // The newest step this session has shown; a different one was made elsewhere.
    std::uint64_t seenHead { 0 };
    std::shared_ptr<HistoryWatcher> watcher;
};
} // namespace host
