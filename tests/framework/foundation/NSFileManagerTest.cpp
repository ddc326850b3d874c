#include "foundation/NSFileManager.hpp"

#include "foundation/FileFaults.hpp"
#include "foundation/Journal.hpp"
#include "support/TestDevice.hpp"

#include <algorithm>
#include <gtest/gtest.h>

using namespace fw;

namespace {

constexpr std::string_view kPreferences = "/User/Library/Preferences";
const std::string kSettings = "/User/Library/Preferences/settings.plist";

NSFileManager& files()
{
    return NSFileManager::defaultManager();
}

// Names in the preferences directory that a failed write could have left behind.
std::vector<std::string> temporaryFiles()
{
    std::vector<std::string> found;
    auto names = files().contentsOfDirectoryAtPath(kPreferences).value();
    for (const auto& name : names) {
        if (isTemporaryFileName(name))
            found.push_back(name);
    }
    return found;
}

std::vector<std::string> effectSummary()
{
    std::vector<std::string> summary;
    for (const auto& effect : Journal::take().effects)
        summary.push_back(
            effect.op + " " + effect.path + (effect.from.empty() ? "" : " < " + effect.from));
    return summary;
}

} // namespace

TEST(NSFileManager, AtomicWriteReplacesTheFileAndLeavesNothingElse)
{
    TestDevice device;
    device.write(kSettings, "old");
    ASSERT_TRUE(files().writeAtomically(kSettings, "new contents"));
    EXPECT_EQ(device.read("/var/mobile/Library/Preferences/settings.plist"), "new contents");
    EXPECT_EQ(files().contentsOfDirectoryAtPath(kPreferences),
        std::vector<std::string> { "settings.plist" });
    EXPECT_EQ(effectSummary(), std::vector<std::string> { "write " + kSettings });
}

TEST(NSFileManager, TemporaryFileNamesAreRecognisedByTheirWholeShape)
{
    const std::pair<std::string, bool> cases[] = {
        { ".qln-tmp-Ab3xYz09QwEr", true },
        { ".com.tarrowvine.quillane.plist.qln-tmp-abandoned001", true }, // earlier versions
        { ".qln-tmp-Ab3xYz09QwEr.plist", false }, // a preset named like one
        { "Night.qln-tmp-Ab3xYz09QwEr", false }, // no leading dot
        { ".qln-tmp-Ab3xYz09QwE", false }, // 11 random characters
        { ".x.qln-tmp-Ab3xYz09Qw-r", false }, // not a letter or digit
        { ".qln-tmp-", false },
        { "", false },
    };
    for (const auto& [name, temporary] : cases)
        EXPECT_EQ(isTemporaryFileName(name), temporary) << name;
}

TEST(NSFileManager, FailedAtomicWriteKeepsTheOldFile)
{
    for (FileOp op : { FileOp::Write, FileOp::Flush, FileOp::Rename }) {
        TestDevice device;
        device.write(kSettings, "old");
        FileFaults::arm(op, 1);
        EXPECT_FALSE(files().writeAtomically(kSettings, "new")) << fileOpName(op);
        EXPECT_EQ(device.read(kSettings), "old") << fileOpName(op);
        EXPECT_TRUE(temporaryFiles().empty()) << fileOpName(op);
        EXPECT_TRUE(Journal::take().effects.empty()) << fileOpName(op);
        // The fault was used up: the next write goes through.
        EXPECT_TRUE(files().writeAtomically(kSettings, "new")) << fileOpName(op);
    }
}

TEST(NSFileManager, FaultsCanBeLimitedToAPath)
{
    TestDevice device;
    FileFaults::arm(FileOp::Write, -1, "persistent");
    EXPECT_TRUE(files().writeAtomically(kSettings, "a"));
    EXPECT_FALSE(files().writeAtomically("/User/Library/Preferences/x.persistent.plist", "b"));
    EXPECT_FALSE(files().writeAtomically("/User/Library/Preferences/x.persistent.plist", "b"));
    FileFaults::clear();
    EXPECT_TRUE(files().writeAtomically("/User/Library/Preferences/x.persistent.plist", "b"));
}

TEST(NSFileManager, ReplaceWithCopyNeverLeavesTheTargetMissing)
{
    const std::string defaults = "/Library/PreferenceBundles/Quillane.bundle/defaults.plist";
    for (FileOp op : { FileOp::Copy, FileOp::Read, FileOp::Write, FileOp::Flush, FileOp::Rename }) {
        TestDevice device;
        device.write(kSettings, "edited");
        device.write(defaults, "defaults");
        FileFaults::arm(op, 1);
        EXPECT_FALSE(files().replaceItemWithCopyOfItem(kSettings, defaults)) << fileOpName(op);
        EXPECT_EQ(device.read(kSettings), "edited") << fileOpName(op);
        EXPECT_TRUE(temporaryFiles().empty()) << fileOpName(op);
        ASSERT_TRUE(files().replaceItemWithCopyOfItem(kSettings, defaults)) << fileOpName(op);
        EXPECT_EQ(device.read(kSettings), "defaults") << fileOpName(op);
        EXPECT_EQ(
            effectSummary(), std::vector<std::string> { "copy " + kSettings + " < " + defaults });
    }
    TestDevice device;
    device.write(kSettings, "edited");
    EXPECT_FALSE(files().replaceItemWithCopyOfItem(kSettings, "/missing.plist"));
    EXPECT_EQ(device.read(kSettings), "edited");
}

TEST(NSFileManager, CopyNeverOverwrites)
{
    TestDevice device;
    const std::string preset = "/User/Library/Preferences/presets/Blue.plist";
    device.write(kSettings, "settings");
    device.write(preset, "preset");
    EXPECT_FALSE(files().copyItemAtPath(kSettings, preset));
    EXPECT_EQ(device.read(preset), "preset");

    const std::string fresh = "/User/Library/Preferences/presets/Red.plist";
    for (FileOp op : { FileOp::Copy, FileOp::Write, FileOp::Flush, FileOp::Rename }) {
        FileFaults::arm(op, 1);
        EXPECT_FALSE(files().copyItemAtPath(kSettings, fresh)) << fileOpName(op);
        EXPECT_FALSE(device.exists(fresh)) << fileOpName(op);
        EXPECT_EQ(
            files().contentsOfDirectoryAtPath("/User/Library/Preferences/presets")->size(), 1u);
    }
    Journal::take();
    ASSERT_TRUE(files().copyItemAtPath(kSettings, fresh));
    EXPECT_EQ(device.read(fresh), "settings");
    EXPECT_EQ(effectSummary(), std::vector<std::string> { "copy " + fresh + " < " + kSettings });
    EXPECT_FALSE(files().copyItemAtPath("/missing", "/User/Library/Preferences/other.plist"));
}

TEST(NSFileManager, JournalKeepsTheOrderOfChanges)
{
    TestDevice device;
    const std::string presets = "/User/Library/Preferences/presets";
    ASSERT_TRUE(files().createDirectoryAtPath(presets + "/deep"));
    ASSERT_TRUE(files().createDirectoryAtPath(presets)) << "existing directory";
    ASSERT_TRUE(files().createFileAtPath("/User/Library/Preferences/marker"));
    ASSERT_TRUE(files().writeAtomically(kSettings, "a"));
    ASSERT_TRUE(files().copyItemAtPath(kSettings, presets + "/A.plist"));
    ASSERT_TRUE(files().removeItemAtPath(kSettings));
    EXPECT_FALSE(files().removeItemAtPath(kSettings)) << "already gone";
    EXPECT_EQ(effectSummary(),
        (std::vector<std::string> {
            "mkdir " + presets + "/deep",
            "write /User/Library/Preferences/marker",
            "write " + kSettings,
            "copy " + presets + "/A.plist < " + kSettings,
            "remove " + kSettings,
        }));
    EXPECT_EQ(device.read("/User/Library/Preferences/marker"), "");
    EXPECT_TRUE(effectSummary().empty()) << "take() starts afresh";
}

TEST(NSFileManager, EachOperationCanBeMadeToFail)
{
    TestDevice device;
    device.write(kSettings, "x");
    FileFaults::arm(FileOp::Read, 1);
    EXPECT_FALSE(files().contentsAtPath(kSettings));
    FileFaults::arm(FileOp::List, 1);
    EXPECT_FALSE(files().contentsOfDirectoryAtPath(kPreferences));
    FileFaults::arm(FileOp::Remove, 1);
    EXPECT_FALSE(files().removeItemAtPath(kSettings));
    FileFaults::arm(FileOp::CreateDirectory, 1);
    EXPECT_FALSE(files().createDirectoryAtPath("/User/Library/New"));
    FileFaults::arm(FileOp::CreateFile, 1);
    EXPECT_FALSE(files().createFileAtPath("/User/Library/marker"));
    EXPECT_TRUE(Journal::take().effects.empty());
    EXPECT_FALSE(device.exists("/User/Library/New"));
    EXPECT_FALSE(device.exists("/User/Library/marker"));
    EXPECT_EQ(files().contentsAtPath(kSettings), "x") << "every fault was used once";
}

TEST(NSFileManager, ReadsRespectTheSizeLimit)
{
    TestDevice device;
    device.write(kSettings, "0123456789");
    EXPECT_EQ(files().contentsAtPath(kSettings, 10), "0123456789");
    EXPECT_FALSE(files().contentsAtPath(kSettings, 9));
    EXPECT_FALSE(files().contentsAtPath(kPreferences)) << "a directory is no file";
    EXPECT_FALSE(files().contentsAtPath("/missing"));
}

TEST(NSFileManager, ListsHiddenEntriesAndRemovesDirectories)
{
    TestDevice device;
    device.write("/dir/.hidden", "");
    device.write("/dir/sub/file", "");
    auto names = files().contentsOfDirectoryAtPath("/dir").value();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { ".hidden", "sub" }));
    EXPECT_FALSE(files().contentsOfDirectoryAtPath("/missing"));
    EXPECT_TRUE(files().removeItemAtPath("/dir"));
    EXPECT_FALSE(files().fileExistsAtPath("/dir"));
    EXPECT_FALSE(files().removeItemAtPath("/")) << "the device root itself stays";
    EXPECT_FALSE(files().removeItemAtPath("/var/.."));
}

TEST(NSFileManager, RemovingTheUserLinkKeepsTheHome)
{
    TestDevice device;
    device.write(kSettings, "x");
    EXPECT_TRUE(files().removeItemAtPath("/User"));
    EXPECT_TRUE(files().fileExistsAtPath("/var/mobile/Library/Preferences/settings.plist"));
}
