#pragma once

#include "uikit/UIAlertController.hpp"

#include <functional>
#include <memory>
#include <string>
#include <type_traits>

// The alerts a page shows, built one way. Alerts live in their page, so their handlers hold the
// page weakly and do nothing once it is gone.
namespace fw {

// An alert action's handler that runs `step` with `page` while the page still exists.
template <class Page>
UIAlertAction::Handler onPage(Page& page, std::type_identity_t<std::function<void(Page&)>> step)
{
    std::weak_ptr<Page> weakPage = std::static_pointer_cast<Page>(page.shared_from_this());
    return [weakPage, step = std::move(step)](UIAlertAction&) {
        if (auto page = weakPage.lock())
            step(*page);
    };
}

// The confirming button of a confirmation, and the title of the one that dismisses it.
struct ConfirmButtons {
    std::string confirm { "Yes" };
    int style { UIAlertActionStyleDefault };
    std::string cancel { "Cancel" };
};

// Asks over `page` before a step: the confirming button runs `step` with the page, the other
// one only closes the alert.
template <class Page>
void presentConfirmation(Page& page, std::string title, std::string message, ConfirmButtons buttons,
    std::type_identity_t<std::function<void(Page&)>> step)
{
    auto alert = UIAlertController::alertControllerWithTitle(
        std::move(title), std::move(message), UIAlertControllerStyleAlert);
    alert->addAction(UIAlertAction::actionWithTitle(
        std::move(buttons.confirm), buttons.style, onPage(page, std::move(step))));
    alert->addAction(
        UIAlertAction::actionWithTitle(std::move(buttons.cancel), UIAlertActionStyleCancel));
    page.presentViewController(alert, true);
}

// Asks over `page` for one line of text (its field shows `placeholder`): `confirm` runs `step`
// with the page and the text, "Cancel" only closes the alert.
template <class Page>
void presentTextPrompt(Page& page, std::string title, std::string message, std::string placeholder,
    std::string confirm, std::type_identity_t<std::function<void(Page&, const std::string&)>> step)
{
    auto alert = UIAlertController::alertControllerWithTitle(
        std::move(title), std::move(message), UIAlertControllerStyleAlert);
    alert->addTextFieldWithConfigurationHandler(
        [placeholder](UITextField& field) { field.setPlaceholder(placeholder); });
    auto field = alert->textFields().back();
    alert->addAction(UIAlertAction::actionWithTitle(std::move(confirm), UIAlertActionStyleDefault,
        onPage<Page>(
            page, [field, step = std::move(step)](Page& page) { step(page, field->text); })));
    alert->addAction(UIAlertAction::actionWithTitle("Cancel", UIAlertActionStyleCancel));
    page.presentViewController(alert, true);
}

// Tells the user something over `page`, with one "OK" that closes the alert.
void presentMessage(UIViewController& page, std::string title, std::string message);

} // namespace fw
