#include "uikit/UIView.hpp"

#include "foundation/ClassDescription.hpp"
#include "uikit/UIGestureRecognizer.hpp"
#include "uikit/UIViewController.hpp"

#include <algorithm>

namespace fw {

namespace {

// The animation block running on this thread, if any: setAlpha records itself against it.
struct AnimationContext {
    double duration { 0 };
    double delay { 0 };
    unsigned long options { 0 };
};
thread_local const AnimationContext* t_currentAnimation = nullptr;

} // namespace

const ClassDescriptor& UIView::classObject()
{
    static const ClassDescriptor cls = describeClass<UIView>("UIView", NSObject::classObject());
    return cls;
}

void UIView::setFrame(const CGRect& frame)
{
    double widthDelta = frame.width - m_frame.width;
    double heightDelta = frame.height - m_frame.height;
    m_frame = frame;
    if (widthDelta == 0 && heightDelta == 0)
        return;
    // Copy: a subview's own resizing must not disturb this iteration.
    auto subviews = m_subviews;
    for (const auto& view : subviews) {
        unsigned mask = view->autoresizingMask();
        CGRect resized = view->frame();
        if (mask & UIViewAutoresizingFlexibleWidth)
            resized.width += widthDelta;
        if (mask & UIViewAutoresizingFlexibleHeight)
            resized.height += heightDelta;
        if (resized != view->frame())
            view->setFrame(resized);
    }
}

void UIView::setAlpha(double alpha)
{
    m_alpha = alpha;
    if (!t_currentAnimation)
        return;
    m_animation = UIViewAnimation { t_currentAnimation->duration, t_currentAnimation->delay,
        t_currentAnimation->options, alpha };
}

void UIView::animateWithDuration(double duration, double delay, unsigned long options,
    const std::function<void()>& animations, const std::function<void(bool)>& completion)
{
    AnimationContext context { duration, delay, options };
    const AnimationContext* outer = t_currentAnimation;
    t_currentAnimation = &context;
    if (animations)
        animations();
    t_currentAnimation = outer;
    if (completion)
        completion(true);
}

void UIView::addSubview(const std::shared_ptr<UIView>& view)
{
    if (!view || view.get() == this)
        return;
    auto self = std::static_pointer_cast<UIView>(weak_from_this().lock());
    if (view->superview() == self) {
        bringSubviewToFront(view);
        return;
    }
    view->removeFromSuperview();
    view->m_superview = self;
    m_subviews.push_back(view);
    // A view joins its new superview's window, as on the platform.
    if (m_inWindow != view->m_inWindow)
        view->setInWindow(m_inWindow);
}

void UIView::removeFromSuperview()
{
    auto parent = superview();
    if (!parent)
        return;
    // Keep this view alive until it is fully detached: its superview may hold the last reference.
    auto self = weak_from_this().lock();
    auto& siblings = parent->m_subviews;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                       [this](const auto& view) { return view.get() == this; }),
        siblings.end());
    m_superview.reset();
    if (m_inWindow)
        setInWindow(false);
}

void UIView::bringSubviewToFront(const std::shared_ptr<UIView>& view)
{
    // Tables bring every new cell to the front just after adding it: no search for those.
    if (!m_subviews.empty() && m_subviews.back() == view)
        return;
    auto it = std::find(m_subviews.begin(), m_subviews.end(), view);
    if (it == m_subviews.end())
        return;
    std::rotate(it, it + 1, m_subviews.end());
}

std::vector<std::shared_ptr<UIView>> UIView::allSubviews() const
{
    std::vector<std::shared_ptr<UIView>> views;
    for (const auto& view : m_subviews) {
        views.push_back(view);
        auto below = view->allSubviews();
        views.insert(views.end(), below.begin(), below.end());
    }
    return views;
}

void UIView::setInWindow(bool inWindow)
{
    // Every flag is set before the first didMoveToWindow, so a view that looks around from its
    // handler sees the whole tree in its new state. The views are held while their handlers run.
    std::vector<std::pair<UIView*, std::shared_ptr<NSObject>>> changed;
    auto visit = [&](auto&& self, UIView& view) -> void {
        if (view.m_inWindow != inWindow) {
            view.m_inWindow = inWindow;
            changed.emplace_back(&view, view.weak_from_this().lock());
        }
        for (const auto& sub : view.m_subviews)
            self(self, *sub);
    };
    visit(visit, *this);
    for (const auto& entry : changed)
        entry.first->didMoveToWindow();
}

bool UIView::endEditing(bool force)
{
    for (const auto& view : m_subviews)
        view->endEditing(force);
    return true;
}

void UIView::addGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer)
{
    if (!recognizer)
        return;
    if (std::find(m_gestureRecognizers.begin(), m_gestureRecognizers.end(), recognizer)
        != m_gestureRecognizers.end())
        return;
    m_gestureRecognizers.push_back(recognizer);
    recognizer->setView(std::static_pointer_cast<UIView>(weak_from_this().lock()));
}

std::shared_ptr<UIViewController> UIView::_viewControllerForAncestor() const
{
    std::shared_ptr<UIView> parent;
    for (const UIView* view = this; view; view = parent.get()) {
        if (auto controller = view->m_owningViewController.lock())
            return controller;
        parent = view->m_superview.lock();
    }
    return nullptr;
}

void UIView::setOwningViewController(const std::shared_ptr<UIViewController>& controller)
{
    m_owningViewController = controller;
}

} // namespace fw
