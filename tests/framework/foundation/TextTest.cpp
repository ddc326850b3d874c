#include "foundation/Base64.hpp"
#include "foundation/NumberScanner.hpp"
#include "foundation/StringCompare.hpp"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace fw;

TEST(NumberScanner, ReadsTheLeadingNumber)
{
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<const char*, double> cases[] = {
        { "0.5", 0.5 },
        { "  .5", 0.5 },
        { "\t\n-2.5e1x", -25 },
        // Unicode white space and line breaks are skipped too; other invisible characters not.
        { "\u00a0\u30000.5", 0.5 },
        { "\u2028\u0085\u2003-1", -1 },
        { "\u200b0.5", 0 },
        { "\xa0 0.5", 0 },
        { "1e", 1 },
        { "1e+", 1 },
        { "2E2", 200 },
        { "+.5e-1", 0.05 },
        { "5.", 5 },
        { "abc", 0 },
        { "", 0 },
        { ".", 0 },
        { "-", 0 },
        { "e5", 0 },
        { "inf", 0 },
        { "nan", 0 },
        { "0x1p3", 0 },
        { "1,5", 1 },
        { "1e999", inf },
        { "-1e999", -inf },
        { "1e-999", 0 },
        { "00012", 12 },
        { "0.000001e6", 1 },
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(scanDouble(text), expected) << '"' << text << '"';
}

TEST(NumberScanner, FloatIsRoundedOnceToSinglePrecision)
{
    EXPECT_EQ(scanFloat("0.3"), 0.3f);
    EXPECT_NE(static_cast<double>(scanFloat("0.3")), 0.3);
    EXPECT_EQ(formatDouble6(scanFloat("0.3")), "0.300000");
    EXPECT_EQ(scanFloat("abc"), 0.0f);
    EXPECT_EQ(scanFloat("1e39"), std::numeric_limits<float>::infinity());
    // Rounding the double first would give a different float for this value.
    EXPECT_EQ(scanFloat("1.00000005960464477550"), 1.00000011920928955078125f);
}

TEST(NumberScanner, FormatsLikePercentF)
{
    const std::pair<double, const char*> cases[] = {
        { 1.0, "1.000000" },
        { 0.3, "0.300000" },
        { -0.5, "-0.500000" },
        { 0.0000005, "0.000000" },
        { 0.0000015, "0.000002" },
        { 1234567.25, "1234567.250000" },
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(formatDouble6(value), expected) << value;
}

TEST(NumberScanner, ScansHexLikeNSScanner)
{
    struct Case {
        const char* text;
        std::size_t start;
        std::uint32_t expected;
    };
    const Case cases[] = {
        { "#FF8000", 1, 0xFF8000 },
        { "FF8000:0.5", 0, 0xFF8000 },
        { "#ff8000", 1, 0xFF8000 },
        { " #FF", 0, 0 },
        { "0xff", 0, 0xFF },
        { "0XAbC", 0, 0xABC },
        { "0x", 0, 0 },
        { "0xg", 0, 0 },
        { "xyz", 0, 0 },
        { "  \tab", 0, 0xAB },
        { "#\u00a0FF8000", 1, 0xFF8000 },
        { "\u3000\u2029\u1680\u202f0xab", 0, 0xAB },
        { "\u200bab", 0, 0 },
        { "\xc2\x41\x42", 0, 0 }, // a broken sequence before "AB" is no white space
        { "#80FF8000", 1, 0x80FF8000 },
        { "FFFFFFFF", 0, 0xFFFFFFFF },
        { "100000000", 0, 0xFFFFFFFF },
        { "123456789ABCDEF", 0, 0xFFFFFFFF },
        { "#F80", 1, 0xF80 },
        { "", 0, 0 },
        { "#", 1, 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(scanHexInt(c.text, c.start), c.expected) << '"' << c.text << '"';
}

TEST(StringCompare, NumericSearchComparesDigitRunsAsNumbers)
{
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        { "13", "13.0", -1 },
        { "9.3", "13.0", -1 },
        { "12.4", "13.0", -1 },
        { "13.1.2", "13.0", 1 },
        { "13.0", "13.0", 0 },
        { "14", "13.7", 1 },
        { "a2", "a10", -1 },
        { "", "1", -1 },
        { "b", "a", 1 },
        { "99999999999999999999999", "100000000000000000000000", -1 },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compareNumeric(c.a, c.b), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(compareNumeric(c.b, c.a), -c.expected) << c.b << " vs " << c.a;
    }
}

TEST(StringCompare, LocalizedCaseInsensitiveIsAnEnglishCollation)
{
    EXPECT_LT(localizedCaseInsensitiveCompare("apple.plist", "Banana.plist"), 0);
    EXPECT_GT(localizedCaseInsensitiveCompare("zebra", "Apple"), 0);
    EXPECT_EQ(localizedCaseInsensitiveCompare("Wi-Fi", "wi-fi"), 0);
    // Accents still count at secondary strength.
    EXPECT_LT(localizedCaseInsensitiveCompare("resume", "r\xc3\xa9sum\xc3\xa9"), 0);
    EXPECT_LT(localizedCaseInsensitiveCompare("\xc3\xa9t\xc3\xa9", "f"), 0);
}

TEST(Base64, EncodesEveryByteAndDecodesItBack)
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    for (std::size_t length : { 0, 1, 2, 3, 4, 255, 256 }) {
        std::string encoded = base64Encode(bytes.substr(0, length));
        EXPECT_EQ(encoded.size() % 4, 0u);
        EXPECT_EQ(encoded.find('\n'), std::string::npos);
        EXPECT_EQ(base64DecodeStrict(encoded), bytes.substr(0, length)) << length;
    }
    EXPECT_EQ(base64Encode("foo"), "Zm9v");
    EXPECT_EQ(base64Encode("fo"), "Zm8=");
    EXPECT_EQ(base64Encode("f"), "Zg==");
}

TEST(Base64, StrictDecodingAcceptsOnlyTheCanonicalAlphabet)
{
    for (const char* text : { "Zg=", "Zg", "Zm9v\n", "Zm 9v", "Z===", "Zg==Zg==", "Zm9v!AAA",
             "Zm9-", "Zm9_", "====", "=Zm9" })
        EXPECT_FALSE(base64DecodeStrict(text)) << '"' << text << '"';
    EXPECT_EQ(base64DecodeStrict(""), "");
    EXPECT_EQ(base64DecodeStrict("Zm8="), "fo");
    EXPECT_EQ(base64DecodeStrict("+/+/"), "\xfb\xff\xbf");
}

TEST(Base64, LenientDecodingSkipsWhiteSpace)
{
    EXPECT_EQ(base64DecodeLenient("Zm9v\n\t YmFy\n"), "foobar");
    EXPECT_EQ(base64DecodeLenient("Zm9vYg"), "foob") << "missing padding";
    EXPECT_EQ(base64DecodeLenient(" Zg = = "), "f");
    EXPECT_FALSE(base64DecodeLenient("Zm9v!"));
    EXPECT_FALSE(base64DecodeLenient("Zm9vY"));
    EXPECT_FALSE(base64DecodeLenient("Zg==Zg"));
}
