// The device panel's logic: what a device holds, read back after a change, and changes refused
// whole.
#include "device/DeviceProfile.hpp"

#include "BuildPaths.hpp"
#include "support/ScriptDriver.hpp"
#include "web/DeviceJson.hpp"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>

namespace fs = std::filesystem;

namespace {

constexpr const char* kCamera = "com.apple.control-center.CameraModule";
constexpr const char* kTimer = "com.apple.mobiletimer.controlcenter.timer";
constexpr const char* kNoctis = "com.laughingquoll.noctis.toggle";
constexpr const char* kPowerModule = "com.dorvak07.powermodule";

device::Module custom(std::string identifier, std::string name)
{
    return { std::move(identifier), std::move(name), device::Module::Kind::Custom, {} };
}

const device::Module* moduleNamed(const device::DeviceProfile& profile, std::string_view id)
{
    auto found = std::find_if(profile.modules.begin(), profile.modules.end(),
        [&](const device::Module& module) { return module.identifier == id; });
    return found == profile.modules.end() ? nullptr : &*found;
}

// Every file and folder under the root with its bytes, to tell that nothing changed.
std::map<std::string, std::string> snapshot(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_symlink())
            continue;
        std::string bytes;
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        files[fs::relative(entry.path(), root).string()] = bytes;
    }
    return files;
}

} // namespace

TEST(DeviceProfile, ReadsWhatInitLaidOut)
{
    ScriptDevice device({ "--system-version", "13.0", "--noctis", "--cc-ringer" });
    auto profile = device::readProfile(device.root());
    EXPECT_EQ(profile.systemVersion, "13.0");
    EXPECT_EQ(profile.installedTweaks, (std::vector<std::string> { "ccRinger", "noctis" }));
    ASSERT_NE(moduleNamed(profile, kNoctis), nullptr);
    EXPECT_EQ(moduleNamed(profile, kNoctis)->kind, device::Module::Kind::Tweak);
    EXPECT_EQ(moduleNamed(profile, kNoctis)->displayName, "Noctis");
    EXPECT_EQ(moduleNamed(profile, "com.apple.control-center.FlashlightModule")->displayName,
        "Flashlight")
        << "the localised name wins";
    EXPECT_EQ(moduleNamed(profile, "com.apple.control-center.ConnectivityModule"), nullptr)
        << "fixed modules are not the user's to enable";
    EXPECT_EQ(profile.enabled.size(), 10u);
    EXPECT_EQ(profile.enabled.front(), "com.apple.control-center.OrientationLockModule");
}

TEST(DeviceProfile, AppliesAChangeThatReadsBackAndReachesThePagesFiles)
{
    ScriptDevice device;
    auto wanted = device::readProfile(device.root());
    wanted.systemVersion = "15.1.1";
    wanted.installedTweaks = { "prysm", "powerModule", "noctis" };
    wanted.modules.push_back(custom("com.example.notes-toggle", "Quick Notes"));
    wanted.enabled = { "com.example.notes-toggle", kNoctis, kCamera, kPowerModule };
    device::applyProfile(device.root(), wanted);

    auto read = device::readProfile(device.root());
    EXPECT_EQ(read.systemVersion, "15.1.1");
    EXPECT_EQ(read.installedTweaks, wanted.installedTweaks);
    EXPECT_EQ(read.enabled, wanted.enabled);
    ASSERT_NE(moduleNamed(read, "com.example.notes-toggle"), nullptr);
    EXPECT_EQ(moduleNamed(read, "com.example.notes-toggle")->kind, device::Module::Kind::Custom);
    EXPECT_EQ(moduleNamed(read, "com.example.notes-toggle")->displayName, "Quick Notes");
    auto info = device.read("/Library/ControlCenter/Bundles/com.example.notes-toggle.bundle/"
                            "Info.plist");
    for (const char* part : { "<string>com.example.notes-toggle</string>",
             "<string>Quick Notes</string>", "<string>BNDL</string>" })
        EXPECT_NE(info.find(part), std::string::npos) << part;
    EXPECT_TRUE(fs::exists(device.path("/Library/MobileSubstrate/DynamicLibraries/Prysm.dylib")));
    EXPECT_NE(device.read("/System/Library/CoreServices/SystemVersion.plist").find("iPhone OS"),
        std::string::npos)
        << "the rest of the version file stays";

    // Back again: the tweaks and the custom module go, and with them their files.
    auto before = device::readProfile(device.root());
    before.installedTweaks = {};
    before.modules.erase(
        std::remove_if(before.modules.begin(), before.modules.end(),
            [](const device::Module& m) { return m.kind == device::Module::Kind::Custom; }),
        before.modules.end());
    before.enabled = { kTimer };
    device::applyProfile(device.root(), before);
    auto again = device::readProfile(device.root());
    EXPECT_TRUE(again.installedTweaks.empty());
    EXPECT_EQ(again.enabled, (std::vector<std::string> { kTimer }));
    EXPECT_FALSE(fs::exists(device.path("/Library/ControlCenter/Bundles/NoctisToggle.bundle")));
    EXPECT_FALSE(
        fs::exists(device.path("/Library/ControlCenter/Bundles/com.example.notes-toggle.bundle")));
    EXPECT_FALSE(fs::exists(device.path("/Library/MobileSubstrate/DynamicLibraries/Prysm.dylib")));
    for (const auto& entry : fs::directory_iterator(device.path("/Library/ControlCenter/Bundles")))
        EXPECT_NE(entry.path().filename().string().front(), '.') << "nothing is left aside";
}

TEST(DeviceProfile, RefusesABadChangeWithoutWritingAnything)
{
    ScriptDevice device({ "--noctis" });
    auto base = device::readProfile(device.root());
    struct Case {
        const char* what;
        void (*change)(device::DeviceProfile&);
        const char* message;
    };
    const std::vector<Case> cases {
        { "a version that is no version", [](auto& p) { p.systemVersion = "fourteen"; },
            "11.0 to 17.x" },
        { "a version without its minor part", [](auto& p) { p.systemVersion = "14"; },
            "like 14.4" },
        { "a version before modules", [](auto& p) { p.systemVersion = "10.3"; }, "11.0" },
        { "a version after modules", [](auto& p) { p.systemVersion = "18.0"; }, "17.x" },
        { "a version with a leading zero", [](auto& p) { p.systemVersion = "14.04"; }, "14.4" },
        { "an unknown tweak", [](auto& p) { p.installedTweaks.push_back("Cylinder"); },
            "no tweak named \"Cylinder\"" },
        { "a tweak twice",
            [](auto& p) {
                p.installedTweaks = { "prysm", "prysm" };
            },
            "listed twice" },
        { "an identifier of one part",
            [](auto& p) { p.modules.push_back(custom("notes", "Notes")); },
            "no bundle identifier" },
        { "an identifier that climbs out of the folder",
            [](auto& p) { p.modules.push_back(custom("../../etc.passwd", "Notes")); },
            "no bundle identifier" },
        { "an identifier with a slash",
            [](auto& p) { p.modules.push_back(custom("com.example/notes", "Notes")); },
            "no bundle identifier" },
        { "an identifier with an empty part",
            [](auto& p) { p.modules.push_back(custom("com..notes", "Notes")); },
            "no bundle identifier" },
        { "an identifier too long",
            [](auto& p) { p.modules.push_back(custom("com." + std::string(152, 'a'), "N")); },
            "at most 155" },
        { "an empty display name",
            [](auto& p) { p.modules.push_back(custom("com.example.notes", "  ")); },
            "needs a display name" },
        { "a display name too long",
            [](auto& p) { p.modules.push_back(custom("com.example.notes", std::string(65, 'n'))); },
            "at most 64" },
        { "a display name with a control character",
            [](auto& p) { p.modules.push_back(custom("com.example.notes", "No\ntes")); },
            "control characters" },
        { "a display name with U+FFFE, which XML cannot hold",
            [](auto& p) { p.modules.push_back(custom("com.example.notes", "No\xEF\xBF\xBEtes")); },
            "that a property list cannot store" },
        { "an identifier with a NUL, shown in full",
            [](auto& p) {
                p.modules.push_back(custom(std::string("com.example\0.notes", 18), "Notes"));
            },
            "\"com.example\\u0000.notes\" is no bundle identifier" },
        { "an enabled identifier with a NUL, shown in full",
            [](auto& p) { p.enabled.push_back(std::string("com.x\0y", 7)); }, "\"com.x\\u0000y\"" },
        { "a custom module with a stock identifier",
            [](auto& p) { p.modules.push_back(custom(kCamera, "My Camera")); },
            "belongs to a module" },
        { "a custom module with a tweak's identifier",
            [](auto& p) { p.modules.push_back(custom(kPowerModule, "Power")); },
            "belongs to a module" },
        { "two custom modules with one identifier",
            [](auto& p) {
                p.modules.push_back(custom("com.example.notes", "Notes"));
                p.modules.push_back(custom("com.Example.Notes", "More Notes"));
            },
            "two modules have" },
        { "an unknown enabled module", [](auto& p) { p.enabled.push_back("com.example.none"); },
            "no installed module has the identifier \"com.example.none\"" },
        { "a module enabled twice", [](auto& p) { p.enabled.push_back(kCamera); },
            "enabled twice" },
        { "the module of a tweak being removed",
            [](auto& p) {
                p.installedTweaks.clear();
                p.enabled.push_back(kNoctis);
            },
            "no installed module" },
        { "the module of a tweak not installed", [](auto& p) { p.enabled.push_back(kPowerModule); },
            "no installed module" },
        { "a fixed module",
            [](auto& p) { p.enabled.push_back("com.apple.control-center.AudioModule"); },
            "no installed module" },
    };
    auto files = snapshot(device.root());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto wanted = base;
        wanted.installedTweaks = { "noctis" };
        wanted.systemVersion = "14.4";
        // Alongside changes that would be written, were the whole change valid.
        wanted.modules.push_back(custom("com.example.valid", "Valid"));
        c.change(wanted);
        try {
            device::applyProfile(device.root(), wanted);
            ADD_FAILURE() << "applied";
        } catch (const device::ProfileError& refusal) {
            EXPECT_NE(std::string(refusal.what()).find(c.message), std::string::npos)
                << refusal.what();
        }
        EXPECT_EQ(snapshot(device.root()), files) << "nothing is written";
    }
}

TEST(DeviceProfile, JsonRoundTripAndMalformedBodies)
{
    ScriptDevice device({ "--power-module" });
    auto profile = device::readProfile(device.root());
    profile.modules.push_back(custom("com.example.notes", "Notes \"quoted\""));
    auto back = web::parseDeviceJson(web::deviceJson(profile));
    EXPECT_EQ(back.systemVersion, profile.systemVersion);
    EXPECT_EQ(back.installedTweaks, (std::vector<std::string> { "powerModule" }));
    EXPECT_EQ(back.enabled, profile.enabled);
    ASSERT_EQ(back.modules.size(), 1u) << "only custom modules are taken from the browser";
    EXPECT_EQ(back.modules.front().displayName, "Notes \"quoted\"");

    const std::vector<std::pair<const char*, const char*>> malformed {
        { "[]", "JSON object" },
        { "not json", "JSON object" },
        { R"({"tweaks":[],"modules":[],"enabled":[]})", "'systemVersion'" },
        { R"({"systemVersion":14.4,"tweaks":[],"modules":[],"enabled":[]})", "'systemVersion'" },
        { R"({"systemVersion":"14.4","tweaks":[{"name":"prysm"}],"modules":[],"enabled":[]})",
            "'installed'" },
        { R"({"systemVersion":"14.4","tweaks":[],"modules":[{"kind":"other"}],"enabled":[]})",
            "stock, tweak or custom" },
        { R"({"systemVersion":"14.4","tweaks":[],"modules":[{"kind":"custom","identifier":"a.b"}],"enabled":[]})",
            "'displayName'" },
        { R"({"systemVersion":"14.4","tweaks":[],"modules":[],"enabled":[1]})",
            "list of identifiers" },
    };
    for (const auto& [body, message] : malformed) {
        SCOPED_TRACE(body);
        try {
            web::parseDeviceJson(body);
            ADD_FAILURE() << "parsed";
        } catch (const device::ProfileError& refusal) {
            EXPECT_NE(std::string(refusal.what()).find(message), std::string::npos)
                << refusal.what();
        }
    }
}

TEST(DeviceProfile, ChecksVersionsAndIdentifiersAsTheBrowserDoes)
{
    std::ifstream in(std::string(QLN_SOURCE_DIR) + "/tests/host/device-input-cases.json");
    auto cases = nlohmann::json::parse(in);
    struct Check {
        const char* name;
        std::optional<std::string> (*problem)(std::string_view);
    };
    for (const Check& check : { Check { "versions", device::systemVersionProblem },
             Check { "identifiers", device::bundleIdentifierProblem } }) {
        for (const auto& text : cases[check.name]["accepted"])
            EXPECT_EQ(check.problem(text.get<std::string>()), std::nullopt) << text;
        for (const auto& text : cases[check.name]["refused"])
            EXPECT_NE(check.problem(text.get<std::string>()), std::nullopt) << text;
    }
    EXPECT_EQ(device::bundleIdentifierProblem("com." + std::string(151, 'a')), std::nullopt);
    EXPECT_NE(device::bundleIdentifierProblem("com." + std::string(152, 'a')), std::nullopt);
}

TEST(DeviceProfile, RenamesAndReplacesModulesOfOnesOwn)
{
    ScriptDevice device;
    auto bundle = [&](const std::string& identifier) {
        return device.path("/Library/ControlCenter/Bundles/" + identifier + ".bundle");
    };
    auto wanted = device::readProfile(device.root());
    wanted.modules.push_back(custom("com.example.notes", "Notes"));
    wanted.enabled.push_back("com.example.notes");
    device::applyProfile(device.root(), wanted);

    struct Step {
        const char* what;
        std::string identifier, name;
        bool oldBundleStays;
    };
    const std::vector<Step> steps {
        { "a new display name, in place", "com.example.notes", "Jottings", true },
        { "another spelling is another bundle", "com.Example.Notes", "Jottings", false },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        auto before = device::readProfile(device.root());
        std::erase_if(before.modules,
            [](const device::Module& m) { return m.kind == device::Module::Kind::Custom; });
        before.modules.push_back(custom(step.identifier, step.name));
        before.enabled = { step.identifier };
        device::applyProfile(device.root(), before);
        auto after = device::readProfile(device.root());
        ASSERT_NE(moduleNamed(after, step.identifier), nullptr);
        EXPECT_EQ(moduleNamed(after, step.identifier)->displayName, step.name);
        EXPECT_EQ(after.enabled, (std::vector<std::string> { step.identifier }));
        EXPECT_EQ(fs::exists(bundle("com.example.notes")), step.oldBundleStays);
    }
}
