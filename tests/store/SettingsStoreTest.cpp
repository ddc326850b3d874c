#include "store/SettingsStore.hpp"

#include "foundation/Journal.hpp"
#include "foundation/PropertyList.hpp"
#include "pages/QLNBaseController.hpp"
#include "store/NSNotificationCenter+Quillane.hpp"
#include "store/Settings.hpp"
#include "support/TestDevice.hpp"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const std::string kSettings(qln::settingsFile);
const std::string kPersistent(qln::persistentFile);

// Writes a file the test starts from, without leaving it in the journal.
void seed(std::string_view path, const fw::Dictionary& contents)
{
    ASSERT_TRUE(fw::writeToFile(contents, path));
    fw::Journal::take();
}

std::vector<std::string> effectList(const fw::JournalEntries& entries)
{
    std::vector<std::string> list;
    for (const auto& effect : entries.effects)
        list.push_back(effect.op + " " + (effect.op == "post" ? effect.name : effect.path));
    return list;
}

std::shared_ptr<fw::PSSpecifier> row(std::optional<std::string> key,
    std::optional<fw::Value> fallback = std::nullopt, bool withDomain = true)
{
    auto spec = fw::PSSpecifier::preferenceSpecifierNamed(
        "Row", nullptr, "", "", nullptr, fw::PSSwitchCell, nullptr);
    if (key)
        spec->setProperty(fw::Value(*key), "key");
    if (withDomain)
        spec->setProperty(fw::Value(qln::settingsDomain), "defaults");
    if (fallback)
        spec->setProperty(*fallback, "default");
    return spec;
}

class SettingsStore : public testing::Test {
protected:
    TestDevice device;
    std::shared_ptr<qln::QLNBaseController> page = std::make_shared<qln::QLNBaseController>();
};

TEST_F(SettingsStore, RowReadPrefersTheStoredValueThenTheDefault)
{
    seed(kSettings, { { "stored", fw::Value("#112233:1.000000") }, { "flag", fw::Value(false) } });
    struct Case {
        std::shared_ptr<fw::PSSpecifier> spec;
        std::optional<fw::Value> expected;
    };
    std::vector<Case> cases {
        { row("stored", fw::Value("#FFFFFF")), fw::Value("#112233:1.000000") },
        { row("flag", fw::Value(true)), fw::Value(false) },
        { row("absent", fw::Value(7)), fw::Value(7) },
        { row("absent"), std::nullopt },
        // Without a domain the path names no file, so the default answers.
        { row("stored", fw::Value("fallback"), false), fw::Value("fallback") },
        { row(std::nullopt, fw::Value("keyless")), fw::Value("keyless") },
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(page->readPreferenceValue(cases[i].spec), cases[i].expected) << "case " << i;
}

TEST_F(SettingsStore, RowReadWithoutSettingsFileGivesTheDefault)
{
    EXPECT_EQ(page->readPreferenceValue(row("a", fw::Value(3))), fw::Value(3));
}

TEST_F(SettingsStore, RowWriteKeepsOtherKeysMarksUnsavedThenNotifies)
{
    seed(kSettings, { { "a", fw::Value(1) }, { "b", fw::Value("keep") } });
    seed(kPersistent, { { "unsaved", fw::Value(false) }, { "currentPreset", fw::Value("Night") } });

    page->setPreferenceValue(fw::Value(true), row("a"));

    auto journal = fw::Journal::take();
    EXPECT_EQ(effectList(journal),
        (std::vector<std::string> {
            "write " + kSettings, "write " + kPersistent, "post com.tarrowvine.quillane/update" }));
    EXPECT_EQ(journal.posted, std::vector<std::string> { "com.tarrowvine.quillane/update" });
    EXPECT_EQ(qln::readSettings(),
        (fw::Dictionary { { "a", fw::Value(true) }, { "b", fw::Value("keep") } }));
    auto persistent = fw::dictionaryWithContentsOfFile(kPersistent);
    ASSERT_TRUE(persistent);
    EXPECT_EQ(*persistent,
        (fw::Dictionary {
            { "unsaved", fw::Value(true) }, { "currentPreset", fw::Value("Night") } }));
}

TEST_F(SettingsStore, RowWriteWithoutSettingsFileStillMarksAndNotifies)
{
    seed(kPersistent, {});
    page->setPreferenceValue(fw::Value(1), row("a"));
    EXPECT_EQ(effectList(fw::Journal::take()),
        (std::vector<std::string> {
            "write " + kPersistent, "post com.tarrowvine.quillane/update" }));
    EXPECT_FALSE(device.exists(kSettings));
    EXPECT_EQ(fw::dictionaryWithContentsOfFile(kPersistent),
        (fw::Dictionary { { "unsaved", fw::Value(true) } }));
}

TEST_F(SettingsStore, RowWriteWithoutPersistentFileCreatesNone)
{
    seed(kSettings, {});
    page->setPreferenceValue(fw::Value("x"), row("a"));
    EXPECT_EQ(effectList(fw::Journal::take()),
        (std::vector<std::string> { "write " + kSettings, "post com.tarrowvine.quillane/update" }));
    EXPECT_FALSE(device.exists(kPersistent));
    EXPECT_EQ(qln::readSettings(), (fw::Dictionary { { "a", fw::Value("x") } }));
}

TEST_F(SettingsStore, RowWithoutKeyWritesAndAnnouncesNothing)
{
    seed(kSettings, { { "a", fw::Value(1) } });
    seed(kPersistent, {});
    page->setPreferenceValue(fw::Value(2), row(std::nullopt));
    EXPECT_TRUE(fw::Journal::take().effects.empty());
}

TEST_F(SettingsStore, BothSpellingsOfTheSettingsPathNameOneFile)
{
    seed(kSettings, {});
    page->setPreferenceValue(fw::Value(5), row("five"));
    EXPECT_EQ(qln::readSettings(qln::settingsFileVarMobile), qln::readSettings(qln::settingsFile));
    EXPECT_EQ(qln::readSettings(qln::settingsFileVarMobile),
        (fw::Dictionary { { "five", fw::Value(5) } }));
}

TEST_F(SettingsStore, PreferencesPathUsesTheDomain)
{
    std::string domain = "com.example";
    EXPECT_EQ(
        qln::preferencesPathForDomain(&domain), "/User/Library/Preferences/com.example.plist");
    EXPECT_EQ(qln::preferencesPathForDomain(nullptr), "/User/Library/Preferences/(null).plist");
}

TEST(UniqueObserver, RegisteringTwiceLeavesOneRegistration)
{
    auto& local = fw::NSNotificationCenter::defaultCenter();
    auto& distributed = fw::NSDistributedNotificationCenter::defaultCenter();
    struct Case {
        const char* what;
        fw::NSNotificationCenter* first;
        fw::NSNotificationCenter* second;
    };
    // Each centre on its own: the repeat must be removed, not merely sent elsewhere. Whichever
    // centre the message goes to, the registration lands on the default centre.
    const Case cases[] = {
        { "default twice", &local, &local },
        { "distributed twice", &distributed, &distributed },
        { "default, then distributed", &local, &distributed },
        { "distributed, then default", &distributed, &local },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto observer = std::make_shared<fw::NSObject>();
        auto other = std::make_shared<fw::NSObject>();
        qln::addUniqueObserver(local, other, "reloadSpecifiers", "qln.test.unique");
        qln::addUniqueObserver(*c.first, observer, "reloadSpecifiers", "qln.test.unique");
        qln::addUniqueObserver(*c.second, observer, "reloadSpecifiers", "qln.test.unique");
        // One for the observer, one for the other observer, which a repeat leaves alone.
        EXPECT_EQ(local.observerCount("qln.test.unique"), 2);
        EXPECT_EQ(distributed.observerCount("qln.test.unique"), 0);
        local.removeObserver(observer.get());
        EXPECT_EQ(local.observerCount("qln.test.unique"), 1);
        local.removeObserver(other.get());
    }
}

} // namespace
