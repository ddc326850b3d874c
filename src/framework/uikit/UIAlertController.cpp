#include "uikit/UIAlertController.hpp"

#include "foundation/ClassDescription.hpp"

#include <algorithm>

namespace fw {

std::shared_ptr<UIAlertAction> UIAlertAction::actionWithTitle(
    std::string title, int style, Handler handler)
{
    auto action = std::make_shared<UIAlertAction>();
    action->title = std::move(title);
    action->style = style;
    action->handler = std::move(handler);
    return action;
}

const ClassDescriptor& UIAlertController::classObject()
{
    static const ClassDescriptor cls
        = describeClass<UIAlertController>("UIAlertController", UIViewController::classObject());
    return cls;
}

std::shared_ptr<UIAlertController> UIAlertController::alertControllerWithTitle(
    std::string title, std::string message, int preferredStyle)
{
    auto alert = std::make_shared<UIAlertController>();
    alert->title = std::move(title);
    alert->message = std::move(message);
    alert->preferredStyle = preferredStyle;
    return alert;
}

void UIAlertController::addTextFieldWithConfigurationHandler(
    const std::function<void(UITextField&)>& handler)
{
    auto field = std::make_shared<UITextField>();
    if (handler)
        handler(*field);
    m_textFields.push_back(std::move(field));
}

bool UIAlertController::chooseAction(std::string_view title)
{
    auto it = std::find_if(m_actions.begin(), m_actions.end(),
        [&](const auto& action) { return action && action->title == title; });
    if (it == m_actions.end())
        return false;
    // The alert and its action outlive the dismissal, which drops the presenter's reference.
    auto self = weak_from_this().lock();
    auto action = *it;
    if (auto presenter = presentingViewController())
        presenter->dismissViewControllerAnimated(true);
    if (action->handler)
        action->handler(*action);
    return true;
}

} // namespace fw
