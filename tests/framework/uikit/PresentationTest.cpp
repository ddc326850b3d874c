#include "foundation/Journal.hpp"
#include "uikit/Alerts.hpp"
#include "uikit/UIAlertController.hpp"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
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

// Every confirmation and message of the bundle is built by these helpers: the buttons' titles,
// styles and order are what the user sees, and a step must not run on a page that is gone.
TEST(AlertHelpers, BuildTheButtonsInOrder)
{
    using Buttons = std::vector<std::pair<std::string, int>>;
    struct Case {
        const char* what;
        std::function<void(fw::UIViewController&)> present;
        Buttons buttons;
    };
    auto noStep = [](fw::UIViewController&) {};
    const Case cases[] = {
        { "message", [](fw::UIViewController& page) { fw::presentMessage(page, "T", "M"); },
            { { "OK", fw::UIAlertActionStyleDefault } } },
        { "default confirmation",
            [&](fw::UIViewController& page) {
                fw::presentConfirmation(page, "T", "M", {}, noStep);
            },
            { { "Yes", fw::UIAlertActionStyleDefault },
                { "Cancel", fw::UIAlertActionStyleCancel } } },
        { "destructive confirmation with its own cancel",
            [&](fw::UIViewController& page) {
                fw::presentConfirmation(
                    page, "T", "M", { "Delete", fw::UIAlertActionStyleDestructive, "No" }, noStep);
            },
            { { "Delete", fw::UIAlertActionStyleDestructive },
                { "No", fw::UIAlertActionStyleCancel } } },
        { "text prompt",
            [](fw::UIViewController& page) {
                fw::presentTextPrompt(page, "T", "M", "Name", "Save",
                    [](fw::UIViewController&, const std::string&) {});
            },
            { { "Save", fw::UIAlertActionStyleDefault },
                { "Cancel", fw::UIAlertActionStyleCancel } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto page = std::make_shared<fw::UIViewController>();
        c.present(*page);
        auto alert
            = std::dynamic_pointer_cast<fw::UIAlertController>(page->presentedViewController());
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->title, "T");
        EXPECT_EQ(alert->message, "M");
        EXPECT_EQ(alert->preferredStyle, fw::UIAlertControllerStyleAlert);
        Buttons buttons;
        for (auto& action : alert->actions())
            buttons.emplace_back(action->title, action->style);
        EXPECT_EQ(buttons, c.buttons);
    }
}

TEST(AlertHelpers, StepsRunWithTheLivePageOnlyOnTheConfirmingButton)
{
    auto page = std::make_shared<fw::UIViewController>();
    std::vector<std::string> ran;
    fw::presentTextPrompt(
        *page, "T", "M", "Name", "Save", [&](fw::UIViewController& on, const std::string& text) {
            ran.push_back(text + (&on == page.get() ? " on the page" : " elsewhere"));
        });
    auto prompt = std::dynamic_pointer_cast<fw::UIAlertController>(page->presentedViewController());
    ASSERT_TRUE(prompt);
    ASSERT_EQ(prompt->textFields().size(), 1u);
    EXPECT_EQ(prompt->textFields()[0]->placeholder, "Name");
    prompt->textFields()[0]->text = "Mine";
    EXPECT_TRUE(prompt->chooseAction("Save"));
    EXPECT_EQ(ran, (std::vector<std::string> { "Mine on the page" }));

    fw::presentConfirmation(
        *page, "T", "M", {}, [&](fw::UIViewController&) { ran.push_back("yes"); });
    auto cancelled
        = std::dynamic_pointer_cast<fw::UIAlertController>(page->presentedViewController());
    ASSERT_TRUE(cancelled);
    EXPECT_TRUE(cancelled->chooseAction("Cancel"));
    EXPECT_EQ(ran.size(), 1u);

    // The alert outlives its page when someone else still holds it: its step must not run.
    fw::presentConfirmation(
        *page, "T", "M", {}, [&](fw::UIViewController&) { ran.push_back("late"); });
    auto orphan = std::dynamic_pointer_cast<fw::UIAlertController>(page->presentedViewController());
    ASSERT_TRUE(orphan);
    page->dismissViewControllerAnimated(false);
    page.reset();
    orphan->actions()[0]->handler(*orphan->actions()[0]);
    EXPECT_EQ(ran.size(), 1u);
}
