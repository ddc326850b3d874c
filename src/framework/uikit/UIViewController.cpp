#include "uikit/UIViewController.hpp"

#include "foundation/ClassDescription.hpp"
#include "foundation/Journal.hpp"

namespace fw {

const ClassDescriptor& UIBarButtonItem::classObject()
{
    static const ClassDescriptor cls = describeClass("UIBarButtonItem", NSObject::classObject());
    return cls;
}

void UIBarButtonItem::tap()
{
    if (!enabled)
        return;
    auto target = m_target.lock();
    if (!target)
        return;
    // Keep the button alive: the action may replace it in the navigation item.
    auto self = weak_from_this().lock();
    if (action.find(':') != std::string::npos)
        target->perform(action, { Arg(self) });
    else
        target->perform(action);
}

const ClassDescriptor& UIViewController::classObject()
{
    static const ClassDescriptor cls
        = describeClass<UIViewController>("UIViewController", NSObject::classObject());
    return cls;
}

const std::shared_ptr<UIView>& UIViewController::view()
{
    if (m_view)
        return m_view;
    loadView();
    if (!m_view)
        UIViewController::loadView();
    viewDidLoad();
    return m_view;
}

void UIViewController::loadView()
{
    m_view = std::make_shared<UIView>(CGRect { 0, 0, 375, 812 });
    m_view->setOwningViewController(
        std::static_pointer_cast<UIViewController>(weak_from_this().lock()));
}

void UIViewController::presentViewController(const std::shared_ptr<UIViewController>& controller,
    bool /*animated*/, const std::function<void()>& completion)
{
    if (!controller)
        return;
    // UIKit refuses a second presentation, and a controller that is already on screen.
    if (m_presented || controller->presentingViewController() || controller.get() == this) {
        Journal::recordRefused(controller->presentationTitle());
        return;
    }
    m_presented = controller;
    controller->m_presenting = std::static_pointer_cast<UIViewController>(weak_from_this().lock());
    if (completion)
        completion();
}

void UIViewController::dismissViewControllerAnimated(
    bool animated, const std::function<void()>& completion)
{
    if (!m_presented) {
        // Sent to the presented controller itself: its presenter dismisses it.
        if (auto presenter = presentingViewController())
            presenter->dismissViewControllerAnimated(animated, completion);
        return;
    }
    // Held until the completion has run; the presenter's reference is gone by then.
    auto dismissed = std::move(m_presented);
    m_presented.reset();
    dismissed->m_presenting.reset();
    if (completion)
        completion();
}

} // namespace fw
