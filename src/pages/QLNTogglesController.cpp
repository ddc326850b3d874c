#include "pages/QLNTogglesController.hpp"

#include "ccservices/CCSModuleRepository.hpp"
#include "ccservices/CCSModuleSettingsProvider.hpp"
#include "foundation/ClassDescription.hpp"
#include "foundation/NSBundle.hpp"
#include "pages/EditedState.hpp"
#include "store/Settings.hpp"

#include <optional>
#include <string>

namespace qln {

bool qlnEnabledState = true;

namespace {

constexpr std::string_view orientationLockIdentifier
    = "com.apple.control-center.OrientationLockModule";
constexpr std::string_view doNotDisturbIdentifier = "com.apple.donotdisturb.DoNotDisturbModule";
// These modules have section pages of their own.
constexpr std::string_view powerModuleIdentifier = "com.dorvak07.powermodule";
constexpr std::string_view betterCCXIWeatherIdentifier = "com.yelbrin.betterccxi.weathermodule";
constexpr std::string_view togglesGlobalKey = "togglesGlobalPicker";

// The services' classes, looked up by name once per process, and again while not found.
const fw::ClassDescriptor* moduleRepositoryClass = nullptr;
const fw::ClassDescriptor* moduleSettingsProviderClass = nullptr;

const fw::ClassDescriptor* lookUpOnce(const fw::ClassDescriptor*& remembered, std::string_view name)
{
    if (!remembered)
        remembered = fw::NSClassFromString(name);
    return remembered;
}

// A non-empty string entry; anything else counts as absent.
std::optional<std::string> stringEntry(const fw::Dictionary& dictionary, std::string_view key)
{
    const fw::Value* entry = fw::lookup(dictionary, key);
    if (!entry || !entry->asString() || entry->asString()->empty())
        return std::nullopt;
    return *entry->asString();
}

void titleStateSwitchRows(fw::SpecifierList& rows)
{
    for (auto& row : rows) {
        const std::string* key = row ? row->stringForKey("key") : nullptr;
        if (key && *key == stateSwitchKey)
            row->setName(std::string(stateSwitchTitle(qlnEnabledState)));
    }
}

} // namespace

const fw::ClassDescriptor& QLNTogglesController::classObject()
{
    static const fw::ClassDescriptor cls = fw::describeClass<QLNTogglesController>(
        "QLNTogglesController", QLNBaseController::classObject(),
        { { "switchState", fw::action<&QLNTogglesController::switchState>() } });
    return cls;
}

const fw::SpecifierList& QLNTogglesController::specifiers()
{
    if (_specifiers)
        return *_specifiers;
    auto rows = loadSpecifiersFromPlistName("Toggles", shared_from_this());
    titleStateSwitchRows(rows);
    appendModuleSpecifiers(rows);
    auto changeAll = colourSpecifier("Change All", std::string(togglesGlobalKey));
    changeAll->setProperty(fw::Value(true), "global");
    rows.push_back(std::move(changeAll));
    _specifiers = std::move(rows);
    return *_specifiers;
}

void QLNTogglesController::viewDidLoad()
{
    qlnEnabledState = true;
    QLNBaseController::viewDidLoad();
}

void QLNTogglesController::switchState()
{
    qlnEnabledState = !qlnEnabledState;
    reloadSpecifiers();
}

void QLNTogglesController::appendModuleSpecifiers(fw::SpecifierList& rows)
{
    fw::NSBundle::bundleWithPath(controlCenterServicesPath)->load();
    if (!lookUpOnce(moduleRepositoryClass, "CCSModuleRepository")
        || !lookUpOnce(moduleSettingsProviderClass, "CCSModuleSettingsProvider"))
        return;
    auto repository = fw::CCSModuleRepository::repositoryWithDefaults();
    auto provider = fw::CCSModuleSettingsProvider::sharedProvider();
    for (const auto& identifier : provider->orderedUserEnabledModuleIdentifiers()) {
        auto metadata = repository->moduleMetadataForModuleIdentifier(identifier);
        if (!metadata || !metadata->moduleBundleURL())
            continue;
        // A location without a bundle directory has nothing to name the row or key it.
        auto bundle = fw::NSBundle::bundleWithURL(*metadata->moduleBundleURL());
        if (!bundle)
            continue;
        if (auto row = generateSpecifierForBundle(*bundle))
            rows.push_back(std::move(row));
    }
}

std::shared_ptr<fw::PSSpecifier> QLNTogglesController::generateSpecifierForBundle(
    fw::NSBundle& bundle)
{
    const fw::Dictionary& info = bundle.infoDictionary();
    auto displayName = stringEntry(bundle.localizedInfoDictionary(), "CFBundleDisplayName");
    if (!displayName)
        displayName = stringEntry(info, "CFBundleDisplayName");
    auto identifier = stringEntry(info, "CFBundleIdentifier");
    // Without an identifier every such module would share the key "Enabled" or "Disabled".
    if (!identifier)
        return nullptr;
    if (*identifier == orientationLockIdentifier) {
        displayName = "Orientation Lock";
    } else if (*identifier == doNotDisturbIdentifier) {
        displayName = "Do Not Disturb";
    } else if (*identifier == powerModuleIdentifier || *identifier == betterCCXIWeatherIdentifier) {
        return nullptr;
    } else if (!displayName) {
        if (identifier->starts_with("com.apple"))
            return nullptr;
        displayName = stringEntry(info, "CFBundleName");
    }
    // An untitled row could not be told apart from its neighbours.
    if (!displayName)
        return nullptr;
    return colourSpecifier(*displayName, *identifier + std::string(stateWord(qlnEnabledState)));
}

std::shared_ptr<fw::PSSpecifier> QLNTogglesController::colourSpecifier(
    const std::string& name, const std::string& key)
{
    auto row = fw::PSSpecifier::preferenceSpecifierNamed(name, shared_from_this(),
        "setPreferenceValue:specifier:", "readPreferenceValue:", nullptr, fw::PSLinkCell, nullptr);
    row->setProperty(fw::Value(key), "key");
    row->setProperty(fw::Value(name), "label");
    row->setProperty(fw::Value(settingsDomain), "defaults");
    if (const fw::ClassDescriptor* cellClass = fw::NSClassFromString("QLNColorPicker"))
        row->setProperty(cellClass, "cellClass");
    return row;
}

} // namespace qln
