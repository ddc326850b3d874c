#pragma once

#include "device/DeviceSetup.hpp"

#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace device {

// A tweak the simulated device can have, and what on the device says it is installed: a
// module bundle copied from the shipped ones (its folder, or a file inside it, is the marker),
// or an empty file of its own. The one description both `device init` and the device panel use.
struct Tweak {
    std::string_view name; // as the device panel names it: "prysm"
    std::string_view title; // "Prysm"
    bool DeviceOptions::*option;
    // Relative to the device root; present when the tweak is installed.
    std::string_view marker;
    // The shipped module bundle the tweak brings (a folder name), or empty.
    std::string_view moduleBundle;
};

std::span<const Tweak> tweaks();

// A Control Center module the device has installed.
struct Module {
    enum class Kind { Stock, Tweak, Custom };
    std::string identifier; // CFBundleIdentifier
    std::string displayName;
    Kind kind { Kind::Stock };
    std::string tweak; // the tweak's name, for Kind::Tweak
};

// What the simulated device holds, as the device panel shows and changes it.
struct DeviceProfile {
    std::string systemVersion;
    std::vector<std::string> installedTweaks; // tweak names, in the order of tweaks()
    // The modules the user may enable (the fixed ones, always shown, are not among them).
    std::vector<Module> modules;
    // Enabled modules in Control Center order: identifiers of installed modules only.
    std::vector<std::string> enabled;
};

// A profile that cannot be applied; the message is for the user.
class ProfileError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Null when the text is a system version the device can have ("14.4", "13.0", "15.1.1"), else
// why not.
std::optional<std::string> systemVersionProblem(std::string_view text);
// Null when the text can identify a module bundle, else why not.
std::optional<std::string> bundleIdentifierProblem(std::string_view text);

DeviceProfile readProfile(const std::filesystem::path& root);

// Makes the device hold `wanted`: its version, its tweaks, its custom modules (added ones laid
// out as bundles, dropped ones removed; stock and tweak entries of `modules` are ignored) and
// its enabled list. Everything is checked before anything is written; throws ProfileError
// then. Each file is replaced whole.
void applyProfile(const std::filesystem::path& root, const DeviceProfile& wanted);

// The module a tweak brings, as the shipped bundle describes it (Kind::Tweak), installed or
// not; nullopt for a tweak without one.
std::optional<Module> tweakModule(const Tweak& tweak);

// Installs or removes one tweak's files (init and the panel share this). A fresh layout need
// not be `durable`: one cut short is laid out again.
void installTweak(const std::filesystem::path& root, const Tweak& tweak, bool durable = true);
void removeTweak(const std::filesystem::path& root, const Tweak& tweak);

} // namespace device
