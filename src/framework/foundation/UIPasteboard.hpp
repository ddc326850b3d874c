#pragma once

#include <optional>
#include <string>

namespace fw {

// The device's general pasteboard. It lasts as long as the device, so every process working on
// the same device root sees the same contents; it is read afresh on every call. Changing it is
// not a file change of the device and is not recorded in the journal.
class UIPasteboard {
public:
    enum class Kind { None, String, Other };

    static UIPasteboard& generalPasteboard();

    // The string on the pasteboard; nullopt when it is empty or holds something else.
    std::optional<std::string> string() const;
    void setString(std::string string);
    // Puts an item that is not a string (such as a picture) on the pasteboard.
    void setOtherItem();
    void clear();
    Kind kind() const;
};

} // namespace fw
