#pragma once

#include "foundation/NSObject.hpp"

#include <memory>
#include <string>

namespace fw {

class UIView;

enum class UIGestureRecognizerState { Possible, Began, Changed, Ended, Cancelled };

class UIGestureRecognizer : public NSObject {
public:
    // initWithTarget:action: — the target is held weakly, as UIKit does.
    UIGestureRecognizer(const Id& target, std::string action)
        : m_target(target)
        , m_action(std::move(action))
    {
    }
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    void setDelegate(const Id& delegate) { m_delegate = delegate; }
    Id delegate() const { return m_delegate.lock(); }
    UIGestureRecognizerState state() const { return m_state; }
    std::shared_ptr<UIView> view() const { return m_view.lock(); }
    void setView(const std::shared_ptr<UIView>& view) { m_view = view; }

    // Delivered by the host: asks the delegate (gestureRecognizer:shouldReceiveTouch:) at the
    // start of a press, then sends the action message to the target with this recogniser.
    bool shouldReceiveTouch();
    void deliver(UIGestureRecognizerState state);

private:
    std::weak_ptr<NSObject> m_target;
    std::string m_action;
    std::weak_ptr<NSObject> m_delegate;
    std::weak_ptr<UIView> m_view;
    UIGestureRecognizerState m_state { UIGestureRecognizerState::Possible };
};

class UILongPressGestureRecognizer : public UIGestureRecognizer {
public:
    using UIGestureRecognizer::UIGestureRecognizer;
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    double minimumPressDuration() const { return m_minimumPressDuration; }
    void setMinimumPressDuration(double seconds) { m_minimumPressDuration = seconds; }

private:
    double m_minimumPressDuration { 0.5 };
};

} // namespace fw
