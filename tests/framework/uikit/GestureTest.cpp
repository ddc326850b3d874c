#include "uikit/UIGestureRecognizer.hpp"
#include "uikit/UIView.hpp"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// A cell-like target and delegate: logs the recogniser it is handed and answers the touch filter.
class PressTarget : public fw::NSObject {
public:
    static const fw::ClassDescriptor& classObject()
    {
        static const fw::ClassDescriptor cls = [] {
            fw::ClassDescriptor c { "PressTarget", &fw::NSObject::classObject(), {}, {} };
            c.actions["handleLongPress:"]
                = [](fw::NSObject& self, const fw::Args& args) -> fw::ActionResult {
                auto recognizer = fw::argAs<fw::UIGestureRecognizer>(args, 0);
                static_cast<PressTarget&>(self).states.push_back(recognizer->state());
                return std::nullopt;
            };
            c.actions["gestureRecognizer:shouldReceiveTouch:"]
                = [](fw::NSObject& self, const fw::Args&) -> fw::ActionResult {
                return fw::Value(static_cast<PressTarget&>(self).acceptsTouch);
            };
            return c;
        }();
        return cls;
    }
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    std::vector<fw::UIGestureRecognizerState> states;
    bool acceptsTouch { true };
};

} // namespace

TEST(UIGestureRecognizer, DeliversEachPhaseToTheTargetWithTheRecogniser)
{
    auto target = std::make_shared<PressTarget>();
    auto recognizer
        = std::make_shared<fw::UILongPressGestureRecognizer>(target, "handleLongPress:");
    auto view = std::make_shared<fw::UIView>();
    view->addGestureRecognizer(recognizer);
    EXPECT_EQ(recognizer->view(), view);

    recognizer->deliver(fw::UIGestureRecognizerState::Began);
    recognizer->deliver(fw::UIGestureRecognizerState::Ended);

    EXPECT_EQ(target->states,
        (std::vector<fw::UIGestureRecognizerState> {
            fw::UIGestureRecognizerState::Began, fw::UIGestureRecognizerState::Ended }));
}

TEST(UIGestureRecognizer, TheDelegateDecidesWhetherTheTouchIsTaken)
{
    auto target = std::make_shared<PressTarget>();
    auto recognizer
        = std::make_shared<fw::UILongPressGestureRecognizer>(target, "handleLongPress:");
    EXPECT_TRUE(recognizer->shouldReceiveTouch()); // no delegate

    recognizer->setDelegate(target);
    target->acceptsTouch = false;
    EXPECT_FALSE(recognizer->shouldReceiveTouch());

    auto plain = std::make_shared<fw::UIView>(); // a delegate without the method
    recognizer->setDelegate(plain);
    EXPECT_TRUE(recognizer->shouldReceiveTouch());
}
