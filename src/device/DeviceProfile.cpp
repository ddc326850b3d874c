#include "device/DeviceProfile.hpp"

#include "contract/SettingsContract.hpp"
#include "device/DeviceFiles.hpp"
#include "foundation/PropertyList.hpp"

#include <algorithm>
#include <array>
#include <map>
#include <regex>
#include <set>

namespace device {

namespace fs = std::filesystem;

namespace {

using paths::kModuleConfiguration;
using paths::kStockModules;
using paths::kSystemVersion;
using paths::kThirdPartyModules;
constexpr std::size_t kMaxIdentifierLength = 155;
constexpr std::size_t kMaxDisplayNameLength = 64;

// A device path without its leading "/", to join to the device root.
constexpr std::string_view underRoot(std::string_view devicePath)
{
    return devicePath.substr(1);
}

constexpr std::array kTweaks {
    Tweak { "prysm", "Prysm", &DeviceOptions::prysm, underRoot(contract::prysmFile), "" },
    Tweak { "powerModule", "PowerModule", &DeviceOptions::powerModule,
        underRoot(contract::powerModuleBundle), "PowerModule.bundle" },
    Tweak { "bcixWeather", "BetterCCXI Weather", &DeviceOptions::bcixWeather,
        underRoot(contract::bcixWeatherBundle), "BCIXWeatherModule.bundle" },
    // The module's executable, not its folder, is what the settings look for.
    Tweak { "ccRinger", "CCRinger", &DeviceOptions::ccRinger,
        underRoot(contract::ccRingerExecutable), "CCRingerModule.bundle" },
    // Without its trailing "/": the marker is the folder itself.
    Tweak { "noctis", "Noctis", &DeviceOptions::noctis,
        underRoot(contract::noctisToggleBundle.substr(0, contract::noctisToggleBundle.size() - 1)),
        "NoctisToggle.bundle" },
};

// Always shown in Control Center, never in the user's list.
constexpr std::array<std::string_view, 4> kFixedModules {
    "com.apple.control-center.ConnectivityModule",
    "com.apple.mediaremote.controlcenter.nowplaying",
    "com.apple.control-center.DisplayModule",
    "com.apple.control-center.AudioModule",
};

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

const std::string* stringIn(const fw::Dictionary& dictionary, std::string_view key)
{
    const fw::Value* value = fw::lookup(dictionary, key);
    return value ? value->asString() : nullptr;
}

struct FoundBundle {
    fs::path folder;
    std::string identifier;
    std::string displayName;
};

// The name the user knows the module by: the localised display name, the display name, the
// bundle name, and the identifier when the bundle names nothing.
std::string displayNameOf(
    const fs::path& bundle, const fw::Dictionary& info, const std::string& identifier)
{
    auto localised = files::readDictionary(bundle / "en.lproj" / "InfoPlist.strings");
    for (const auto* name : { stringIn(localised, "CFBundleDisplayName"),
             stringIn(info, "CFBundleDisplayName"), stringIn(info, "CFBundleName") }) {
        if (name && !name->empty())
            return *name;
    }
    return identifier;
}

// The "*.bundle" folders of one module folder that carry an identifier, by folder name.
std::vector<FoundBundle> bundlesIn(const fs::path& folder)
{
    std::vector<FoundBundle> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const fs::path& path = entry.path();
        if (path.extension() != ".bundle" || path.filename().string().front() == '.'
            || !entry.is_directory(error))
            continue;
        auto info = files::readDictionary(path / "Info.plist");
        const std::string* identifier = stringIn(info, "CFBundleIdentifier");
        if (!identifier || identifier->empty())
            continue;
        found.push_back({ path, *identifier, displayNameOf(path, info, *identifier) });
    }
    std::sort(found.begin(), found.end(),
        [](const FoundBundle& a, const FoundBundle& b) { return a.folder < b.folder; });
    return found;
}

const Tweak* tweakNamed(std::string_view name)
{
    for (const Tweak& tweak : kTweaks) {
        if (tweak.name == name)
            return &tweak;
    }
    return nullptr;
}

const Tweak* tweakOfBundle(const fs::path& folder)
{
    for (const Tweak& tweak : kTweaks) {
        if (!tweak.moduleBundle.empty() && folder.filename() == tweak.moduleBundle)
            return &tweak;
    }
    return nullptr;
}

bool isInstalled(const fs::path& root, const Tweak& tweak)
{
    std::error_code error;
    return fs::exists(root / tweak.marker, error);
}

// The device's modules as they are, with where each custom one lives.
struct Inventory {
    std::vector<Module> modules;
    std::map<std::string, fs::path> customFolders; // identifier → bundle folder
};

Inventory inventory(const fs::path& root)
{
    Inventory result;
    std::set<std::string> seen;
    for (auto& bundle : bundlesIn(root / kStockModules)) {
        bool fixed = std::find(kFixedModules.begin(), kFixedModules.end(), bundle.identifier)
            != kFixedModules.end();
        if (fixed || !seen.insert(lowered(bundle.identifier)).second)
            continue;
        result.modules.push_back(
            { bundle.identifier, bundle.displayName, Module::Kind::Stock, {} });
    }
    for (auto& bundle : bundlesIn(root / kThirdPartyModules)) {
        // When two bundles claim one identifier, the stock one wins, as in Control Center.
        if (!seen.insert(lowered(bundle.identifier)).second)
            continue;
        if (const Tweak* tweak = tweakOfBundle(bundle.folder)) {
            result.modules.push_back({ bundle.identifier, bundle.displayName, Module::Kind::Tweak,
                std::string(tweak->name) });
            continue;
        }
        result.modules.push_back(
            { bundle.identifier, bundle.displayName, Module::Kind::Custom, {} });
        result.customFolders[bundle.identifier] = bundle.folder;
    }
    return result;
}

// The identifiers of the modules the tweaks bring, installed or not.
std::set<std::string> tweakModuleIdentifiers()
{
    std::set<std::string> identifiers;
    for (const Tweak& tweak : kTweaks) {
        if (auto module = tweakModule(tweak))
            identifiers.insert(lowered(module->identifier));
    }
    return identifiers;
}

// Text the user sent, as a message shows it: quoted, control characters written out (a NUL
// would end the message there), and cut short when long.
std::string shownText(std::string_view text)
{
    constexpr std::size_t kMostShown = 80;
    std::string out = "\"";
    std::size_t end = std::min(text.size(), kMostShown);
    while (end < text.size() && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    for (char c : text.substr(0, end)) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
            continue;
        }
        static constexpr char kDigits[] = "0123456789ABCDEF";
        out += "\\u00";
        out += kDigits[byte >> 4];
        out += kDigits[byte & 15];
    }
    return out + (end < text.size() ? "\u2026\"" : "\"");
}

std::size_t codePoints(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(),
        [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::optional<std::string> displayNameProblem(std::string_view name)
{
    if (name.find_first_not_of(" \t") == std::string_view::npos)
        return "a module needs a display name";
    if (codePoints(name) > kMaxDisplayNameLength)
        return "a display name has at most " + std::to_string(kMaxDisplayNameLength)
            + " characters";
    bool control = std::any_of(
        name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    if (control || !fw::isRepresentableAsXml(fw::Value(std::string(name))))
        return "a display name must be text without control characters or characters that a "
               "property list cannot store";
    return std::nullopt;
}

// Info.plist of a module bundle made in the device panel, shaped like the shipped ones.
fw::Dictionary customInfo(const std::string& identifier, const std::string& displayName)
{
    std::string bundleName = identifier.substr(identifier.rfind('.') + 1);
    return { { "CFBundleIdentifier", fw::Value(identifier) },
        { "CFBundleName", fw::Value(bundleName) },
        { "CFBundleDisplayName", fw::Value(displayName) },
        { "CFBundleExecutable", fw::Value(bundleName) },
        { "CFBundlePackageType", fw::Value(std::string("BNDL")) },
        { "CFBundleInfoDictionaryVersion", fw::Value(std::string("6.0")) },
        { "CFBundleShortVersionString", fw::Value(std::string("1.0")) } };
}

// What applyProfile will do, worked out (and checked) before anything is written.
struct Plan {
    std::vector<const Tweak*> install;
    std::vector<const Tweak*> remove;
    std::vector<fs::path> dropCustom;
    std::vector<std::pair<std::string, std::string>> addCustom; // identifier, display name
    std::vector<std::pair<fs::path, fw::Dictionary>> renameCustom;
    std::vector<std::string> enabled;
};

std::set<std::string_view> wantedTweaks(const DeviceProfile& wanted)
{
    std::set<std::string_view> names;
    for (const std::string& name : wanted.installedTweaks) {
        if (!tweakNamed(name))
            throw ProfileError("there is no tweak named " + shownText(name));
        if (!names.insert(name).second)
            throw ProfileError("the tweak " + shownText(name) + " is listed twice");
    }
    return names;
}

// The custom modules to add, rename and drop. `taken` holds the identifiers no new module may
// have; each kept or added one joins `available`.
void planCustomModules(const Inventory& now, const DeviceProfile& wanted,
    const std::set<std::string>& taken, std::set<std::string>& available, Plan& plan)
{
    std::set<std::string> kept; // as spelled: one that changes case is a new bundle
    for (const Module& module : wanted.modules) {
        if (module.kind != Module::Kind::Custom)
            continue;
        auto key = lowered(module.identifier);
        auto existing = now.customFolders.find(module.identifier);
        bool isNew = existing == now.customFolders.end();
        // A bundle already on the device is kept as it is, whatever its identifier.
        if (isNew) {
            if (auto problem = bundleIdentifierProblem(module.identifier))
                throw ProfileError(*problem);
            if (taken.count(key))
                throw ProfileError("the identifier " + shownText(module.identifier)
                    + " belongs to a module of the system or of a tweak");
        }
        if (!available.insert(key).second)
            throw ProfileError("two modules have the identifier " + shownText(module.identifier));
        kept.insert(module.identifier);
        auto info
            = isNew ? fw::Dictionary {} : files::readDictionary(existing->second / "Info.plist");
        const std::string* shown = stringIn(info, "CFBundleDisplayName");
        if (shown && *shown == module.displayName)
            continue;
        if (auto problem = displayNameProblem(module.displayName))
            throw ProfileError(*problem + " (" + shownText(module.identifier) + ")");
        if (isNew) {
            plan.addCustom.emplace_back(module.identifier, module.displayName);
            continue;
        }
        info["CFBundleDisplayName"] = fw::Value(module.displayName);
        plan.renameCustom.emplace_back(existing->second / "Info.plist", std::move(info));
    }
    for (const auto& [identifier, folder] : now.customFolders) {
        if (!kept.count(identifier))
            plan.dropCustom.push_back(folder);
    }
}

Plan plan(const fs::path& root, const DeviceProfile& wanted)
{
    if (auto problem = systemVersionProblem(wanted.systemVersion))
        throw ProfileError(*problem);
    Plan result;
    auto tweakNames = wantedTweaks(wanted);
    std::set<std::string> available; // lowered identifiers of what may be enabled
    std::set<std::string> taken = tweakModuleIdentifiers();
    for (const Tweak& tweak : kTweaks) {
        bool want = tweakNames.count(tweak.name) > 0;
        if (want && !isInstalled(root, tweak))
            result.install.push_back(&tweak);
        if (!want && isInstalled(root, tweak))
            result.remove.push_back(&tweak);
        auto module = tweakModule(tweak);
        if (module && want)
            available.insert(lowered(module->identifier));
    }
    Inventory now = inventory(root);
    for (const Module& module : now.modules) {
        if (module.kind == Module::Kind::Stock) {
            available.insert(lowered(module.identifier));
            taken.insert(lowered(module.identifier));
        }
    }
    for (auto fixed : kFixedModules)
        taken.insert(lowered(fixed));
    planCustomModules(now, wanted, taken, available, result);

    std::set<std::string> listed;
    for (const std::string& identifier : wanted.enabled) {
        if (!available.count(lowered(identifier)))
            throw ProfileError("no installed module has the identifier " + shownText(identifier));
        if (!listed.insert(lowered(identifier)).second)
            throw ProfileError("the module " + shownText(identifier) + " is enabled twice");
        result.enabled.push_back(identifier);
    }
    return result;
}

} // namespace

std::span<const Tweak> tweaks()
{
    return kTweaks;
}

std::optional<Module> tweakModule(const Tweak& tweak)
{
    if (tweak.moduleBundle.empty())
        return std::nullopt;
    auto bundle = dataDir() / "device" / "modules" / "thirdparty" / tweak.moduleBundle;
    auto info = files::readDictionary(bundle / "Info.plist");
    const std::string* identifier = stringIn(info, "CFBundleIdentifier");
    if (!identifier)
        return std::nullopt;
    return Module { *identifier, displayNameOf(bundle, info, *identifier), Module::Kind::Tweak,
        std::string(tweak.name) };
}

std::optional<std::string> systemVersionProblem(std::string_view text)
{
    // Control Center has had modules the user enables and orders from iOS 11 until iOS 18,
    // which replaced them with controls; the settings tell 13.0 and later apart.
    static const std::regex form(R"((1[1-7])\.(0|[1-9][0-9]?)(\.(0|[1-9][0-9]?))?)");
    if (!std::regex_match(text.begin(), text.end(), form))
        return "the system version must be an iOS version from 11.0 to 17.x, like 14.4, 13.0 "
               "or 15.1.1";
    return std::nullopt;
}

std::optional<std::string> bundleIdentifierProblem(std::string_view text)
{
    static const std::regex form(R"([A-Za-z0-9-]+(\.[A-Za-z0-9-]+)+)");
    if (text.size() > kMaxIdentifierLength)
        return "a bundle identifier has at most " + std::to_string(kMaxIdentifierLength)
            + " characters";
    if (!std::regex_match(text.begin(), text.end(), form)) {
        return shownText(text)
            + " is no bundle identifier: use letters, digits and hyphens in two or more parts "
              "separated by dots, like com.example.module";
    }
    return std::nullopt;
}

void installTweak(const fs::path& root, const Tweak& tweak, bool durable)
{
    auto care = durable ? files::Care::Durable : files::Care::Quick;
    if (tweak.moduleBundle.empty()) {
        files::writeWhole(root / tweak.marker, "", care);
        return;
    }
    auto target = root / kThirdPartyModules / tweak.moduleBundle;
    // A leftover without its marker (half of an old layout) makes way for the shipped bundle.
    files::removeWhole(target);
    files::installFolder(
        dataDir() / "device" / "modules" / "thirdparty" / tweak.moduleBundle, target, care);
}

void removeTweak(const fs::path& root, const Tweak& tweak)
{
    files::removeWhole(tweak.moduleBundle.empty() ? root / tweak.marker
                                                  : root / kThirdPartyModules / tweak.moduleBundle);
}

DeviceProfile readProfile(const fs::path& root)
{
    DeviceProfile profile;
    auto version = files::readDictionary(root / kSystemVersion);
    if (const std::string* text = stringIn(version, "ProductVersion"))
        profile.systemVersion = *text;
    for (const Tweak& tweak : kTweaks) {
        if (isInstalled(root, tweak))
            profile.installedTweaks.emplace_back(tweak.name);
    }
    profile.modules = inventory(root).modules;
    std::map<std::string, std::string> installed; // lowered → as the bundle spells it
    for (const Module& module : profile.modules)
        installed.emplace(lowered(module.identifier), module.identifier);
    auto configuration = files::readDictionary(root / kModuleConfiguration);
    const fw::Value* list = fw::lookup(configuration, contract::moduleIdentifiersKey);
    std::set<std::string> listed;
    for (const fw::Value& entry : list && list->asArray() ? *list->asArray() : fw::Array {}) {
        const std::string* identifier = entry.asString();
        if (!identifier)
            continue;
        auto module = installed.find(lowered(*identifier));
        if (module != installed.end() && listed.insert(module->first).second)
            profile.enabled.push_back(module->second);
    }
    return profile;
}

void applyProfile(const fs::path& root, const DeviceProfile& wanted)
{
    Plan steps = plan(root, wanted);
    try {
        for (const Tweak* tweak : steps.remove)
            removeTweak(root, *tweak);
        for (const Tweak* tweak : steps.install)
            installTweak(root, *tweak);
        for (const fs::path& folder : steps.dropCustom)
            files::removeWhole(folder);
        for (const auto& added : steps.addCustom) {
            // The identifier was checked: letters, digits, hyphens and dots, no empty part.
            files::installBuiltFolder(root / kThirdPartyModules / (added.first + ".bundle"),
                [&](const fs::path& staging) {
                    files::writePlist(
                        staging / "Info.plist", customInfo(added.first, added.second));
                });
        }
        for (const auto& [file, info] : steps.renameCustom)
            files::writePlist(file, info);
        auto version = files::readDictionary(root / kSystemVersion);
        if (!stringIn(version, "ProductName"))
            version["ProductName"] = fw::Value(std::string("iPhone OS"));
        version["ProductVersion"] = fw::Value(wanted.systemVersion);
        files::writePlist(root / kSystemVersion, version);
        auto configuration = files::readDictionary(root / kModuleConfiguration);
        fw::Array identifiers;
        for (const std::string& identifier : steps.enabled)
            identifiers.emplace_back(identifier);
        configuration[std::string(contract::moduleIdentifiersKey)]
            = fw::Value(std::move(identifiers));
        files::writePlist(root / kModuleConfiguration, configuration);
    } catch (const fs::filesystem_error& failure) {
        throw std::runtime_error(std::string("cannot change the device: ") + failure.what());
    }
}

} // namespace device
