#pragma once

#include "uikit/UIControls.hpp"
#include "uikit/UIViewController.hpp"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

enum UIAlertControllerStyle : int {
    UIAlertControllerStyleActionSheet = 0,
    UIAlertControllerStyleAlert = 1
};
enum UIAlertActionStyle : int {
    UIAlertActionStyleDefault = 0,
    UIAlertActionStyleCancel = 1,
    UIAlertActionStyleDestructive = 2
};
enum UIModalPresentationStyle : int { UIModalPresentationPopover = 7 };

class UIAlertAction {
public:
    using Handler = std::function<void(UIAlertAction&)>;
    static std::shared_ptr<UIAlertAction> actionWithTitle(
        std::string title, int style, Handler handler = {});
    std::string title;
    int style { UIAlertActionStyleDefault };
    Handler handler;
};

struct UIPopoverPresentationController {
    std::weak_ptr<UIView> sourceView;
    CGRect sourceRect;
    void setSourceView(const std::shared_ptr<UIView>& view) { sourceView = view; }
    void setSourceRect(const CGRect& rect) { sourceRect = rect; }
};

class UIAlertController : public UIViewController {
public:
    static std::shared_ptr<UIAlertController> alertControllerWithTitle(
        std::string title, std::string message, int preferredStyle);
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    std::string title;
    std::string message;
    int preferredStyle { UIAlertControllerStyleAlert };
    int modalPresentationStyle { 0 };

    void addAction(std::shared_ptr<UIAlertAction> action)
    {
        m_actions.push_back(std::move(action));
    }
    const std::vector<std::shared_ptr<UIAlertAction>>& actions() const { return m_actions; }
    void addTextFieldWithConfigurationHandler(const std::function<void(UITextField&)>& handler);
    const std::vector<std::shared_ptr<UITextField>>& textFields() const { return m_textFields; }
    void setModalPresentationStyle(int style) { modalPresentationStyle = style; }
    UIPopoverPresentationController& popoverPresentationController() { return m_popover; }

    // The user chooses an action: the alert is dismissed first, then the handler runs (so the
    // handler may present the next alert). False when no action has that title.
    bool chooseAction(std::string_view title);

    std::string presentationTitle() const override { return title; }

private:
    std::vector<std::shared_ptr<UIAlertAction>> m_actions;
    std::vector<std::shared_ptr<UITextField>> m_textFields;
    UIPopoverPresentationController m_popover;
};

} // namespace fw
