#include "presets/PresetExchange.hpp"

#include "foundation/Base64.hpp"
#include "foundation/UIPasteboard.hpp"
#include "presets/PresetsPageSupport.hpp"

#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace bundletest;
using qln::PresetExchange;

constexpr const char* kInvalidMessage
    = "Please make sure that you have a valid Quillane preset in your clipboard and try again.";

fw::UIPasteboard& pasteboard()
{
    return fw::UIPasteboard::generalPasteboard();
}

// Export of preset `name`, then import of the pasteboard under `newName`.
void exportThenImport(
    QLNPresetsController& page, const std::string& name, const std::string& newName)
{
    page.exportPreset(name);
    choose(page, "OK");
    page.importPreset();
    choose(page, "Save", { newName });
}

TEST(PresetExchange, TheStringIsBase64OfThePrefixedText)
{
    EXPECT_EQ(PresetExchange::encode("<plist/>"), fw::base64Encode("Quillane:<plist/>"));
    for (std::string text : { "", "a", "<dict>\n\t<key>x</key>\n</dict>\n", "Grün \xE2\x9C\x93" })
        EXPECT_EQ(PresetExchange::decode(PresetExchange::encode(text)), text);
}

TEST(PresetExport, RoundTripsAPresetByteForByte)
{
    BundleDevice device;
    auto page = device.push<QLNPresetsController>();
    createPreset(*page, "Day");
    pasteboard().setString("earlier content");

    page->exportPreset("Day");
    EXPECT_EQ(shown(*page),
        (std::pair<std::string, std::string> { "Export successful",
            "A unique string containg this preset has "
            "been copied to the clipboard." }));
    choose(*page, "OK");
    std::string file = device.device.read(device.presetFile("Day"));
    EXPECT_EQ(pasteboard().string(), PresetExchange::encode(file));

    auto before = device.persistent();
    std::string settings = device.device.read(qln::settingsFile);
    fw::Journal::take();
    page->importPreset();
    EXPECT_EQ(shown(*page).first, "Import Preset");
    choose(*page, "Save", { "Copy" });
    EXPECT_EQ(device.device.read(device.presetFile("Copy")), file);
    // Import only adds a file: no activation, no settings change, no notification.
    auto journal = fw::Journal::take();
    EXPECT_TRUE(journal.posted.empty());
    ASSERT_EQ(journal.effects.size(), 1u);
    EXPECT_EQ(journal.effects[0].path, device.presetFile("Copy"));
    EXPECT_EQ(device.persistent(), before);
    EXPECT_EQ(device.device.read(qln::settingsFile), settings);
    EXPECT_EQ(presetNames(*page), (std::vector<std::string> { "Copy", "Day" }));
}

TEST(PresetExport, BinaryPresetsTravelInTheirXmlForm)
{
    BundleDevice device;
    // {"on": true, "tint": "#FF0000:1.000000"} in the binary form.
    std::string bplist = fw::base64DecodeStrict("YnBsaXN0MDDSAQIDBFJvblR0aW50CV8QECNGRjAwMDA6MS4w"
                                                "MDAwMDAIDRAVFgAAAAAAAAEBAAAAAAAAAAUAAAAAAAAAAAAA"
                                                "AAAAAAAp")
                             .value();
    device.writePreset("Binary", bplist);
    auto page = device.push<QLNPresetsController>();

    page->exportPreset("Binary");
    EXPECT_EQ(shown(*page).first, "Export successful");
    auto text = PresetExchange::decode(pasteboard().string().value_or(""));
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->starts_with("<?xml"));
    auto value = fw::parsePropertyList(*text);
    ASSERT_TRUE(value);
    EXPECT_EQ(*value,
        fw::Value(fw::Dictionary {
            { "on", fw::Value(true) }, { "tint", fw::Value("#FF0000:1.000000") } }));
}

TEST(PresetExport, RefusesMissingOrNonTextPresetsAndLeavesThePasteboard)
{
    BundleDevice device;
    device.writePreset("Garbage", std::string("\xFF\xFE\x00 not text", 12));
    device.writePreset("Notes", "just some words");
    auto page = device.push<QLNPresetsController>();
    pasteboard().setString("keep me");

    for (const char* name : { "Missing", "Garbage" }) {
        SCOPED_TRACE(name);
        page->exportPreset(name);
        EXPECT_EQ(shown(*page).first, "Export failed");
        EXPECT_NE(shown(*page).second.find("clipboard was not changed"), std::string::npos);
        choose(*page, "OK");
        EXPECT_EQ(pasteboard().string(), "keep me");
    }
    // Any other text goes verbatim, property list or not.
    page->exportPreset("Notes");
    EXPECT_EQ(PresetExchange::decode(*pasteboard().string()), "just some words");
}

TEST(PresetImport, RejectsAnythingButAStrictPrefixedString)
{
    std::string valid = PresetExchange::encode("x");
    struct Case {
        const char* what;
        std::function<void()> arrange;
        const char* title;
    };
    auto string = [](std::string s) { return [s] { pasteboard().setString(s); }; };
    std::vector<Case> cases = {
        { "nothing", [] { pasteboard().clear(); }, "Clipboard empty" },
        { "an image", [] { pasteboard().setOtherItem(); }, "Clipboard empty" },
        { "empty string", string(""), "Import failed" },
        { "trailing line feed", string(valid + "\n"), "Import failed" },
        { "trailing space", string(valid + " "), "Import failed" },
        { "not Base64", string("Quillane:x"), "Import failed" },
        { "prefix in other case", string(fw::base64Encode("quillane:x")), "Import failed" },
        { "no prefix", string(fw::base64Encode("<plist/>")), "Import failed" },
        { "not UTF-8", string(fw::base64Encode("Quillane:\xFF")), "Import failed" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BundleDevice device;
        auto page = device.push<QLNPresetsController>();
        c.arrange();
        fw::Journal::take();
        page->importPreset();
        EXPECT_EQ(shown(*page), (std::pair<std::string, std::string> { c.title, kInvalidMessage }));
        EXPECT_EQ(actionTitles(*presented(*page)), (std::vector<std::string> { "OK" }));
        EXPECT_TRUE(fw::Journal::take().effects.empty());
    }
}

TEST(PresetImport, WritesExactlyTheCarriedTextIncludingNonAsciiAndEmpty)
{
    for (std::string text : { std::string(""), std::string("not a property list"),
             std::string("<string>Grün ✓</string>") }) {
        SCOPED_TRACE(text);
        BundleDevice device;
        auto page = device.push<QLNPresetsController>();
        pasteboard().setString(PresetExchange::encode(text));
        page->importPreset();
        // The pasteboard is read when the import starts, not when the name is confirmed.
        pasteboard().setString(PresetExchange::encode("later"));
        choose(*page, "Save", { "Imported" });
        ASSERT_TRUE(device.device.exists(device.presetFile("Imported")));
        EXPECT_EQ(device.device.read(device.presetFile("Imported")), text);
    }
}

TEST(PresetImport, ATakenNameWritesNothing)
{
    BundleDevice device;
    device.writePreset("Day", "old");
    auto page = device.push<QLNPresetsController>();
    exportThenImport(*page, "Day", "Day");
    EXPECT_EQ(shown(*page),
        (std::pair<std::string, std::string> {
            "Error", "A preset with this name already exists." }));
    EXPECT_EQ(device.device.read(device.presetFile("Day")), "old");
}

} // namespace
