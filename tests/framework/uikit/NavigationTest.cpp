#include "uikit/UIViewController.hpp"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

// A page that logs its lifecycle with the stack depth it sees at each step.
class LoggingPage : public fw::UIViewController {
public:
    LoggingPage(std::vector<std::string>& log, std::string name)
        : m_log(log)
        , m_name(std::move(name))
    {
    }
    void viewDidLoad() override { note("viewDidLoad"); }
    void viewWillAppear(bool) override { note("viewWillAppear"); }
    void viewWillDisappear(bool) override { note("viewWillDisappear"); }

private:
    void note(const std::string& step)
    {
        auto navigation = navigationController();
        std::string depth = navigation ? std::to_string(navigation->viewControllers().size()) : "-";
        m_log.push_back(m_name + " " + step + " " + depth);
    }

    std::vector<std::string>& m_log;
    std::string m_name;
};

} // namespace

TEST(NavigationStack, PushLoadsTheViewOnceThenAnnouncesAppearance)
{
    std::vector<std::string> log;
    auto list = std::make_shared<fw::UIViewController>();
    auto navigation = std::make_shared<fw::UINavigationController>(list);
    auto root = std::make_shared<LoggingPage>(log, "root");
    auto sub = std::make_shared<LoggingPage>(log, "sub");

    navigation->pushViewController(root, true);
    navigation->pushViewController(sub, true);
    navigation->pushViewController(sub, true); // already on the stack: ignored

    EXPECT_EQ(log,
        (std::vector<std::string> { "root viewDidLoad 2", "root viewWillAppear 2",
            "sub viewDidLoad 3", "root viewWillDisappear 3", "sub viewWillAppear 3" }));
    EXPECT_EQ(navigation->topViewController(), sub);
    EXPECT_EQ(sub->navigationController(), navigation);
}

TEST(NavigationStack, PopUpdatesTheStackBeforeTheLeavingPageHearsIt)
{
    std::vector<std::string> log;
    auto list = std::make_shared<fw::UIViewController>();
    auto navigation = std::make_shared<fw::UINavigationController>(list);
    auto root = std::make_shared<LoggingPage>(log, "root");
    auto sub = std::make_shared<LoggingPage>(log, "sub");
    navigation->pushViewController(root, true);
    navigation->pushViewController(sub, true);
    log.clear();

    EXPECT_EQ(navigation->popViewControllerAnimated(true), sub);
    EXPECT_EQ(navigation->popViewControllerAnimated(true), root);

    EXPECT_EQ(log,
        (std::vector<std::string> {
            "sub viewWillDisappear 2", "root viewWillAppear 2", "root viewWillDisappear 1" }));
    EXPECT_EQ(navigation->popViewControllerAnimated(true), nullptr); // the list stays
    EXPECT_EQ(navigation->topViewController(), list);
    EXPECT_EQ(sub->navigationController(), nullptr);
}

TEST(BarButton, TapPerformsTheActionOnItsTargetOnlyWhileEnabled)
{
    static int taps = 0;
    struct Target : fw::NSObject {
        static const fw::ClassDescriptor& classObject()
        {
            static const fw::ClassDescriptor cls = [] {
                fw::ClassDescriptor c { "BarButtonTarget", &fw::NSObject::classObject(), {}, {} };
                c.actions["savePreset"] = [](fw::NSObject&, const fw::Args&) -> fw::ActionResult {
                    ++taps;
                    return std::nullopt;
                };
                return c;
            }();
            return cls;
        }
        const fw::ClassDescriptor& isa() const override { return classObject(); }
    };
    auto target = std::make_shared<Target>();
    auto item = std::make_shared<fw::UIBarButtonItem>("Save", 0, target, "savePreset");
    item->tap();
    item->setEnabled(false);
    item->tap();
    EXPECT_EQ(taps, 1);
}
