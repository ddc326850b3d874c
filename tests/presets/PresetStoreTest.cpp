#include "presets/PresetStore.hpp"

#include "foundation/FileFaults.hpp"
#include "presets/BundleDevice.hpp"

#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace {

using bundletest::BundleDevice;
using qln::PresetEntry;
using qln::PresetStore;

std::vector<std::string> names(const std::vector<PresetEntry>& presets)
{
    std::vector<std::string> result;
    for (const auto& preset : presets)
        result.push_back(preset.name);
    return result;
}

const fw::Value* key(const fw::Dictionary& dictionary, std::string_view name)
{
    return fw::lookup(dictionary, name);
}

TEST(PresetList, SortsWholeFileNamesAndListsOnlyPlistFiles)
{
    BundleDevice device;
    for (const char* file : { "alpha.plist", "Beta.plist", "a.plist", "a-b.plist", "notes.txt",
             "Upper.PLIST", ".hidden.plist", ".plist", "old.plist.bak" })
        device.device.write(std::string(qln::presetPath) + file, "x");

    PresetStore::createPresetDirectory();
    // Whole file names are compared: "a-b.plist" sorts before "a.plist", ".hidden.plist" before
    // ".plist".
    EXPECT_EQ(names(PresetStore::listPresets()),
        (std::vector<std::string> { ".hidden", "", "a-b", "a", "alpha", "Beta" }));
}

TEST(PresetList, CreatesTheMissingDirectoryAndToleratesAnUnreadableOne)
{
    BundleDevice device;
    PresetStore::createPresetDirectory();
    EXPECT_TRUE(device.device.exists(qln::presetPath));
    EXPECT_TRUE(PresetStore::listPresets().empty());

    device.writePreset("A", "x");
    fw::FileFaults::arm(fw::FileOp::List, 1);
    EXPECT_TRUE(PresetStore::listPresets().empty());
}

TEST(PresetList, MarksCurrentUnsavedAndModeDefaultsWithDarkWinning)
{
    BundleDevice device;
    for (const char* name : { "A", "B", "C" })
        device.writePreset(name, "x");
    device.setPersistent({ { "currentPreset", fw::Value("A") }, { "unsaved", fw::Value(true) },
        { "darkDefault", fw::Value("B") }, { "lightDefault", fw::Value("B") } });

    auto presets = PresetStore::listPresets();
    ASSERT_EQ(presets.size(), 3u);
    EXPECT_EQ(presets[0], (PresetEntry { "A", true, true, false, false }));
    EXPECT_EQ(presets[1], (PresetEntry { "B", false, false, true, false }));
    EXPECT_EQ(presets[2], (PresetEntry { "C", false, false, false, false }));
}

TEST(PresetList, WithoutPersistentFileNothingIsMarkedAndNoChangeIsWritten)
{
    BundleDevice device;
    device.writePreset("A", "x");
    device.device.write(qln::persistentFile, "damaged");
    auto presets = PresetStore::listPresets();
    EXPECT_EQ(presets[0], (PresetEntry { "A", false, false, false, false }));
    fw::Journal::take();

    PresetStore::activate("A");
    PresetStore::setAsDefault("A", "dark");
    PresetStore::forgetPreset("A");
    EXPECT_TRUE(fw::Journal::take().effects.empty());
    EXPECT_EQ(device.device.read(qln::persistentFile), "damaged");
}

struct ModeCase {
    const char* what;
    fw::Dictionary before;
    std::function<void()> change;
    std::optional<std::string> dark, light;
};

TEST(PresetModeDefaults, NeverNameOnePresetForBothModes)
{
    auto string = [](const char* s) { return fw::Value(s); };
    std::vector<ModeCase> cases = {
        { "dark on the light default moves it", { { "lightDefault", string("A") } },
            [] { PresetStore::setAsDefault("A", "dark"); }, "A", std::nullopt },
        { "light on the dark default moves it", { { "darkDefault", string("A") } },
            [] { PresetStore::setAsDefault("A", "light"); }, std::nullopt, "A" },
        { "light on another preset replaces it", { { "lightDefault", string("B") } },
            [] { PresetStore::setAsDefault("A", "light"); }, std::nullopt, "A" },
        { "any other mode counts as light", { { "darkDefault", string("B") } },
            [] { PresetStore::setAsDefault("A", "sepia"); }, "B", "A" },
        { "removing dark keeps light",
            { { "darkDefault", string("A") }, { "lightDefault", string("B") } },
            [] { PresetStore::removeDefaultForMode("dark"); }, std::nullopt, "B" },
        { "removing another mode removes light",
            { { "darkDefault", string("A") }, { "lightDefault", string("B") } },
            [] { PresetStore::removeDefaultForMode("light"); }, "A", std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BundleDevice device;
        device.setPersistent(c.before);
        PresetStore::listPresets();
        c.change();
        auto after = device.persistent();
        auto read = [&](const char* name) -> std::optional<std::string> {
            const fw::Value* value = key(after, name);
            return value ? std::optional(*value->asString()) : std::nullopt;
        };
        EXPECT_EQ(read("darkDefault"), c.dark);
        EXPECT_EQ(read("lightDefault"), c.light);
    }
}

TEST(PresetDelete, ForgetsEveryKeyNamingThePresetInOneWriteAndKeepsUnsaved)
{
    BundleDevice device;
    device.writePreset("A", "x");
    device.setPersistent({ { "currentPreset", fw::Value("A") }, { "darkDefault", fw::Value("A") },
        { "lightDefault", fw::Value("A") }, { "unsaved", fw::Value(true) } });
    PresetStore::listPresets();
    fw::Journal::take();

    PresetStore::removePresetFile("A");
    EXPECT_TRUE(PresetStore::forgetPreset("A"));

    auto effects = fw::Journal::take().effects;
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(effects[0].op, "remove");
    EXPECT_EQ(effects[0].path, device.presetFile("A"));
    EXPECT_EQ(effects[1].op, "write");
    EXPECT_EQ(effects[1].path, qln::persistentFile);
    EXPECT_EQ(device.persistent(), (fw::Dictionary { { "unsaved", fw::Value(true) } }));
}

TEST(PresetSave, RefusesACurrentPresetNameThatLeavesTheDirectory)
{
    BundleDevice device;
    device.setPersistent(
        { { "currentPreset", fw::Value("../escaped") }, { "unsaved", fw::Value(true) } });
    PresetStore::listPresets();
    fw::Journal::take();
    EXPECT_EQ(PresetStore::saveCurrent(), PresetStore::CopyResult::Failed);
    EXPECT_TRUE(fw::Journal::take().effects.empty());
}

TEST(PresetNames, RefuseSlashNulOverlongFileNamesAndWhatAPropertyListCannotHold)
{
    struct Case {
        std::string name;
        bool refused;
    };
    std::vector<Case> cases = {
        { "", false },
        { "..", false },
        { ".", false },
        { "Night mode", false },
        { "a/b", true },
        { "../escape", true },
        { std::string("a\0b", 3), true },
        { std::string(249, 'x'), false }, // "<name>.plist" is exactly 255 bytes
        { std::string(250, 'x'), true },
        { std::string(125, 'x') + "\xC3\xA9" + std::string(123, 'x'), true }, // 250 bytes
        // The persistent file names the current preset: XML must be able to carry the name.
        { "Tab\there", false },
        { "Line\nbreak", false },
        { "Bell\x07", true },
        { "Non\xEF\xBF\xBE"
          "character",
            true },
        { "\xEF\xBF\xBD replacement", false },
        { "\xFF not UTF-8", true },
        { "Emoji \xF0\x9F\x8C\x99", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.size() < 20 ? c.name : std::to_string(c.name.size()) + " bytes");
        EXPECT_EQ(PresetStore::nameProblem(c.name).has_value(), c.refused);
    }
}

} // namespace
