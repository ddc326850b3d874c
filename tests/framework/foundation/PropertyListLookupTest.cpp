#include "foundation/PropertyList.hpp"
#include "support/TestDevice.hpp"

#include <gtest/gtest.h>

using namespace fw;

namespace {

std::string wrap(std::string_view body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + std::string(body)
        + "</plist>";
}

constexpr std::string_view kPath = "/var/mobile/Library/Preferences/lookup.plist";

} // namespace

// One value read from a file must be what the whole dictionary holds under that key, including
// every reason the whole file counts as unreadable.
TEST(PropertyListLookup, AgreesWithTheWholeDictionary)
{
    struct Case {
        const char* name;
        std::string file;
        std::string key;
    };
    const Case cases[] = {
        { "found", wrap("<dict><key>a</key><string>#FF0000</string><key>b</key><true/></dict>"),
            "a" },
        { "nested",
            wrap("<dict><key>a</key><dict><key>x</key><array><real>0.5</real></array>"
                 "</dict></dict>"),
            "a" },
        { "absent", wrap("<dict><key>a</key><integer>1</integer></dict>"), "b" },
        { "repeated key keeps the last",
            wrap("<dict><key>a</key><integer>1</integer><key>a</key><integer>2</integer></dict>"),
            "a" },
        { "damage in another value",
            wrap("<dict><key>a</key><string>x</string><key>b</key>"
                 "<integer>1.5</integer></dict>"),
            "a" },
        { "damage in a nested value",
            wrap("<dict><key>a</key><string>x</string><key>b</key>"
                 "<array><date>yesterday</date></array></dict>"),
            "a" },
        { "text between entries",
            wrap("<dict><key>a</key><string>x</string>stray<key>b</key><true/></dict>"), "a" },
        { "invalid UTF-8 elsewhere",
            wrap("<dict><key>a</key><string>x</string><key>b</key><string>\xff</string></dict>"),
            "a" },
        { "not a dictionary", wrap("<array><string>a</string></array>"), "a" },
        { "broken XML", wrap("<dict><key>a</key><string>x</string>"), "a" },
    };
    for (const auto& c : cases) {
        TestDevice device;
        device.write(kPath, c.file);
        auto whole = dictionaryWithContentsOfFile(kPath);
        const Value* expected = whole ? lookup(*whole, c.key) : nullptr;
        auto found = valueForKeyInFile(kPath, c.key);
        ASSERT_EQ(found.has_value(), expected != nullptr) << c.name;
        if (expected) {
            EXPECT_EQ(*found, *expected) << c.name;
        }
    }
}

TEST(PropertyListLookup, ReadsTheBinaryFormAndMissingFiles)
{
    TestDevice device;
    EXPECT_FALSE(valueForKeyInFile(kPath, "a"));
    // {"a": "x"} in the binary form: a dictionary of one pair, then the two strings.
    std::string file = "bplist00";
    file += "\xd1\x01\x02"
            "\x51"
            "a"
            "\x51"
            "x";
    file += std::string("\x08\x0b\x0d", 3);
    file += std::string(6, '\0') + "\x01\x01";
    file += std::string(7, '\0') + "\x03" + std::string(8, '\0') + std::string(7, '\0') + "\x0f";
    device.write(kPath, file);
    ASSERT_TRUE(parsePropertyList(file)) << "the hand-made file itself must be readable";
    EXPECT_EQ(valueForKeyInFile(kPath, "a"), Value("x"));
    EXPECT_FALSE(valueForKeyInFile(kPath, "b"));
}
