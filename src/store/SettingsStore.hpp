#pragma once

#include "foundation/Value.hpp"

#include <optional>
#include <string>
#include <string_view>

// The file steps every writer of the settings shares. Failures stay silent, as the settings
// files promise: a missing or unreadable file makes the step a no-op.
namespace qln {

// "/User/Library/Preferences/%@.plist" with the row's domain; an absent domain gives a path
// that names no file.
std::string preferencesPathForDomain(const std::string* domain);

// The settings file read afresh, or nullopt when missing or unreadable.
std::optional<fw::Dictionary> readSettings(std::string_view path = {});
// One value of the settings file read afresh (the whole file is read and checked; only this
// value is built), or nullopt when the file is missing or unreadable or has no such key.
std::optional<fw::Value> readSetting(std::string_view key, std::string_view path = {});
// Writes a settings dictionary back atomically (to the settings file unless a path is given).
void writeSettings(const fw::Dictionary& settings, std::string_view path = {});
// Reads the persistent file, sets "unsaved" to true and writes it back; nothing when the file
// is missing or unreadable.
void markUnsaved();
// Posts the update notification.
void postUpdateNotification();

} // namespace qln
