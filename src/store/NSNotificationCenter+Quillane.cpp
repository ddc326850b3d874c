#include "store/NSNotificationCenter+Quillane.hpp"

namespace qln {

void addUniqueObserver(fw::NSNotificationCenter& /*center*/, const fw::Id& observer,
    std::string selector, std::string name, const fw::Id& object)
{
    // Whichever centre the message is sent to, the registration goes to the default centre.
    auto& center = fw::NSNotificationCenter::defaultCenter();
    center.removeObserver(observer.get(), name, object);
    center.addObserver(observer, std::move(selector), std::move(name), object);
}

} // namespace qln
