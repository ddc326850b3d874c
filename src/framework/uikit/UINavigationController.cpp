#include "foundation/ClassDescription.hpp"
#include "uikit/UIViewController.hpp"

#include <algorithm>

namespace fw {

const ClassDescriptor& UINavigationController::classObject()
{
    static const ClassDescriptor cls
        = describeClass("UINavigationController", UIViewController::classObject());
    return cls;
}

UINavigationController::UINavigationController(std::shared_ptr<UIViewController> rootViewController)
{
    if (rootViewController)
        m_stack.push_back(std::move(rootViewController));
}

std::shared_ptr<UIViewController> UINavigationController::topViewController() const
{
    return m_stack.empty() ? nullptr : m_stack.back();
}

void UINavigationController::pushViewController(
    const std::shared_ptr<UIViewController>& controller, bool animated)
{
    if (!controller || std::find(m_stack.begin(), m_stack.end(), controller) != m_stack.end())
        return;
    auto self = std::static_pointer_cast<UINavigationController>(weak_from_this().lock());
    auto covered = topViewController();
    m_stack.push_back(controller);
    // The root cannot learn its navigation controller in the constructor; it learns it here.
    for (const auto& page : m_stack) {
        if (!page->navigationController())
            page->setNavigationController(self);
    }
    controller->view();
    // As on the platform, the covered page hears it is leaving with the stack already grown,
    // so a page can tell a push above it from being popped itself.
    if (covered)
        covered->viewWillDisappear(animated);
    controller->viewWillAppear(animated);
}

std::shared_ptr<UIViewController> UINavigationController::popViewControllerAnimated(bool animated)
{
    if (m_stack.size() <= 1)
        return nullptr;
    auto leaving = m_stack.back();
    m_stack.pop_back();
    leaving->viewWillDisappear(animated);
    if (auto top = topViewController())
        top->viewWillAppear(animated);
    leaving->setNavigationController(nullptr);
    return leaving;
}

} // namespace fw
