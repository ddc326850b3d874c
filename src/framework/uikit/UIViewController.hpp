#pragma once

#include "foundation/NSObject.hpp"
#include "uikit/UIView.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace fw {

class UINavigationController;

class UIBarButtonItem : public NSObject {
public:
    enum Style : int { UIBarButtonItemStylePlain = 0, UIBarButtonItemStyleDone = 2 };

    // initWithTitle:style:target:action: — the target is held weakly.
    UIBarButtonItem(std::string title, int style, const Id& target, std::string action)
        : title(std::move(title))
        , style(style)
        , action(std::move(action))
        , m_target(target)
    {
    }
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    std::string title;
    int style { UIBarButtonItemStylePlain };
    std::string action;
    bool enabled { true };
    void setEnabled(bool value) { enabled = value; }
    Id target() const { return m_target.lock(); }
    // Performs the action on the target (the host's tap on the button).
    void tap();

private:
    std::weak_ptr<NSObject> m_target;
};

struct UINavigationItem {
    std::string title;
    std::shared_ptr<UIBarButtonItem> rightBarButtonItem;
    void setRightBarButtonItem(std::shared_ptr<UIBarButtonItem> item)
    {
        rightBarButtonItem = std::move(item);
    }
};

class UIViewController : public NSObject {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    // Loads the view on first use: loadView, then viewDidLoad once.
    const std::shared_ptr<UIView>& view();
    bool isViewLoaded() const { return m_view != nullptr; }

    virtual void loadView();
    virtual void viewDidLoad() { }
    virtual void viewWillAppear(bool /*animated*/) { }
    virtual void viewWillDisappear(bool /*animated*/) { }

    UINavigationItem& navigationItem() { return m_navigationItem; }
    std::shared_ptr<UINavigationController> navigationController() const
    {
        return m_navigationController.lock();
    }
    void setNavigationController(const std::shared_ptr<UINavigationController>& controller)
    {
        m_navigationController = controller;
    }

    // Presenting while something is presented is refused silently (journalled as refused);
    // the refused controller's handlers never run. Presentation is animated or not, alike.
    void presentViewController(const std::shared_ptr<UIViewController>& controller, bool animated,
        const std::function<void()>& completion = {});
    void dismissViewControllerAnimated(bool animated, const std::function<void()>& completion = {});
    const std::shared_ptr<UIViewController>& presentedViewController() const { return m_presented; }
    std::shared_ptr<UIViewController> presentingViewController() const
    {
        return m_presenting.lock();
    }

    // A title used for refusal reports and the navigation bar.
    virtual std::string presentationTitle() const { return m_navigationItem.title; }

protected:
    std::shared_ptr<UIView> m_view;

private:
    UINavigationItem m_navigationItem;
    std::weak_ptr<UINavigationController> m_navigationController;
    std::shared_ptr<UIViewController> m_presented;
    std::weak_ptr<UIViewController> m_presenting;
};

struct UINavigationBar {
    std::optional<UIColor> tintColor;
    void setTintColor(std::optional<UIColor> color) { tintColor = std::move(color); }
};

// The Settings app's navigation stack; its own list controller stays at the bottom.
class UINavigationController : public UIViewController {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    explicit UINavigationController(std::shared_ptr<UIViewController> rootViewController);

    const std::vector<std::shared_ptr<UIViewController>>& viewControllers() const
    {
        return m_stack;
    }
    std::shared_ptr<UIViewController> topViewController() const;
    UINavigationBar& navigationBar() { return m_navigationBar; }

    // Pushing loads the new page's view (viewDidLoad) and sends it viewWillAppear:.
    void pushViewController(const std::shared_ptr<UIViewController>& controller, bool animated);
    // The stack is updated before the leaving page gets viewWillDisappear:; the page below
    // then gets viewWillAppear:.
    std::shared_ptr<UIViewController> popViewControllerAnimated(bool animated);

private:
    std::vector<std::shared_ptr<UIViewController>> m_stack;
    UINavigationBar m_navigationBar;
};

} // namespace fw
