#pragma once

#include "foundation/NSObject.hpp"

#include <functional>
#include <memory>

namespace host {

// Hears the update and preset-changed notifications, from this process or another, and calls
// back on the main queue; stops listening when released.
class HistoryWatcher : public fw::NSObject {
public:
    static std::shared_ptr<HistoryWatcher> start(std::function<void()> onChange);
    ~HistoryWatcher() override;

    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

private:
    std::function<void()> m_onChange;
    int m_darwinToken { 0 };
};

} // namespace host
