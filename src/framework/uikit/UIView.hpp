#pragma once

#include "foundation/NSObject.hpp"
#include "uikit/Geometry.hpp"
#include "uikit/UIColor.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fw {

class UIGestureRecognizer;
class UIViewController;

inline constexpr const char* kCAFilterTrilinear = "trilinear";

// The layer properties the bundle sets; values only, nothing draws.
struct CALayer {
    double cornerRadius { 0 };
    double shadowOpacity { 0 };
    CGSize shadowOffset { 0, -3 };
    double shadowRadius { 3 };
    std::optional<UIColor> shadowColor;
    double zPosition { 0 };
    std::string minificationFilter { "linear" };
};

// A recorded animation: what was asked for and the value it animates to.
struct UIViewAnimation {
    double duration { 0 };
    double delay { 0 };
    unsigned long options { 0 };
    std::optional<double> targetAlpha;
};

enum UIViewContentMode : int {
    UIViewContentModeScaleToFill = 0,
    UIViewContentModeScaleAspectFit = 1
};

class UIView : public NSObject {
public:
    UIView() = default;
    explicit UIView(CGRect frame)
        : m_frame(frame)
    {
    }

    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    const CGRect& frame() const { return m_frame; }
    // Resizing applies the subviews' autoresizing masks.
    void setFrame(const CGRect& frame);
    CGRect bounds() const { return { 0, 0, m_frame.width, m_frame.height }; }

    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden) { m_hidden = hidden; }
    double alpha() const { return m_alpha; }
    // Inside an animation block the change is recorded as that animation's target.
    void setAlpha(double alpha);
    const std::optional<UIColor>& backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(std::optional<UIColor> color) { m_backgroundColor = std::move(color); }
    const std::optional<UIColor>& tintColor() const { return m_tintColor; }
    void setTintColor(std::optional<UIColor> color) { m_tintColor = std::move(color); }
    unsigned autoresizingMask() const { return m_autoresizingMask; }
    void setAutoresizingMask(unsigned mask) { m_autoresizingMask = mask; }
    int contentMode() const { return m_contentMode; }
    void setContentMode(int mode) { m_contentMode = mode; }
    CALayer& layer() { return m_layer; }
    const CALayer& layer() const { return m_layer; }
    const std::optional<UIViewAnimation>& animation() const { return m_animation; }

    // View tree.
    void addSubview(const std::shared_ptr<UIView>& view);
    void removeFromSuperview();
    // Moves a subview to the end of the list (drawn on top); other views are ignored.
    void bringSubviewToFront(const std::shared_ptr<UIView>& view);
    const std::vector<std::shared_ptr<UIView>>& subviews() const { return m_subviews; }
    std::shared_ptr<UIView> superview() const { return m_superview.lock(); }
    // Every view below this one, depth first (the private allSubviews).
    std::vector<std::shared_ptr<UIView>> allSubviews() const;

    // Window membership: set by the host's table when a view is shown or taken away; each change
    // sends didMoveToWindow to the view and its subviews.
    bool window() const { return m_inWindow; }
    void setInWindow(bool inWindow);
    virtual void didMoveToWindow() { }
    std::shared_ptr<UIViewController> owningViewController() const
    {
        return m_owningViewController.lock();
    }

    virtual void layoutSubviews() { }
    void layoutIfNeeded() { layoutSubviews(); }
    virtual bool endEditing(bool force);

    void addGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer);
    const std::vector<std::shared_ptr<UIGestureRecognizer>>& gestureRecognizers() const
    {
        return m_gestureRecognizers;
    }

    // The view controller whose view contains this view (_viewControllerForAncestor).
    std::shared_ptr<class UIViewController> _viewControllerForAncestor() const;
    void setOwningViewController(const std::shared_ptr<UIViewController>& controller);

    // animateWithDuration:delay:options:animations:completion:. Changes made inside `animations`
    // are applied at once and recorded on the views they touch.
    static void animateWithDuration(double duration, double delay, unsigned long options,
        const std::function<void()>& animations, const std::function<void(bool)>& completion = {});

private:
    CGRect m_frame;
    bool m_hidden { false };
    double m_alpha { 1 };
    std::optional<UIColor> m_backgroundColor;
    std::optional<UIColor> m_tintColor;
    unsigned m_autoresizingMask { 0 };
    int m_contentMode { UIViewContentModeScaleToFill };
    CALayer m_layer;
    std::optional<UIViewAnimation> m_animation;
    std::vector<std::shared_ptr<UIView>> m_subviews;
    std::weak_ptr<UIView> m_superview;
    std::weak_ptr<UIViewController> m_owningViewController;
    bool m_inWindow { false };
    std::vector<std::shared_ptr<UIGestureRecognizer>> m_gestureRecognizers;
};

} // namespace fw
