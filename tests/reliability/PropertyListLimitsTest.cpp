// Hostile property lists meet the reader's limits: 512 levels and 32 MiB are read or refused
// exactly at the edge, and shapes built to exhaust the stack or memory are refused.
#include "DeviceFiles.hpp"
#include "HostileFiles.hpp"
#include "ScratchDevice.hpp"
#include "UiDriver.hpp"
#include "foundation/PropertyList.hpp"
#include "store/Settings.hpp"

#include <cmath>
#include <gtest/gtest.h>

using namespace reliability;

TEST(PropertyListLimits, ReadsUpToTheLimitsAndRefusesBeyond)
{
    const std::string soundDocument = xmlNestedArrays(1);
    struct Case {
        const char* what;
        std::string bytes;
        bool readable;
    };
    std::string selfReference = "bplist00";
    selfReference += "\xA1";
    selfReference += '\0'; // the array holds itself
    std::string cycle = selfReference + '\x08' + std::string(6, '\0') + "\x01\x01"
        + std::string(7, '\0') + '\x01' + std::string(8, '\0') + std::string(7, '\0') + '\x0A';
    const Case cases[] = {
        { "XML, 512 levels", xmlNestedArrays(511), true },
        { "XML, 513 levels", xmlNestedArrays(512), false },
        { "XML, 200000 levels", xmlNestedArrays(200000), false },
        { "binary, 512 levels", binaryNestedArrays(512), true },
        { "binary, 513 levels", binaryNestedArrays(513), false },
        { "binary, 100000 levels", binaryNestedArrays(100000), false },
        { "binary, shared arrays that expand to 2^40 objects", binaryNestedArrays(41, 2), false },
        { "binary, shared arrays that expand to 2^10 objects", binaryNestedArrays(11, 2), true },
        { "binary, an array claiming 2^60 elements", binaryArrayClaiming(1ull << 60), false },
        { "binary, an array that holds itself", cycle, false },
        { "XML at the size limit",
            soundDocument + std::string(fw::kMaxPropertyListBytes - soundDocument.size(), ' '),
            true },
        { "XML one byte past the size limit",
            soundDocument + std::string(fw::kMaxPropertyListBytes - soundDocument.size() + 1, ' '),
            false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(fw::parsePropertyList(c.bytes).has_value(), c.readable);
    }
}

TEST(PropertyListLimits, EntityDeclarationsExpandNothing)
{
    std::string bytes = "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [<!ENTITY a \""
        + std::string(1000, 'a')
        + "\"><!ENTITY b "
          "\"&a;&a;&a;&a;&a;&a;&a;&a;\">]>\n<plist><string>&b;&b;&b;&b;</string></plist>";
    auto value = fw::parsePropertyList(bytes);
    // Refused, or read with the references left as they are: never expanded into megabytes.
    if (value) {
        ASSERT_TRUE(value->asString());
        EXPECT_LT(value->asString()->size(), 100u);
    }
}

// The binary form may carry what the XML form cannot (a NUL, a date beyond year 9999): such a
// file reads, but a writer that rewrites it must leave it alone rather than replace it with one
// no reader takes.
TEST(PropertyListLimits, WhatTheXmlFormCannotCarryIsNeverWritten)
{
    ScratchDevice device;
    std::string withNul("#FF\0FF", 6);
    auto binary = binaryDictionary({ { "backgroundTint", withNul }, { "moduleGlyph", "#00FF00" } });
    auto read = fw::parsePropertyList(binary);
    ASSERT_TRUE(read && read->asDictionary());
    EXPECT_FALSE(fw::isRepresentableAsXml(*read));
    writeWholeFile(device.hostPath(qln::settingsFile), binary);

    UiDriver ui(device.root());
    ui.openPage("Sliders");
    ui.send(event("tap", { { "row", rowByKey("brightnessFill") } }));
    ui.send(event("pick", { { "color", "#123456" } }));
    ui.send(event("closePicker"));
    EXPECT_EQ(readWholeFile(device.hostPath(qln::settingsFile)), binary);

    const fw::Dictionary refused[] = {
        { { "a", fw::Value(withNul) } },
        { { withNul, fw::Value("a") } },
        { { "a", fw::Value(fw::Array { fw::Value("\xC0\xAF") }) } },
        { { "a", fw::Value(fw::Date { 1e300 }) } },
        { { "a", fw::Value(fw::Date { std::nan("") }) } },
    };
    for (const auto& dictionary : refused)
        EXPECT_FALSE(fw::writeToFile(dictionary, qln::settingsFile));
    EXPECT_EQ(readWholeFile(device.hostPath(qln::settingsFile)), binary);
    EXPECT_TRUE(fw::writeToFile({ { "a", fw::Value("b\tc\r\n") } }, qln::settingsFile));
    // The writer itself stays defined for any date: the years are clamped to what it writes.
    for (double seconds : { 1e300, -1e300, std::nan(""), 252423993600.0 })
        EXPECT_NE(
            fw::xmlPropertyList(fw::Value(fw::Date { seconds })).find("<date>"), std::string::npos);
}
