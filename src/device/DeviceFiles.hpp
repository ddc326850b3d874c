#pragma once

#include "contract/SettingsContract.hpp"
#include "foundation/Value.hpp"

#include <filesystem>
#include <functional>
#include <string_view>

// Where the device keeps what its layer lays out and reads, relative to the device root.
namespace device::paths {
inline constexpr const char* kSystemVersion = "System/Library/CoreServices/SystemVersion.plist";
inline constexpr const char* kStockModules = "System/Library/ControlCenter/Bundles";
inline constexpr const char* kThirdPartyModules = "Library/ControlCenter/Bundles";
inline constexpr std::string_view kModuleConfiguration
    = contract::moduleConfigurationFile.substr(1);
} // namespace device::paths

// The device layer's file steps (private to src/device): every file is replaced whole, so a
// crash leaves either the old file or the new one.
namespace device::files {

// A device in use is changed durably: each file and rename is flushed. A fresh layout is not
// (a layout cut short is laid out again), which keeps `device init` quick for the tests and
// benchmarks that make hundreds of devices.
enum class Care { Durable, Quick };

// Creates the folders above `path`, then writes the file whole (a temporary file renamed over
// it); throws std::runtime_error naming the file when it cannot.
void writeWhole(
    const std::filesystem::path& path, std::string_view bytes, Care care = Care::Durable);
void writePlist(
    const std::filesystem::path& path, const fw::Dictionary& dictionary, Care care = Care::Durable);

// The dictionary in the property list at `path`, or an empty one when missing or unreadable.
fw::Dictionary readDictionary(const std::filesystem::path& path);

// Copies the folder `from` to `to` (which must not exist) through a hidden staging folder
// beside it, so `to` appears only complete.
void installFolder(
    const std::filesystem::path& from, const std::filesystem::path& to, Care care = Care::Durable);
// Lays out a folder with `build` filling a staging folder, then moves it into place as `to`.
void installBuiltFolder(const std::filesystem::path& to,
    const std::function<void(const std::filesystem::path& staging)>& build,
    Care care = Care::Durable);
// Removes a folder or file: moved aside first, so its name never stands for half of it.
void removeWhole(const std::filesystem::path& path);

} // namespace device::files
