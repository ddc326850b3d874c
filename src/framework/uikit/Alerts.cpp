#include "uikit/Alerts.hpp"

namespace fw {

void presentMessage(UIViewController& page, std::string title, std::string message)
{
    auto alert = UIAlertController::alertControllerWithTitle(
        std::move(title), std::move(message), UIAlertControllerStyleAlert);
    alert->addAction(UIAlertAction::actionWithTitle("OK", UIAlertActionStyleDefault));
    page.presentViewController(alert, true);
}

} // namespace fw
