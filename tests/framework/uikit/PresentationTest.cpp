#include "foundation/Journal.hpp"
#include "uikit/UIAlertController.hpp"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

std::shared_ptr<fw::UIAlertController> alertNamed(const std::string& title)
{
    return fw::UIAlertController::alertControllerWithTitle(
        title, "message", fw::UIAlertControllerStyleAlert);
}

} // namespace

TEST(Presenting, SecondPresentationIsRefusedAndJournalled)
{
    fw::Journal::take();
    auto page = std::make_shared<fw::UIViewController>();
    auto first = alertNamed("First");
    auto second = alertNamed("Second");
    bool secondCompletion = false;

    page->presentViewController(first, true);
    page->presentViewController(second, true, [&] { secondCompletion = true; });

    EXPECT_EQ(page->presentedViewController(), first);
    EXPECT_EQ(first->presentingViewController(), page);
    EXPECT_EQ(second->presentingViewController(), nullptr);
    EXPECT_FALSE(secondCompletion);
    EXPECT_EQ(fw::Journal::take().refused, (std::vector<std::string> { "Second" }));
}

TEST(Presenting, DismissingFromEitherSideClearsBothLinks)
{
    auto page = std::make_shared<fw::UIViewController>();
    auto alert = alertNamed("A");
    page->presentViewController(alert, true);
    alert->dismissViewControllerAnimated(true);
    EXPECT_EQ(page->presentedViewController(), nullptr);
    EXPECT_EQ(alert->presentingViewController(), nullptr);

    page->presentViewController(alert, true);
    bool completed = false;
    page->dismissViewControllerAnimated(true, [&] { completed = true; });
    EXPECT_EQ(page->presentedViewController(), nullptr);
    EXPECT_TRUE(completed);
}

TEST(AlertChoice, DismissesFirstThenRunsTheHandlerWhichMayPresentTheNextAlert)
{
    fw::Journal::take();
    auto page = std::make_shared<fw::UIViewController>();
    std::weak_ptr<fw::UIViewController> weakPage = page;
    std::vector<std::string> order;
    auto next = alertNamed("Error");
    auto alert = alertNamed("New Preset");
    alert->addAction(fw::UIAlertAction::actionWithTitle(
        "Save", fw::UIAlertActionStyleDefault, [&](fw::UIAlertAction& action) {
            auto presenter = weakPage.lock();
            order.push_back(
                action.title + (presenter->presentedViewController() ? " covered" : " uncovered"));
            presenter->presentViewController(next, true);
        }));
    alert->addAction(fw::UIAlertAction::actionWithTitle("Cancel", fw::UIAlertActionStyleCancel));
    page->presentViewController(alert, true);
    std::weak_ptr<fw::UIAlertController> weakAlert = alert;
    alert.reset(); // the page holds the only reference; choosing must keep it alive

    EXPECT_TRUE(weakAlert.lock()->chooseAction("Save"));

    EXPECT_EQ(order, (std::vector<std::string> { "Save uncovered" }));
    EXPECT_EQ(page->presentedViewController(), next);
    EXPECT_TRUE(fw::Journal::take().refused.empty());
    EXPECT_TRUE(weakAlert.expired());
}

TEST(AlertChoice, UnknownTitleChangesNothing)
{
    auto page = std::make_shared<fw::UIViewController>();
    auto alert = alertNamed("A");
    alert->addAction(fw::UIAlertAction::actionWithTitle("OK", fw::UIAlertActionStyleDefault));
    page->presentViewController(alert, true);
    EXPECT_FALSE(alert->chooseAction("Yes"));
    EXPECT_EQ(page->presentedViewController(), alert);
}
