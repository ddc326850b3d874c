#include "foundation/Device.hpp"

#include "foundation/FileFaults.hpp"
#include "foundation/Journal.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/UIDevice.hpp"
#include "foundation/UIPasteboard.hpp"
#include "foundation/Value.hpp"
#include "support/TestDevice.hpp"

#include <gtest/gtest.h>

using namespace fw;

TEST(Device, PathsResolveUnderTheRoot)
{
    TestDevice device;
    const std::pair<const char*, const char*> cases[] = {
        { "/var/mobile/x", "var/mobile/x" },
        { "/../../etc/passwd", "etc/passwd" },
        { "a/./b//c/", "a/b/c" },
        { "/User/../..", "" },
        { "/a/b/../../../c", "c" },
        { "/", "" },
    };
    for (const auto& [devicePath, relative] : cases) {
        auto expected = *relative ? device.root() / relative : device.root();
        EXPECT_EQ(Device::resolve(devicePath), expected) << devicePath;
    }
}

TEST(Device, UserAndVarMobileNameOneFile)
{
    TestDevice device;
    ASSERT_TRUE(NSFileManager::defaultManager().writeAtomically("/User/Library/x.plist", "one"));
    EXPECT_EQ(device.read("/var/mobile/Library/x.plist"), "one");
    EXPECT_EQ(NSFileManager::defaultManager().contentsAtPath("/var/mobile/Library/x.plist"), "one");
}

TEST(Value, BoolValueReadsLikeTheFoundationClasses)
{
    const std::pair<Value, bool> cases[] = {
        { Value(true), true },
        { Value(false), false },
        { Value(0), false },
        { Value(-3), true },
        { Value(0.0), false },
        { Value(0.25), true },
        { Value("YES"), true },
        { Value("yes"), true },
        { Value("true"), true },
        { Value("T"), true },
        { Value(" \t7"), true },
        { Value("\n1"), false },
        { Value("-1"), true },
        { Value("0001"), true },
        { Value("+y"), true },
        { Value("NO"), false },
        { Value("0"), false },
        { Value("000"), false },
        { Value("false"), false },
        { Value(""), false },
        { Value("x1"), false },
        { Value(Array {}), false },
        { Value(Dictionary {}), false },
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].first.boolValue(), cases[i].second) << "case " << i;
}

TEST(Value, NumberValueIsForNumbersAndBooleans)
{
    EXPECT_EQ(Value(true).numberValue(), 1.0);
    EXPECT_EQ(Value(7).numberValue(), 7.0);
    EXPECT_EQ(Value(0.5).numberValue(), 0.5);
    EXPECT_FALSE(Value("1").numberValue());
    Dictionary dictionary { { "a", 1 } };
    ASSERT_NE(lookup(dictionary, "a"), nullptr);
    EXPECT_EQ(*lookup(dictionary, "a"), Value(1));
    EXPECT_EQ(lookup(dictionary, "b"), nullptr);
}

TEST(UIDevice, SystemVersionIsReadEachTime)
{
    TestDevice device;
    auto& current = UIDevice::currentDevice();
    EXPECT_EQ(current.systemVersion(), "14.0") << "missing file";
    auto versionFile = [](const char* version) {
        return std::string("<plist version=\"1.0\"><dict><key>ProductVersion</key><string>")
            + version + "</string></dict></plist>";
    };
    device.write(kSystemVersionPath, versionFile("12.4"));
    EXPECT_EQ(current.systemVersion(), "12.4");
    EXPECT_FALSE(current.systemVersionAtLeast("13.0"));
    device.write(kSystemVersionPath, versionFile("13.0"));
    EXPECT_TRUE(current.systemVersionAtLeast("13.0"));
    EXPECT_FALSE(current.systemVersionAtLeast("13.0.1"));
    device.write(kSystemVersionPath, "damaged");
    EXPECT_EQ(current.systemVersion(), "14.0");
}

TEST(UIPasteboard, ContentsLastAcrossReadsAndAreNotJournalled)
{
    TestDevice device;
    auto& pasteboard = UIPasteboard::generalPasteboard();
    EXPECT_EQ(pasteboard.kind(), UIPasteboard::Kind::None);
    EXPECT_FALSE(pasteboard.string());

    // File faults are for the device's files; the pasteboard is none of them.
    FileFaults::arm(FileOp::Write);
    pasteboard.setString("Quillane preset <&>");
    FileFaults::clear();
    EXPECT_EQ(UIPasteboard::generalPasteboard().string(), "Quillane preset <&>");
    EXPECT_EQ(UIPasteboard::generalPasteboard().kind(), UIPasteboard::Kind::String);

    pasteboard.setOtherItem();
    EXPECT_EQ(pasteboard.kind(), UIPasteboard::Kind::Other);
    EXPECT_FALSE(pasteboard.string());
    pasteboard.clear();
    EXPECT_EQ(pasteboard.kind(), UIPasteboard::Kind::None);
    EXPECT_TRUE(Journal::take().effects.empty());
}
