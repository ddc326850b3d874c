#pragma once

#include <filesystem>

namespace device {

// The device's programs (its shell, its SpringBoard restart) run as the user, so its folder must
// be the user's alone, as ssh holds its files: throws std::runtime_error naming the folder and
// the reason when the device folder is another user's or others can write it, when a folder
// above it is another user's (root aside) or others can write it without the sticky bit, or
// when a link on the way is another user's. A device folder not made yet passes if where it
// would be made does.
void checkDeviceFolder(const std::filesystem::path& root);

} // namespace device
