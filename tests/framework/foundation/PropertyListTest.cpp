#include "foundation/PropertyList.hpp"

#include "support/TestDevice.hpp"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <plist/plist.h>

using namespace fw;

namespace {

std::string wrap(std::string_view body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + std::string(body)
        + "</plist>";
}

std::string nestedArrays(int depth)
{
    std::string body;
    for (int i = 0; i < depth; ++i)
        body += "<array>";
    for (int i = 0; i < depth; ++i)
        body += "</array>";
    return wrap(body);
}

std::string bigEndian(std::uint64_t value, int size)
{
    std::string bytes;
    for (int i = size - 1; i >= 0; --i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return bytes;
}

// A binary property list laid out by hand (4-byte offsets and references), so that tests can
// build files no writer would produce.
std::string binaryPlist(const std::vector<std::string>& objects, std::uint64_t top = 0)
{
    std::string file = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (const auto& object : objects) {
        offsets.push_back(file.size());
        file += object;
    }
    std::uint64_t table = file.size();
    for (auto offset : offsets)
        file += bigEndian(offset, 4);
    file += std::string(6, '\0') + '\x04' + '\x04';
    file += bigEndian(objects.size(), 8) + bigEndian(top, 8) + bigEndian(table, 8);
    return file;
}

std::string arrayOf(std::vector<std::uint32_t> references)
{
    std::string object(1, static_cast<char>(0xA0 | references.size()));
    for (auto reference : references)
        object += bigEndian(reference, 4);
    return object;
}

// Object i is an array holding object i + 1; the last one is empty.
std::string binaryChain(int length)
{
    std::vector<std::string> objects;
    for (int i = 0; i + 1 < length; ++i)
        objects.push_back(arrayOf({ static_cast<std::uint32_t>(i + 1) }));
    objects.push_back(arrayOf({}));
    return binaryPlist(objects);
}

int depthOf(const Value& value)
{
    int depth = 1;
    for (const Value* v = &value; v->isArray() && !v->asArray()->empty();
         v = &v->asArray()->front())
        ++depth;
    return depth;
}

std::string toBinary(plist_t node)
{
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(node, &bytes, &length);
    std::string result(bytes, length);
    plist_to_bin_free(bytes);
    plist_free(node);
    return result;
}

} // namespace

TEST(PropertyList, ReadsEveryXmlElement)
{
    struct Case {
        const char* body;
        Value expected;
    };
    const Case cases[] = {
        { "<integer>-42</integer>", Value(-42) },
        { "<integer> 0x1F </integer>", Value(31) },
        { "<integer>9223372036854775807</integer>", Value(INT64_MAX) },
        { "<integer>-9223372036854775808</integer>", Value(INT64_MIN) },
        { "<real>2.5</real>", Value(2.5) },
        { "<real>-1e3</real>", Value(-1000.0) },
        // Apple's spellings of infinity, with and without a sign.
        { "<real>+infinity</real>", Value(std::numeric_limits<double>::infinity()) },
        { "<real>infinity</real>", Value(std::numeric_limits<double>::infinity()) },
        { "<real>+inf</real>", Value(std::numeric_limits<double>::infinity()) },
        { "<real>-infinity</real>", Value(-std::numeric_limits<double>::infinity()) },
        { "<real>+2.5</real>", Value(2.5) },
        { "<true/>", Value(true) },
        { "<false/>", Value(false) },
        { "<string>a &lt;b&gt; &amp; &#x263A;</string>", Value("a <b> & \u263A") },
        { "<string><![CDATA[<x>]]> y</string>", Value("<x> y") },
        { "<string>  </string>", Value("  ") },
        { "<string/>", Value("") },
        { "<string>a<!-- note -->b</string>", Value("ab") },
        { "<data>Zm9v\n\t YmFy</data>", Value(Data { 'f', 'o', 'o', 'b', 'a', 'r' }) },
        { "<date>2001-01-01T00:00:00Z</date>", Value(Date { 0 }) },
        { "<date>2021-06-01T12:00:00Z</date>", Value(Date { 644241600 }) },
        { "<array>\n\t<true/>\n\t<integer>1</integer>\n</array>", Value(Array { true, 1 }) },
        { "<dict>\n</dict>", Value(Dictionary {}) },
        { "<dict><key>b</key><true/><key>a</key><string>x</string><key>b</key><false/></dict>",
            Value(Dictionary { { "a", "x" }, { "b", false } }) },
    };
    for (const auto& c : cases) {
        auto value = parsePropertyList(wrap(c.body));
        ASSERT_TRUE(value) << c.body;
        EXPECT_EQ(*value, c.expected) << c.body;
    }
}

TEST(PropertyList, DamagedXmlIsUnreadable)
{
    const char* bodies[] = {
        "",
        "<dict>",
        "<dict/><dict/>",
        "<foo/>",
        "<dict><key>a</key></dict>",
        "<dict><string>a</string></dict>",
        "<dict><key>a</key>text<true/></dict>",
        "<array>text<true/></array>",
        "<integer>12x</integer>",
        "<integer></integer>",
        "<integer>9223372036854775808</integer>",
        "<real>1.5.2</real>",
        "<real>0x10</real>",
        "<date>2020-13-01T00:00:00Z</date>",
        "<date>2020-01-01</date>",
        "<data>!!!</data>",
        "<string>\xff</string>",
        "<string>\xc3</string>",
        "<string>\xed\xa0\x80</string>",
        "<dict><key>\xc3\x28</key><true/></dict>",
        // References to surrogates in an otherwise plain ASCII document.
        "<string>&#xD800;</string>",
        "<dict><key>&#57343;</key><true/></dict>",
        "<string><b/></string>",
    };
    for (const char* body : bodies)
        EXPECT_FALSE(parsePropertyList(wrap(body))) << body;
    EXPECT_FALSE(parsePropertyList(""));
    EXPECT_FALSE(parsePropertyList("<dict/>")) << "the root must be a plist element";
    EXPECT_FALSE(parsePropertyList(wrap("<dict>").substr(0, 40)));
}

TEST(PropertyList, NestingIsLimitedTo512Levels)
{
    auto deepest = parsePropertyList(nestedArrays(kMaxPropertyListDepth));
    ASSERT_TRUE(deepest);
    EXPECT_EQ(depthOf(*deepest), kMaxPropertyListDepth);
    EXPECT_FALSE(parsePropertyList(nestedArrays(kMaxPropertyListDepth + 1)));
    EXPECT_FALSE(parsePropertyList(nestedArrays(600)));
    EXPECT_FALSE(parsePropertyList(nestedArrays(100000)));
}

TEST(PropertyList, ReadsTheBinaryForm)
{
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "colour", plist_new_string("#FF7F00:1.000000"));
    plist_dict_set_item(root, "enabled", plist_new_bool(1));
    plist_dict_set_item(root, "count", plist_new_uint(static_cast<std::uint64_t>(-7)));
    plist_dict_set_item(root, "alpha", plist_new_real(0.3));
    plist_dict_set_item(root, "name", plist_new_string("Caf\xc3\xa9 \xe2\x98\xba"));
    plist_dict_set_item(root, "bytes", plist_new_data("\x01\x02", 2));
    plist_dict_set_item(root, "when", plist_new_date(86400, 0));
    plist_t list = plist_new_array();
    plist_array_append_item(list, plist_new_bool(0));
    plist_array_append_item(list, plist_new_dict());
    plist_dict_set_item(root, "list", list);

    auto value = parsePropertyList(toBinary(root));
    ASSERT_TRUE(value);
    Dictionary expected { { "colour", "#FF7F00:1.000000" }, { "enabled", true }, { "count", -7 },
        { "alpha", 0.3 }, { "name", "Caf\xc3\xa9 \xe2\x98\xba" }, { "bytes", Data { 1, 2 } },
        { "when", Date { 86400 } }, { "list", Array { false, Dictionary {} } } };
    EXPECT_EQ(*value, Value(expected));
}

TEST(PropertyList, HandMadeBinaryFilesAreCheckedBeforeReading)
{
    auto chain = parsePropertyList(binaryChain(10));
    ASSERT_TRUE(chain) << "the hand-made layout itself must be readable";
    EXPECT_EQ(depthOf(*chain), 10);
    EXPECT_TRUE(parsePropertyList(binaryChain(kMaxPropertyListDepth)));
    EXPECT_FALSE(parsePropertyList(binaryChain(kMaxPropertyListDepth + 1)));
    // Deep enough to overflow the stack of a recursive reader.
    EXPECT_FALSE(parsePropertyList(binaryChain(100000)));
    // Two arrays holding each other.
    EXPECT_FALSE(parsePropertyList(binaryPlist({ arrayOf({ 1 }), arrayOf({ 0 }) })));
    // Each level refers twice to the next: 2^60 objects once expanded.
    std::vector<std::string> doubling;
    for (std::uint32_t i = 0; i < 60; ++i)
        doubling.push_back(arrayOf({ i + 1, i + 1 }));
    doubling.push_back(arrayOf({}));
    EXPECT_FALSE(parsePropertyList(binaryPlist(doubling)));
    // A reference past the object table, and a string that is not UTF-8.
    EXPECT_FALSE(parsePropertyList(binaryPlist({ arrayOf({ 5 }) })));
    EXPECT_FALSE(parsePropertyList(binaryPlist({ "\x51\xff" })));
    EXPECT_TRUE(parsePropertyList(binaryPlist({ "\x51x" })));
}

TEST(PropertyList, DamagedBinaryIsUnreadable)
{
    std::string good = binaryChain(3);
    ASSERT_TRUE(parsePropertyList(good));
    EXPECT_FALSE(parsePropertyList(good.substr(0, good.size() - 10)));
    EXPECT_FALSE(parsePropertyList(good.substr(0, 20)));
    EXPECT_FALSE(parsePropertyList("bplist00"));
    std::string badOffset = good;
    badOffset[badOffset.size() - 1] = '\x7f'; // offset table pointing into the trailer
    EXPECT_FALSE(parsePropertyList(badOffset));
}

TEST(PropertyList, OversizedInputIsUnreadable)
{
    std::string big = wrap("<string>" + std::string(kMaxPropertyListBytes, 'a') + "</string>");
    EXPECT_FALSE(parsePropertyList(big));
    big.resize(big.size() - 1000);
    big += "</string></plist>";
    ASSERT_LE(big.size(), kMaxPropertyListBytes);
    EXPECT_TRUE(parsePropertyList(big)) << "just under the limit still reads";
}

TEST(PropertyList, WritesApplesXmlForm)
{
    Dictionary dictionary { { "b", Array { true, "x<&>" } }, { "a", 1 }, { "c", Dictionary {} },
        { "d", Data { 0, 1, 2 } }, { "e", Date { 0 } }, { "f", 0.1 } };
    EXPECT_EQ(xmlPropertyList(Value(dictionary)),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n"
        "<dict>\n"
        "\t<key>a</key>\n\t<integer>1</integer>\n"
        "\t<key>b</key>\n\t<array>\n\t\t<true/>\n\t\t<string>x&lt;&amp;&gt;</string>\n"
        "\t</array>\n"
        "\t<key>c</key>\n\t<dict/>\n"
        "\t<key>d</key>\n\t<data>\n\tAAEC\n\t</data>\n"
        "\t<key>e</key>\n\t<date>2001-01-01T00:00:00Z</date>\n"
        "\t<key>f</key>\n\t<real>0.10000000000000001</real>\n"
        "</dict>\n"
        "</plist>\n");
}

TEST(PropertyList, WrittenValuesReadBackExactly)
{
    Data bytes(300);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    Dictionary dictionary {
        { "reals",
            Array { 0.1, 1.0 / 3, 1e-300, 5e-324, 1.7976931348623157e308, -0.0, 123456789.123456789,
                static_cast<double>(0.3f), 1.0 } },
        { "strings",
            Array { "a<b>&c", "  ", "\r\n", "\t", "\"'", "\xc3\xbc \xe2\x98\xba", "]]>" } },
        { "k<&>", INT64_MIN },
        { "bytes", bytes },
        { "date", Date { -86400.0 * 365 } },
        { "nested", Array { Array { Dictionary { { "x", false } } } } },
    };
    auto back = parsePropertyList(xmlPropertyList(Value(dictionary)));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, Value(dictionary));
    EXPECT_TRUE(std::signbit(*back->asDictionary()->at("reals").asArray()->at(5).asReal()));
}

TEST(PropertyList, LibplistReadsWhatWeWrite)
{
    Dictionary dictionary { { "colour", "#FF7F00:0.300000" }, { "on", true }, { "n", 5 },
        { "list", Array { 0.25, "\xc3\xa9" } } };
    std::string xml = xmlPropertyList(Value(dictionary));
    plist_t node = nullptr;
    plist_from_xml(xml.data(), static_cast<std::uint32_t>(xml.size()), &node);
    ASSERT_NE(node, nullptr);
    auto back = parsePropertyList(toBinary(node));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, Value(dictionary));
}

TEST(PropertyList, FilesAreReadAndWrittenAsDictionaries)
{
    TestDevice device;
    const std::string path = "/User/Library/Preferences/test.plist";
    EXPECT_FALSE(dictionaryWithContentsOfFile(path)) << "missing file";
    Dictionary dictionary { { "key", "value" } };
    ASSERT_TRUE(writeToFile(dictionary, "/var/mobile/Library/Preferences/test.plist"));
    EXPECT_EQ(dictionaryWithContentsOfFile(path), dictionary);

    device.write("/array.plist", wrap("<array/>"));
    EXPECT_TRUE(propertyListWithContentsOfFile("/array.plist"));
    EXPECT_FALSE(dictionaryWithContentsOfFile("/array.plist")) << "root is not a dictionary";

    // White space after the root keeps the file valid, only too large.
    device.write("/array.plist", wrap("<array/>") + std::string(kMaxPropertyListBytes, '\n'));
    EXPECT_FALSE(propertyListWithContentsOfFile("/array.plist"));
}
