#include "foundation/FileFaults.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/UIPasteboard.hpp"
#include "presets/PresetExchange.hpp"
#include "presets/PresetStore.hpp"
#include "presets/PresetsPageSupport.hpp"
#include "store/SettingsStore.hpp"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace bundletest;

std::vector<std::string> effectOps(const std::vector<fw::Effect>& effects)
{
    std::vector<std::string> ops;
    for (const auto& effect : effects)
        ops.push_back(effect.op + " " + effect.path);
    return ops;
}

std::vector<std::string> leftoverTemporaryFiles(const BundleDevice& device)
{
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(
             device.device.hostPath("/var/mobile/Library/Preferences"))) {
        if (fw::isTemporaryFileName(entry.path().filename().string()))
            found.push_back(entry.path().filename().string());
    }
    return found;
}

// A device with presets A (current, with unsaved work) and B, and the page showing them.
struct PresetsScene {
    BundleDevice device;
    std::shared_ptr<QLNPresetsController> page;
    std::string settings;

    PresetsScene()
    {
        device.writePreset("A", "preset A");
        device.writePreset("B", "preset B");
        device.setPersistent(
            { { "currentPreset", fw::Value("A") }, { "unsaved", fw::Value(true) } });
        page = device.push<QLNPresetsController>();
        settings = device.device.read(qln::settingsFile);
        fw::Journal::take();
    }
};

TEST(PresetCopyFailures, ActivateNothingAndSaySo)
{
    struct Case {
        const char* what;
        fw::FileOp fault;
        std::function<void(QLNPresetsController&)> act;
        const char* title;
    };
    auto loadB = [](QLNPresetsController& page) {
        page.loadPreset("B");
        choose(page, "OK"); // the unsaved work is given up
    };
    std::vector<Case> cases = {
        { "save, copy refused", fw::FileOp::Copy, [](auto& p) { p.savePreset(); }, "Save failed" },
        { "save, rename fails", fw::FileOp::Rename, [](auto& p) { p.savePreset(); },
            "Save failed" },
        { "save, settings unreadable", fw::FileOp::Read, [](auto& p) { p.savePreset(); },
            "Save failed" },
        { "create, copy refused", fw::FileOp::Copy, [](auto& p) { createPreset(p, "C"); },
            "Save failed" },
        { "create, rename fails", fw::FileOp::Rename, [](auto& p) { createPreset(p, "C"); },
            "Save failed" },
        { "load, copy refused", fw::FileOp::Copy, loadB, "Load failed" },
        { "load, write fails", fw::FileOp::Write, loadB, "Load failed" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PresetsScene scene;
        fw::FileFaults::arm(c.fault);
        c.act(*scene.page);
        fw::FileFaults::clear();

        EXPECT_EQ(shown(*scene.page).first, c.title);
        EXPECT_EQ(actionTitles(*presented(*scene.page)), (std::vector<std::string> { "OK" }));
        EXPECT_EQ(presetState(scene.device), (PresetState { "A", true }));
        EXPECT_EQ(scene.device.device.read(scene.device.presetFile("A")), "preset A");
        EXPECT_EQ(scene.device.device.read(qln::settingsFile), scene.settings);
        EXPECT_FALSE(scene.device.device.exists(scene.device.presetFile("C")));
        auto journal = fw::Journal::take();
        EXPECT_TRUE(journal.posted.empty());
        EXPECT_TRUE(journal.effects.empty())
            << ::testing::PrintToString(effectOps(journal.effects));
        EXPECT_TRUE(leftoverTemporaryFiles(scene.device).empty());
        EXPECT_TRUE(saveEnabled(*scene.page));
    }
}

TEST(PresetCopies, ReplaceFilesWithoutEverRemovingThem)
{
    PresetsScene scene;
    scene.page->savePreset();
    EXPECT_EQ(effectOps(fw::Journal::take().effects),
        (std::vector<std::string> {
            "copy " + scene.device.presetFile("A"), "write " + std::string(qln::persistentFile) }));
    EXPECT_EQ(scene.device.device.read(scene.device.presetFile("A")), scene.settings);

    scene.page->loadPreset("B");
    EXPECT_EQ(effectOps(fw::Journal::take().effects),
        (std::vector<std::string> { "copy " + std::string(qln::settingsFile), "post ",
            "write " + std::string(qln::persistentFile) }));
    EXPECT_EQ(scene.device.device.read(qln::settingsFile), "preset B");
}

TEST(PresetLoad, OfAVanishedPresetKeepsTheSettingsAndDropsTheRow)
{
    PresetsScene scene;
    std::filesystem::remove(scene.device.device.hostPath(scene.device.presetFile("B")));
    scene.page->loadPreset("B");
    ASSERT_TRUE(choose(*scene.page, "OK"));

    EXPECT_EQ(shown(*scene.page).first, "Load failed");
    EXPECT_EQ(scene.device.device.read(qln::settingsFile), scene.settings);
    auto journal = fw::Journal::take();
    EXPECT_TRUE(journal.posted.empty());
    EXPECT_TRUE(journal.effects.empty());
    EXPECT_EQ(presetNames(*scene.page), (std::vector<std::string> { "A" }));
    EXPECT_EQ(presetState(scene.device), (PresetState { "A", true }));
}

TEST(PresetNames, BadNamesAreRefusedInBothDialogsAndNothingIsWritten)
{
    std::vector<std::string> badNames
        = { "a/b", "../Preferences/x", std::string("a\0b", 3), std::string(250, 'n') };
    for (bool importing : { false, true }) {
        for (const auto& name : badNames) {
            SCOPED_TRACE((importing ? "import " : "new ") + std::to_string(name.size()));
            PresetsScene scene;
            if (importing) {
                fw::UIPasteboard::generalPasteboard().setString(
                    qln::PresetExchange::encode("text"));
                scene.page->importPreset();
            } else {
                tapButton(*scene.page, "New Preset");
            }
            ASSERT_TRUE(choose(*scene.page, "Save", { name }));
            EXPECT_EQ(shown(*scene.page).first, "Invalid name");
            EXPECT_FALSE(shown(*scene.page).second.empty());
            EXPECT_EQ(actionTitles(*presented(*scene.page)), (std::vector<std::string> { "OK" }));
            EXPECT_TRUE(fw::Journal::take().effects.empty());
            EXPECT_EQ(presetState(scene.device), (PresetState { "A", true }));
        }
    }
}

TEST(PresetNames, EveryAcceptedNameIsImportedCreatedSavedLoadedAndDeleted)
{
    std::string cjk;
    for (int i = 0; i < 83; ++i)
        cjk += "\u8a9e"; // three bytes each: 249 in all
    const std::vector<std::pair<const char*, std::string>> names = {
        { "249 bytes, the longest accepted", std::string(249, 'n') },
        { "249 bytes of three-byte characters", cjk },
        { "emoji and accents", "\U0001F308 \u00c9t\u00e9 \u2013 Nacht" },
        { "shaped like a temporary file", ".qln-tmp-abcdefghijkl" },
        { "ends like a temporary file", "Night.qln-tmp-abcdefghijkl" },
    };
    for (const auto& [what, name] : names) {
        SCOPED_TRACE(what);
        ASSERT_FALSE(qln::PresetStore::nameProblem(name));
        PresetsScene scene;
        auto& page = *scene.page;
        const std::string file = scene.device.presetFile(name);

        fw::UIPasteboard::generalPasteboard().setString(qln::PresetExchange::encode("imported"));
        page.importPreset();
        ASSERT_TRUE(choose(page, "Save", { name }));
        EXPECT_EQ(presented(page), nullptr) << shown(page).first;
        EXPECT_EQ(scene.device.device.read(file), "imported");
        ASSERT_TRUE(choosePresetAction(page, name, "Delete"));
        ASSERT_TRUE(choose(page, "Yes"));
        EXPECT_FALSE(scene.device.device.exists(file));

        createPreset(page, name);
        EXPECT_EQ(presented(page), nullptr) << shown(page).first;
        EXPECT_EQ(scene.device.device.read(file), scene.settings);
        EXPECT_EQ(presetState(scene.device), (PresetState { name, false }));

        writeSetting("enabled", fw::Value(false));
        qln::markUnsaved();
        page.reloadSpecifiers();
        page.savePreset();
        EXPECT_EQ(presented(page), nullptr) << shown(page).first;
        const std::string saved = scene.device.device.read(qln::settingsFile);
        EXPECT_NE(saved, scene.settings);
        EXPECT_EQ(scene.device.device.read(file), saved);

        page.loadPreset("B");
        page.loadPreset(name);
        EXPECT_EQ(presented(page), nullptr) << shown(page).first;
        EXPECT_EQ(scene.device.device.read(qln::settingsFile), saved);
        EXPECT_EQ(presetState(scene.device), (PresetState { name, false }));

        ASSERT_TRUE(choosePresetAction(page, name, "Delete"));
        ASSERT_TRUE(choose(page, "Yes"));
        EXPECT_FALSE(scene.device.device.exists(file));
        EXPECT_EQ(presetNames(page), (std::vector<std::string> { "A", "B" }));
        EXPECT_TRUE(leftoverTemporaryFiles(scene.device).empty());
    }
}

TEST(PresetNames, TheEmptyNameMakesAPresetCalledDotPlist)
{
    PresetsScene scene;
    createPreset(*scene.page, "");
    EXPECT_TRUE(scene.device.device.exists(std::string(qln::presetPath) + ".plist"));
    EXPECT_EQ(presetState(scene.device), (PresetState { "", false }));
    EXPECT_EQ(presetNames(*scene.page), (std::vector<std::string> { "", "A", "B" }));
}

TEST(PresetNames, ATakenNameIsReportedAndNothingChanges)
{
    PresetsScene scene;
    createPreset(*scene.page, "B");
    EXPECT_EQ(shown(*scene.page),
        (std::pair<std::string, std::string> { "Error",
            "A preset with this name already exists. If you want to overwrite it, "
            "use the Save button instead." }));
    EXPECT_TRUE(fw::Journal::take().effects.empty());
    EXPECT_EQ(presetState(scene.device), (PresetState { "A", true }));
}

} // namespace
