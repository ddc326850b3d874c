#include "foundation/Dispatch.hpp"
#include "pages/QLNHeader.hpp"
#include "presets/BundleDevice.hpp"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using bundletest::BundleDevice;
namespace fs = std::filesystem;

constexpr const char* kInstalledCommand
    = "dpkg -s com.tarrowvine.quillane | grep -i version | cut -d' ' -f2";
constexpr const char* kFallbackCommand
    = "dpkg -s com.pelmot.tarrowvine.quillane | grep -i version | cut -d' ' -f2";

// Replaces the device's shell by a script that records its arguments and prints `answer`.
void fakeShell(const BundleDevice& device, const std::string& answer)
{
    fs::path shell = device.device.hostPath("/bin/sh");
    fs::remove(shell);
    std::string arguments = device.device.hostPath("/sh-arguments").string();
    device.device.write("/bin/sh",
        "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + arguments + "'\nprintf '" + answer + "'\n");
    fs::permissions(shell, fs::perms::owner_all);
}

std::shared_ptr<qln::QLNHeader> makeHeader()
{
    auto cell = std::make_shared<qln::QLNHeader>();
    EXPECT_TRUE(cell->initWithSpecifier(fw::PSSpecifier::preferenceSpecifierNamed(
        "", nullptr, "", "", nullptr, fw::PSGroupCell, nullptr)));
    return cell;
}

std::shared_ptr<qln::QLNHeader> headerAfterLookup()
{
    auto cell = makeHeader();
    EXPECT_TRUE(fw::settle(std::chrono::seconds(30)));
    return cell;
}

void expectFadedIn(const fw::UILabel& label)
{
    EXPECT_EQ(label.alpha(), 1.0);
    ASSERT_TRUE(label.animation());
    EXPECT_EQ(label.animation()->duration, 0.75);
    EXPECT_EQ(label.animation()->delay, 0);
    EXPECT_EQ(label.animation()->options, 65536u);
    EXPECT_EQ(label.animation()->targetAlpha, 1.0);
}

TEST(Header, AsksThePackageDatabaseByTheNameItWasInstalledUnder)
{
    for (bool listed : { true, false }) {
        SCOPED_TRACE(listed);
        BundleDevice device;
        if (!listed)
            fs::remove(device.device.hostPath(qln::packageListFile));
        fakeShell(device, "1.2.3\\n");
        auto cell = headerAfterLookup();
        EXPECT_EQ(device.device.read("/sh-arguments"),
            std::string("-c\n") + (listed ? kInstalledCommand : kFallbackCommand) + "\n");
        EXPECT_EQ(cell->versionLabel()->text(), "Version 1.2.3\n");
        expectFadedIn(*cell->versionLabel());
    }
}

TEST(Header, AnEmptyAnswerOrNoShellFadesInVersionUnknown)
{
    for (bool shell : { true, false }) {
        SCOPED_TRACE(shell);
        BundleDevice device;
        if (shell)
            fakeShell(device, "");
        else
            fs::remove(device.device.hostPath("/bin/sh"));
        auto cell = headerAfterLookup();
        EXPECT_EQ(cell->versionLabel()->text(), "Version unknown");
        expectFadedIn(*cell->versionLabel());
        EXPECT_EQ(fw::Journal::take().spawned.size(), shell ? 1u : 0u);
    }
}

TEST(Header, ReadsTheDevicesRealPackageDatabase)
{
    if (!fs::exists("/usr/bin/dpkg"))
        GTEST_SKIP() << "no dpkg on this machine";
    BundleDevice device;
    auto cell = headerAfterLookup();
    EXPECT_EQ(
        cell->versionLabel()->text(), std::string("Version ") + device::packageVersion() + "\n");
}

TEST(Header, StartsWithAnInvisibleVersionLineAndIsAlwaysAHundredHigh)
{
    BundleDevice device;
    auto cell = makeHeader();
    EXPECT_EQ(cell->titleLabel()->text(), "QUILLANE");
    EXPECT_EQ(cell->versionLabel()->text(), "Version unknown");
    EXPECT_EQ(cell->versionLabel()->alpha(), 0);
    for (double width : { 0.0, 320.0, 1024.0 })
        EXPECT_EQ(cell->preferredHeightForWidth(width), 100);
}

TEST(Header, TheLookupKeepsTheCellUntilTheAnswerIsShown)
{
    BundleDevice device;
    fakeShell(device, "2.0\\n");
    std::weak_ptr<qln::QLNHeader> weak = makeHeader();
    EXPECT_FALSE(weak.expired());
    ASSERT_TRUE(fw::settle(std::chrono::seconds(30)));
    EXPECT_TRUE(weak.expired());
}

} // namespace
