#include "uikit/UIGestureRecognizer.hpp"

#include "foundation/ClassDescription.hpp"

namespace fw {

namespace {
constexpr std::string_view kShouldReceiveTouch = "gestureRecognizer:shouldReceiveTouch:";
}

const ClassDescriptor& UIGestureRecognizer::classObject()
{
    static const ClassDescriptor cls
        = describeClass("UIGestureRecognizer", NSObject::classObject());
    return cls;
}

bool UIGestureRecognizer::shouldReceiveTouch()
{
    auto delegate = m_delegate.lock();
    if (!delegate || !delegate->respondsToSelector(kShouldReceiveTouch))
        return true;
    auto answer = delegate->perform(kShouldReceiveTouch, { Arg(weak_from_this().lock()) });
    // A delegate method that answers nothing lets the touch through, as having none does.
    return !answer || answer->boolValue();
}

void UIGestureRecognizer::deliver(UIGestureRecognizerState state)
{
    m_state = state;
    auto target = m_target.lock();
    if (!target)
        return;
    target->perform(m_action, { Arg(weak_from_this().lock()) });
}

const ClassDescriptor& UILongPressGestureRecognizer::classObject()
{
    static const ClassDescriptor cls
        = describeClass("UILongPressGestureRecognizer", UIGestureRecognizer::classObject());
    return cls;
}

} // namespace fw
