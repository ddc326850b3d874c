#include "uikit/UILabel.hpp"
#include "uikit/UIView.hpp"
#include "uikit/UIViewController.hpp"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

// Records every didMoveToWindow it hears, with the window state at that moment.
class WindowWatcher : public fw::UIView {
public:
    explicit WindowWatcher(std::vector<std::string>& log, std::string name)
        : m_log(log)
        , m_name(std::move(name))
    {
    }
    void didMoveToWindow() override { m_log.push_back(m_name + (window() ? " in" : " out")); }

private:
    std::vector<std::string>& m_log;
    std::string m_name;
};

} // namespace

TEST(UIViewAutoresizing, FlexibleSubviewsFollowTheParentsSizeChange)
{
    auto parent = std::make_shared<fw::UIView>(fw::CGRect { 0, 0, 375, 44 });
    auto both = std::make_shared<fw::UIView>(fw::CGRect { 10, 5, 355, 34 });
    both->setAutoresizingMask(
        fw::UIViewAutoresizingFlexibleWidth | fw::UIViewAutoresizingFlexibleHeight);
    auto widthOnly = std::make_shared<fw::UIView>(fw::CGRect { 15, 11, 345, 22 });
    widthOnly->setAutoresizingMask(fw::UIViewAutoresizingFlexibleWidth);
    auto fixed = std::make_shared<fw::UIView>(fw::CGRect { 0, 0, 29, 29 });
    auto grandchild = std::make_shared<fw::UIView>(fw::CGRect { 0, 0, 355, 34 });
    grandchild->setAutoresizingMask(fw::UIViewAutoresizingFlexibleWidth);
    parent->addSubview(both);
    parent->addSubview(widthOnly);
    parent->addSubview(fixed);
    both->addSubview(grandchild);

    parent->setFrame({ 0, 0, 390, 100 });

    EXPECT_EQ(both->frame(), (fw::CGRect { 10, 5, 370, 90 }));
    EXPECT_EQ(widthOnly->frame(), (fw::CGRect { 15, 11, 360, 22 }));
    EXPECT_EQ(fixed->frame(), (fw::CGRect { 0, 0, 29, 29 }));
    EXPECT_EQ(grandchild->frame(), (fw::CGRect { 0, 0, 370, 34 }));
}

TEST(UIViewAnimation, ChangesInsideABlockAreAppliedAndRecorded)
{
    auto label = std::make_shared<fw::UILabel>();
    label->setAlpha(0);
    EXPECT_FALSE(label->animation());

    bool completed = false;
    fw::UIView::animateWithDuration(
        0.75, 0, 65536, [&] { label->setAlpha(1.0); },
        [&](bool finished) { completed = finished; });

    EXPECT_DOUBLE_EQ(label->alpha(), 1.0);
    ASSERT_TRUE(label->animation());
    EXPECT_DOUBLE_EQ(label->animation()->duration, 0.75);
    EXPECT_DOUBLE_EQ(label->animation()->delay, 0);
    EXPECT_EQ(label->animation()->options, 65536u);
    EXPECT_EQ(label->animation()->targetAlpha, 1.0);
    EXPECT_TRUE(completed);
}

TEST(UIViewAnimation, NestedBlocksRecordTheirOwnValuesAndOutsideChangesRecordNothing)
{
    auto outer = std::make_shared<fw::UIView>();
    auto inner = std::make_shared<fw::UIView>();
    auto after = std::make_shared<fw::UIView>();
    fw::UIView::animateWithDuration(1, 0, 0, [&] {
        fw::UIView::animateWithDuration(2, 0.5, 0, [&] { inner->setAlpha(0.5); });
        outer->setAlpha(0.25);
    });
    after->setAlpha(0.1);

    ASSERT_TRUE(inner->animation());
    EXPECT_DOUBLE_EQ(inner->animation()->duration, 2);
    EXPECT_DOUBLE_EQ(inner->animation()->delay, 0.5);
    ASSERT_TRUE(outer->animation());
    EXPECT_DOUBLE_EQ(outer->animation()->duration, 1);
    EXPECT_FALSE(after->animation());
}

TEST(UIViewTree, AllSubviewsWalksDepthFirstAndFindsLabels)
{
    auto root = std::make_shared<fw::UIView>();
    auto cell = std::make_shared<fw::UIView>();
    auto title = std::make_shared<fw::UITableViewLabel>();
    title->setText("Night");
    auto other = std::make_shared<fw::UILabel>();
    root->addSubview(cell);
    cell->addSubview(title);
    root->addSubview(other);

    auto all = root->allSubviews();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0], cell);
    EXPECT_EQ(all[1], title);
    EXPECT_EQ(all[2], other);
    int tableLabels = 0;
    for (const auto& view : all)
        tableLabels += view->isKindOfClass(fw::UITableViewLabel::classObject()) ? 1 : 0;
    EXPECT_EQ(tableLabels, 1);
}

TEST(UIViewWindow, MembershipChangesReachEveryChangedViewOnce)
{
    std::vector<std::string> log;
    auto cell = std::make_shared<WindowWatcher>(log, "cell");
    auto content = std::make_shared<WindowWatcher>(log, "content");
    cell->addSubview(content);

    cell->setInWindow(true);
    cell->setInWindow(true);
    EXPECT_EQ(log, (std::vector<std::string> { "cell in", "content in" }));

    log.clear();
    auto late = std::make_shared<WindowWatcher>(log, "late");
    content->addSubview(late); // joins the window of its new superview
    cell->removeFromSuperview(); // no superview: nothing happens
    EXPECT_EQ(log, (std::vector<std::string> { "late in" }));

    log.clear();
    cell->setInWindow(false);
    EXPECT_EQ(log, (std::vector<std::string> { "cell out", "content out", "late out" }));
}

TEST(UIViewWindow, RemovingAViewInTheWindowTakesItOut)
{
    std::vector<std::string> log;
    auto table = std::make_shared<fw::UIView>();
    auto cell = std::make_shared<WindowWatcher>(log, "cell");
    table->addSubview(cell);
    cell->setInWindow(true);
    cell->removeFromSuperview();
    EXPECT_EQ(log, (std::vector<std::string> { "cell in", "cell out" }));
}

TEST(UIViewController, ViewControllerForAncestorIsTheNearestOwningController)
{
    auto page = std::make_shared<fw::UIViewController>();
    auto cell = std::make_shared<fw::UIView>();
    auto label = std::make_shared<fw::UILabel>();
    cell->addSubview(label);
    EXPECT_EQ(label->_viewControllerForAncestor(), nullptr);

    page->view()->addSubview(cell);
    EXPECT_EQ(label->_viewControllerForAncestor(), page);
    EXPECT_EQ(page->view()->_viewControllerForAncestor(), page);
}
