#pragma once

#include "foundation/Notifications.hpp"

#include <string>

namespace qln {

// addUniqueObserver:selector:name:object: — always on the process's default centre, whichever
// centre it is sent to: registering twice leaves one registration.
void addUniqueObserver(fw::NSNotificationCenter& center, const fw::Id& observer,
    std::string selector, std::string name, const fw::Id& object = nullptr);

} // namespace qln
