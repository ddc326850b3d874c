// Themes made from images: the colours they take, the legibility they keep, and what they refuse.
#include "BuildPaths.hpp"
#include "foundation/Device.hpp"
#include "foundation/PropertyList.hpp"
#include "imagetheme/ColourEntry.hpp"
#include "imagetheme/ImagePreset.hpp"
#include "imagetheme/SyntheticImages.hpp"
#include "imagetheme/WallpaperStore.hpp"
#include "support/ScriptDriver.hpp"
#include "theming/ColourValue.hpp"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

using namespace imagetheme;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPresets = "/User/Library/Preferences/com.tarrowvine.quillane.presets/";

// An independent reading of the WCAG formulas, applied to the colours as the preset file
// stores them.
double luminanceOf(const theming::Rgba& c)
{
    auto linear
        = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.red) + 0.7152 * linear(c.green) + 0.0722 * linear(c.blue);
}

theming::Rgba paintedOver(const theming::Rgba& top, const theming::Rgba& bottom)
{
    double a = top.alpha + bottom.alpha * (1 - top.alpha);
    auto mix = [&](double t, double b) {
        return (t * top.alpha + b * bottom.alpha * (1 - top.alpha)) / a;
    };
    return { mix(top.red, bottom.red), mix(top.green, bottom.green), mix(top.blue, bottom.blue),
        a };
}

Lab labOf(const theming::Rgba& c)
{
    auto byte = [](double v) { return static_cast<std::uint8_t>(std::lround(v * 255)); };
    return toLab(Srgb { byte(c.red), byte(c.green), byte(c.blue) });
}

Lab labOf(synthetic::Rgb c)
{
    return toLab(Srgb { c.red, c.green, c.blue });
}

bool isBackgroundKey(std::string_view key)
{
    if (key.find("Glyph") != std::string_view::npos || key.find("Text") != std::string_view::npos)
        return false;
    return key.find("Background") != std::string_view::npos || key.ends_with("Disabled")
        || key.ends_with("Enabled") || key.ends_with("Track") || key.ends_with("Placeholder");
}

// Every glyph and text, composited over its stack and the image's mean colour, reaches its
// ratio; answers the foregrounds checked.
std::set<std::string> expectLegiblePairs(
    const Theme& theme, const std::map<std::string, theming::Rgba>& colours)
{
    std::set<std::string> foregrounds;
    theming::Rgba backdrop { theme.backdrop.red / 255.0, theme.backdrop.green / 255.0,
        theme.backdrop.blue / 255.0, 1 };
    for (const LegibilityPair& pair : theme.pairs) {
        theming::Rgba below = backdrop;
        for (auto layer = pair.layers.rbegin(); layer != pair.layers.rend(); ++layer)
            below = paintedOver(colours.at(*layer), below);
        theming::Rgba top = paintedOver(colours.at(pair.foreground), below);
        double high = std::max(luminanceOf(top), luminanceOf(below));
        double low = std::min(luminanceOf(top), luminanceOf(below));
        EXPECT_GE((high + 0.05) / (low + 0.05), pair.minimumRatio) << pair.foreground;
        foregrounds.insert(pair.foreground);
    }
    return foregrounds;
}

class ImageThemeTest : public ::testing::Test {
protected:
    ImageThemeTest()
        : device({ "--all-tweaks" })
    {
        fw::Device::setRoot(device.root());
        settingsBefore = device.read("/User/Library/Preferences/com.tarrowvine.quillane.plist");
        persistentBefore
            = device.read("/User/Library/Preferences/com.tarrowvine.quillane.persistent.plist");
    }

    std::map<std::string, theming::Rgba> presetColours(const std::string& name)
    {
        auto preset = fw::dictionaryWithContentsOfFile(std::string(kPresets) + name + ".plist");
        EXPECT_TRUE(preset.has_value()) << name;
        std::map<std::string, theming::Rgba> colours;
        for (const auto& [key, value] : preset.value_or(fw::Dictionary {})) {
            const std::string* text = value.asString();
            if (auto colour = text ? theming::parseColourValue(*text) : std::nullopt)
                colours[key] = *colour;
        }
        return colours;
    }

    std::vector<std::string> presetFiles()
    {
        std::vector<std::string> names;
        fs::path folder = device.path(std::string(kPresets));
        if (fs::exists(folder)) {
            for (const auto& entry : fs::directory_iterator(folder))
                names.push_back(entry.path().filename().string());
        }
        return names;
    }

    void expectStateUntouched()
    {
        EXPECT_EQ(
            device.read("/User/Library/Preferences/com.tarrowvine.quillane.plist"), settingsBefore);
        EXPECT_EQ(device.read("/User/Library/Preferences/com.tarrowvine.quillane.persistent.plist"),
            persistentBefore);
    }

    ScriptDevice device;
    std::string settingsBefore;
    std::string persistentBefore;
};

struct ColourCase {
    const char* name;
    std::function<std::string()> image;
    // Dominant colours but the first (which the containers take): each on some background,
    // ΔE00 ≤ 5.
    std::vector<synthetic::Rgb> dominant;
    std::optional<synthetic::Rgb> accent; // on the enabled toggles, ΔE00 ≤ 5
    std::vector<synthetic::Rgb> absent; // on no key at all (ΔE00 > 10)
    // The containers in this colour's hue (a grey stays grey), at whatever lightness standing
    // out from the wallpaper takes.
    std::optional<synthetic::Rgb> containerHue;
};

using synthetic::Encoding;
constexpr synthetic::Rgb slate { 40, 40, 50 };
constexpr synthetic::Rgb red { 200, 30, 40 };

std::string slateAndRed(Encoding encoding)
{
    return synthetic::encode(synthetic::twoColours(300, 200, 180, slate, red), encoding);
}

const std::vector<ColourCase>& colourCases()
{
    static const std::vector<ColourCase> cases {
        { "two flat colours, PNG", [] { return slateAndRed(Encoding::Png); }, { red }, red, {},
            slate },
        { "two flat colours, JPEG", [] { return slateAndRed(Encoding::Jpeg); }, { red }, red, {},
            slate },
        { "two flat colours, WebP", [] { return slateAndRed(Encoding::Webp); }, { red }, red, {},
            slate },
        { "two flat colours, HEIC", [] { return slateAndRed(Encoding::Heic); }, { red }, red, {},
            slate },
        { "two flat colours, Display P3 profile",
            [] {
                return synthetic::encodeAsDisplayP3(
                    synthetic::twoColours(300, 200, 180, slate, red));
            },
            { red }, red, {}, slate },
        { "gradient",
            [] {
                return synthetic::encode(
                    synthetic::gradient(256, 64, { 20, 50, 150 }, { 250, 190, 40 }), Encoding::Png);
            },
            {}, std::nullopt, {}, std::nullopt },
        { "photo-like noise",
            [] {
                return synthetic::encode(
                    synthetic::noise(256, 256, { 90, 120, 60 }, 18), Encoding::Jpeg);
            },
            {}, std::nullopt, {}, synthetic::Rgb { 90, 120, 60 } },
        { "greyscale",
            [] {
                return synthetic::encode(
                    synthetic::greyTwoLevels(200, 100, 140, 210, 60), Encoding::Png);
            },
            { { 60, 60, 60 } }, std::nullopt, {}, synthetic::Rgb { 210, 210, 210 } },
        { "alpha channel",
            [] {
                return synthetic::encode(
                    synthetic::halfTransparent(200, 100, 150, red, { 30, 150, 90 }), Encoding::Png);
            },
            {}, std::nullopt, { red }, synthetic::Rgb { 30, 150, 90 } },
    };
    return cases;
}

} // namespace

TEST_F(ImageThemeTest, SyntheticImagesGiveTheirColoursAndLegiblePairs)
{
    ThemeTargets targets = readThemeTargets();
    ASSERT_FALSE(targets.moduleIdentifiers.empty());
    int number = 0;
    for (const ColourCase& test : colourCases()) {
        SCOPED_TRACE(test.name);
        std::string bytes = test.image();
        std::string name = createPresetFromImage(bytes, "case " + std::to_string(++number));
        auto colours = presetColours(name);
        Theme theme = themeFromImage(bytes, targets);

        // Every colour row of the layout files and both states of every enabled module.
        for (const auto& group : targets.groups)
            for (const auto& row : group.rows)
                EXPECT_TRUE(colours.contains(row.key)) << row.key;
        for (const std::string& module : targets.moduleIdentifiers) {
            EXPECT_TRUE(colours.contains(module + "Enabled")) << module;
            EXPECT_TRUE(colours.contains(module + "Disabled")) << module;
        }

        for (synthetic::Rgb expected : test.dominant) {
            bool shown = std::any_of(colours.begin(), colours.end(), [&](const auto& entry) {
                return isBackgroundKey(entry.first)
                    && deltaE2000(labOf(entry.second), labOf(expected)) <= 5;
            });
            EXPECT_TRUE(shown) << "dominant " << int(expected.red) << "," << int(expected.green)
                               << "," << int(expected.blue) << " is on no background";
        }
        if (test.accent) {
            EXPECT_LE(deltaE2000(labOf(colours["wifiEnabled"]), labOf(*test.accent)), 5);
        }
        for (synthetic::Rgb unwanted : test.absent) {
            for (const auto& [key, colour] : colours)
                EXPECT_GT(deltaE2000(labOf(colour), labOf(unwanted)), 10) << key;
        }
        if (test.containerHue) {
            Lab container = labOf(colours["moduleContainerBackground"]);
            Lab wanted = labOf(*test.containerHue);
            if (chroma(wanted) < 5) {
                EXPECT_LT(chroma(container), 8);
            } else {
                double turn = std::abs(std::atan2(container.b, container.a)
                                  - std::atan2(wanted.b, wanted.a))
                    * 180 / M_PI;
                EXPECT_LE(std::min(turn, 360 - turn), 20);
            }
        }
        // Enabled toggles must be told apart from the module they sit in, even in a grey image.
        EXPECT_GE(deltaE2000(labOf(colours["wifiEnabled"]),
                      labOf(colours["connectivityContainerBackground"])),
            10);

        std::set<std::string> foregrounds = expectLegiblePairs(theme, colours);
        std::set<std::string> moduleKeys;
        for (const std::string& module : targets.moduleIdentifiers)
            moduleKeys.insert({ module + "Enabled", module + "Disabled" });
        for (const auto& [key, colour] : colours) {
            if (moduleKeys.contains(key))
                continue;
            if (key.find("Glyph") != std::string::npos || key.find("Text") != std::string::npos) {
                EXPECT_TRUE(foregrounds.contains(key)) << key << " is checked against nothing";
            }
        }
    }
    expectStateUntouched();
}

namespace {

// Photos of the kinds that gave themes a designer would not keep: their scenes top to bottom.
struct Photo {
    const char* name;
    std::vector<synthetic::Rgb> bands;
    double grain;
};

const std::vector<Photo>& photoSet()
{
    static const std::vector<Photo> photos {
        { "sunset", { { 88, 52, 96 }, { 214, 96, 52 }, { 240, 150, 70 }, { 200, 85, 40 } }, 10 },
        { "pale", { { 246, 240, 228 }, { 238, 228, 208 }, { 230, 219, 199 } }, 6 },
        { "dark", { { 18, 20, 30 }, { 34, 30, 46 }, { 10, 10, 16 } }, 6 },
        { "grey", { { 128, 128, 130 }, { 156, 156, 158 }, { 104, 104, 106 } }, 8 },
        { "one strong colour", { { 0, 92, 204 }, { 0, 84, 196 } }, 6 },
    };
    return photos;
}

double contrastOf(const theming::Rgba& top, const theming::Rgba& below)
{
    theming::Rgba drawn = paintedOver(top, below);
    double high = std::max(luminanceOf(drawn), luminanceOf(below));
    double low = std::min(luminanceOf(drawn), luminanceOf(below));
    return (high + 0.05) / (low + 0.05);
}

} // namespace

// The figures the README gives are this test's output: the least separation of an enabled state
// from its disabled one, the least contrast of a container against the wallpaper as seen, and the
// status bar's contrast against it, per photo.
TEST_F(ImageThemeTest, ThemesFromPhotosKeepStatesApartContainersInSightAndTheStatusBarLegible)
{
    ThemeTargets targets = readThemeTargets();
    for (const Photo& photo : photoSet()) {
        SCOPED_TRACE(photo.name);
        std::string bytes = synthetic::encode(
            synthetic::scene(480, 320, photo.bands, photo.grain), Encoding::Jpeg);
        auto colours = presetColours(createPresetFromImage(bytes, photo.name));
        Theme theme = themeFromImage(bytes, targets);
        theming::Rgba mean { theme.backdrop.red / 255.0, theme.backdrop.green / 255.0,
            theme.backdrop.blue / 255.0, 1 };
        theming::Rgba seen = paintedOver(colours.at("backgroundTint"), mean);

        double leastSeparation = 100;
        std::vector<std::string> stems { "airplane", "cellularData", "wifi", "bluetooth", "airdrop",
            "hotspot" };
        stems.insert(
            stems.end(), targets.moduleIdentifiers.begin(), targets.moduleIdentifiers.end());
        for (const std::string& stem : stems) {
            double separation = deltaE2000(
                labOf(colours.at(stem + "Enabled")), labOf(colours.at(stem + "Disabled")));
            EXPECT_GE(separation, kStateSeparation) << stem;
            leastSeparation = std::min(leastSeparation, separation);
        }
        double leastContainer = 21;
        for (const auto& [key, colour] : colours) {
            if (key.find("ContainerBackground") == std::string::npos
                && !key.ends_with("MenuBackground"))
                continue;
            double contrast = contrastOf(colour, seen);
            EXPECT_GE(contrast, kContainerContrast) << key;
            leastContainer = std::min(leastContainer, contrast);
        }
        double statusBar = contrastOf(colours.at("statusBarText"), seen);
        EXPECT_GE(statusBar, kTextContrast);
        EXPECT_GE(contrastOf(colours.at("statusText"), seen), kTextContrast);
        EXPECT_GE(contrastOf(colours.at("chevronGlyph"), seen), kGlyphContrast);
        expectLegiblePairs(theme, colours);
        std::printf("%-18s mean #%02X%02X%02X  states ΔE00 ≥ %.1f  containers ≥ %.2f:1  "
                    "status bar %.2f:1\n",
            photo.name, theme.backdrop.red, theme.backdrop.green, theme.backdrop.blue,
            leastSeparation, leastContainer, statusBar);
    }
    expectStateUntouched();
}

TEST_F(ImageThemeTest, TheSameImageGivesTheSamePresetByteForByte)
{
    std::string bytes
        = synthetic::encode(synthetic::noise(300, 200, { 150, 80, 120 }, 40), Encoding::Jpeg);
    std::string first = createPresetFromImage(bytes, "Sunset");
    std::string second = createPresetFromImage(bytes, "Sunset");
    std::string third = createPresetFromImage(bytes, "Sunset");
    EXPECT_EQ(first, "Sunset");
    EXPECT_EQ(second, "Sunset 2");
    EXPECT_EQ(third, "Sunset 3");
    std::string firstBytes = device.read(std::string(kPresets) + "Sunset.plist");
    EXPECT_FALSE(firstBytes.empty());
    EXPECT_EQ(device.read(std::string(kPresets) + "Sunset 2.plist"), firstBytes);
    EXPECT_EQ(device.read(std::string(kPresets) + "Sunset 3.plist"), firstBytes);
    // The settings' own switches come with it, so loading the preset gives a whole settings file.
    auto preset = fw::dictionaryWithContentsOfFile(std::string(kPresets) + "Sunset.plist");
    ASSERT_TRUE(preset);
    EXPECT_TRUE(preset->contains("connectivityPosition0"));
    expectStateUntouched();
}

TEST_F(ImageThemeTest, AcceptsFiftyMegapixelPhotos)
{
    std::string bytes = synthetic::flatJpeg(8660, 5774, { 70, 110, 170 });
    std::string name = createPresetFromImage(bytes, "Large");
    auto colours = presetColours(name);
    // A flat photo's colour tints Control Center (its containers stand out from it instead).
    EXPECT_LE(
        deltaE2000(labOf(colours["backgroundTint"]), labOf(synthetic::Rgb { 70, 110, 170 })), 5);
}

namespace {

std::uint32_t crc32(std::string_view bytes)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string bigEndian(std::uint32_t value)
{
    return { char(value >> 24), char(value >> 16), char(value >> 8), char(value) };
}

// A real small PNG whose header is rewritten to announce another size: what a decompression
// bomb looks like from its header.
std::string pngHeader(std::uint32_t width, std::uint32_t height)
{
    std::string png
        = synthetic::encode(synthetic::twoColours(16, 16, 8, slate, red), Encoding::Png);
    png.replace(16, 8, bigEndian(width) + bigEndian(height));
    png.replace(29, 4, bigEndian(crc32(std::string_view(png).substr(12, 17))));
    return png;
}

// A real small HEIC whose size boxes are rewritten to announce another size.
std::string heicHeader(std::uint32_t width, std::uint32_t height)
{
    std::string heic
        = synthetic::encode(synthetic::twoColours(16, 16, 8, slate, red), Encoding::Heic);
    for (auto at = heic.find("ispe"); at != std::string::npos; at = heic.find("ispe", at + 1))
        heic.replace(at + 8, 8, bigEndian(width) + bigEndian(height));
    return heic;
}

// A real small progressive JPEG (full colour resolution) whose frame header announces 14,000 ×
// 14,000 pixels: 196 megapixels, within the pixel limit, whose coefficients alone take 1.1 GiB.
std::string progressiveJpegHeader(std::uint16_t side)
{
    std::string jpeg = synthetic::encode(
        synthetic::twoColours(16, 16, 8, slate, red), Encoding::ProgressiveJpeg);
    auto frame = jpeg.find("\xFF\xC2");
    jpeg.replace(frame + 5, 4, bigEndian(side).substr(2) + bigEndian(side).substr(2));
    return jpeg;
}

// A real JPEG with bytes of its picture data changed, `before` bytes from its end, in a way
// libjpeg notices.
std::string damagedJpeg(std::string_view damage, std::size_t before)
{
    std::string jpeg
        = synthetic::encode(synthetic::noise(200, 200, { 100, 100, 100 }, 30), Encoding::Jpeg);
    jpeg.replace(jpeg.size() - before, damage.size(), damage);
    return jpeg;
}

struct RefusalCase {
    const char* name;
    std::function<std::string()> image;
    const char* message; // a part of the message
};

const std::vector<RefusalCase>& refusalCases()
{
    static const std::vector<RefusalCase> cases {
        { "empty file", [] { return std::string(); }, "empty" },
        { "text", [] { return std::string("hello, this is not a picture"); },
            "not a JPEG, PNG, WebP or HEIC" },
        { "GIF", [] { return std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14); },
            "not a JPEG, PNG, WebP or HEIC" },
        { "TIFF", [] { return std::string("II*\0\x08\0\0\0", 8); },
            "not a JPEG, PNG, WebP or HEIC" },
        { "AVIF brand",
            [] {
                return std::string("\0\0\0\x18"
                                   "ftypavif\0\0\0\0avifmif1",
                    24);
            },
            "not a JPEG, PNG, WebP or HEIC" },
        { "over 32 MiB",
            [] { return std::string("\xFF\xD8\xFF", 3) + std::string(32u << 20, '\0'); },
            "32 MiB" },
        { "over 200 megapixels, refused from the header", [] { return pngHeader(20000, 10001); },
            "200 megapixels" },
        { "HEIF over 50 megapixels", [] { return heicHeader(8200, 6100); }, "50 megapixels" },
        { "truncated JPEG",
            [] {
                std::string whole = synthetic::encode(
                    synthetic::noise(200, 200, { 100, 100, 100 }, 30), Encoding::Jpeg);
                return whole.substr(0, whole.size() / 3);
            },
            "cannot be decoded" },
        // libjpeg reports these only as warnings.
        { "JPEG with a marker inside its picture data",
            [] { return damagedJpeg("\xFF\xD3", 5000); }, "cannot be decoded" },
        { "JPEG cut short, its end marker kept",
            [] {
                std::string whole = synthetic::encode(
                    synthetic::noise(200, 200, { 100, 100, 100 }, 30), Encoding::Jpeg);
                return whole.substr(0, whole.size() * 2 / 3) + "\xFF\xD9";
            },
            "cannot be decoded" },
        { "AVIF whose brand says mif1, any HEIF",
            [] {
                auto avif = synthetic::encode(
                    synthetic::twoColours(16, 16, 8, slate, red), Encoding::Avif);
                return avif.replace(8, 4, "mif1");
            },
            "only HEIC pictures" },
        { "damaged PNG", [] { return std::string("\x89PNG\r\n\x1A\n", 8) + std::string(64, 'x'); },
            "cannot be decoded" },
        { "fully transparent",
            [] {
                return synthetic::encode(
                    synthetic::halfTransparent(64, 64, 64, red, red), Encoding::Png);
            },
            "transparent" },
    };
    return cases;
}

} // namespace

TEST_F(ImageThemeTest, RefusesEveryBadImageAndWritesNothing)
{
    for (const RefusalCase& test : refusalCases()) {
        SCOPED_TRACE(test.name);
        try {
            createPresetFromImage(test.image(), "Refused");
            ADD_FAILURE() << "accepted";
        } catch (const ImageRefused& refusal) {
            EXPECT_NE(std::string(refusal.what()).find(test.message), std::string::npos)
                << refusal.what();
        }
        EXPECT_TRUE(presetFiles().empty());
    }
    expectStateUntouched();
}

// The decoder runs in a process of its own: one that cannot start, fails without a word or
// dies on a signal is a refusal with a message, and this process goes on.
TEST_F(ImageThemeTest, ADecoderThatFailsIsARefusalNotACrash)
{
    fs::path folder = device.root().parent_path();
    auto script = [&](const std::string& name, const std::string& body) {
        fs::path path = folder / name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(path, fs::perms::owner_all);
        return path.string();
    };
    auto ownDecoder = (fs::read_symlink("/proc/self/exe").parent_path() / ".." / "lib" / "quillane"
        / "quillane-image-decoder")
                          .lexically_normal();
    std::string bytes = slateAndRed(Encoding::Png);
    struct Case {
        std::string decoder;
        const char* message;
        std::string image;
    } cases[] = {
        { (folder / "no-such-decoder").string(), "could not be started", bytes },
        { script("silent", "cat >/dev/null; exit 1"), "could not be decoded", bytes },
        { script("crashes", "cat >/dev/null; kill -SEGV $$"), "could not be decoded", bytes },
        { script("short", "cat >/dev/null; printf abc"), "could not be decoded", bytes },
        { script("refuses", "cat >/dev/null; echo 'the picture is upside down' >&2; exit 1"),
            "the picture is upside down", bytes },
        // Past its bounds: out of memory in C++ code or in GLib, out of processor time.
        { script("out-of-memory", "cat >/dev/null; exit 4"), "memory to decode", bytes },
        { script("glib-out-of-memory",
              "cat >/dev/null; echo 'GLib-ERROR **: failed to allocate 1234 bytes' >&2; kill "
              "-ABRT $$"),
            "memory to decode", bytes },
        { script("out-of-time", "cat >/dev/null; kill -XCPU $$"), "takes more than 30 s", bytes },
        // The program's own decoder, given less memory than the picture's coefficients take
        // (not under AddressSanitizer, whose shadow memory alone is past any such bound).
        { script("less-memory",
              "exec prlimit --data=" + std::to_string(200u << 20) + " " + ownDecoder.string()
                  + " \"$@\""),
            "needs more than 200 MiB of memory", progressiveJpegHeader(14000) },
    };
    for (const Case& test : cases) {
#ifdef __SANITIZE_ADDRESS__
        if (test.image != bytes)
            continue;
#endif
        SCOPED_TRACE(test.decoder);
        ::setenv("QUILLANE_IMAGE_DECODER", test.decoder.c_str(), 1);
        try {
            createPresetFromImage(test.image, "Refused");
            ADD_FAILURE() << "accepted";
        } catch (const ImageRefused& refusal) {
            EXPECT_NE(std::string(refusal.what()).find(test.message), std::string::npos)
                << refusal.what();
        }
        ::unsetenv("QUILLANE_IMAGE_DECODER");
        EXPECT_TRUE(presetFiles().empty());
    }
    expectStateUntouched();
    // The program's own decoder is back in use.
    EXPECT_EQ(createPresetFromImage(bytes, "Decoded"), "Decoded");
}

// A wallpaper's colours cut short or padded by a crash must not become a theme, and a display
// copy without its colours is no wallpaper.
TEST_F(ImageThemeTest, AStoredWallpaperIsWholeOrAbsent)
{
    WallpaperStore store(device.root());
    store.set(slateAndRed(Encoding::Png));
    auto input = store.quantiserInput();
    ASSERT_TRUE(input);
    EXPECT_EQ(input->pixels.size(), static_cast<std::size_t>(kQuantiserSide) * kQuantiserSide);
    EXPECT_EQ(pixelBytes(*input), device.read("/.wallpaper.rgba"));
    EXPECT_TRUE(store.display());

    std::string colours = device.read("/.wallpaper.rgba");
    struct Damage {
        const char* what;
        std::optional<std::string> colours;
    } damages[] = {
        { "empty", "" },
        { "one byte short", colours.substr(1) },
        { "one byte over", colours + "x" },
        { "missing", std::nullopt },
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        fs::remove(device.path("/.wallpaper.rgba"));
        if (damage.colours)
            std::ofstream(device.path("/.wallpaper.rgba"), std::ios::binary) << *damage.colours;
        EXPECT_FALSE(store.quantiserInput());
    }
    EXPECT_FALSE(store.display());
    EXPECT_TRUE(store.remove());
    EXPECT_FALSE(store.remove());
}

TEST_F(ImageThemeTest, RefusesNamesThatLeaveThePresetsFolder)
{
    std::string bytes = slateAndRed(Encoding::Png);
    for (const char* name : { "", "../outside", "a/b" }) {
        SCOPED_TRACE(name);
        EXPECT_THROW(createPresetFromImage(bytes, name), std::runtime_error);
    }
    EXPECT_TRUE(presetFiles().empty());
    EXPECT_FALSE(fs::exists(device.path("/User/Library/Preferences/outside.plist")));
}

TEST_F(ImageThemeTest, CommandPrintsTheNameOrRefusesWithAMessage)
{
    fs::path folder = device.root().parent_path();
    auto save = [&](const std::string& file, const std::string& bytes) {
        std::ofstream(folder / file, std::ios::binary) << bytes;
        return (folder / file).string();
    };
    std::string photo = save("Beach Day.png", slateAndRed(Encoding::Png));
    std::string root = device.root().string();

    auto first = runQuillane({ "theme-from-image", "--root", root, photo });
    EXPECT_EQ(first.exitStatus, 0) << first.err;
    EXPECT_EQ(first.out, "Beach Day\n");
    auto again = runQuillane({ "theme-from-image", "--root", root, photo });
    EXPECT_EQ(again.out, "Beach Day 2\n");
    auto named = runQuillane({ "theme-from-image", "--root", root, photo, "--name", "Evening" });
    EXPECT_EQ(named.out, "Evening\n");
    EXPECT_EQ(device.read(std::string(kPresets) + "Beach Day.plist"),
        device.read(std::string(kPresets) + "Evening.plist"));

    struct Bad {
        std::string image;
        const char* message;
    };
    for (const Bad& bad :
        { Bad { save("notes.png", "plain text"), "not a JPEG, PNG, WebP or HEIC" },
            Bad { (folder / "missing.jpg").string(), "cannot read" },
            Bad { folder.string(), "is a directory" },
            Bad { save("huge.png", pngHeader(30000, 30000)), "200 megapixels" } }) {
        SCOPED_TRACE(bad.image);
        auto result = runQuillane({ "theme-from-image", "--root", root, bad.image });
        EXPECT_NE(result.exitStatus, 0);
        EXPECT_TRUE(result.out.empty());
        EXPECT_NE(result.err.find(bad.message), std::string::npos) << result.err;
    }
    EXPECT_EQ(presetFiles().size(), 3u);
    expectStateUntouched();
}

namespace {

struct Share {
    Pixel pixel;
    int count;
};

QuantiserInput inputOf(const std::vector<Share>& shares)
{
    QuantiserInput input;
    for (const Share& share : shares)
        input.pixels.insert(input.pixels.end(), static_cast<std::size_t>(share.count), share.pixel);
    return input;
}

const ColourCluster* clusterNear(const ImageColours& colours, Srgb colour)
{
    for (const ColourCluster& cluster : colours.clusters) {
        if (deltaE2000(cluster.lab, toLab(colour)) <= 1.0)
            return &cluster;
    }
    return nullptr;
}

struct QuantiserCase {
    const char* name;
    std::vector<Share> shares;
    std::vector<std::pair<Srgb, double>> coverage; // colour → expected share of the area
    Srgb accent;
    std::size_t dominantCount;
};

} // namespace

TEST(Quantiser, FindsEachColourWithItsShareOfTheArea)
{
    const Pixel blue { 20, 60, 200, 255 }, sand { 210, 190, 150, 255 }, ink { 15, 15, 20, 255 };
    const Pixel halfBlue { 20, 60, 200, 128 }, vivid { 250, 20, 120, 255 },
        grey { 128, 128, 128, 255 };
    const std::vector<QuantiserCase> cases {
        { "three flat colours", { { blue, 8192 }, { sand, 4915 }, { ink, 3277 } },
            { { { 20, 60, 200 }, 0.5 }, { { 210, 190, 150 }, 0.3 }, { { 15, 15, 20 }, 0.2 } },
            { 20, 60, 200 }, 3 },
        // Half-transparent pixels count half.
        { "alpha weighs", { { halfBlue, 8192 }, { sand, 8192 } },
            { { { 20, 60, 200 }, 128.0 / 383 }, { { 210, 190, 150 }, 255.0 / 383 } },
            { 20, 60, 200 }, 2 },
        // A speck of vivid colour is the accent, but no dominant colour.
        { "a vivid speck", { { grey, 15892 }, { vivid, 492 } },
            { { { 128, 128, 128 }, 0.97 }, { { 250, 20, 120 }, 0.03 } }, { 250, 20, 120 }, 1 },
    };
    for (const QuantiserCase& test : cases) {
        SCOPED_TRACE(test.name);
        QuantiserInput input = inputOf(test.shares);
        ImageColours colours = quantise(input);
        for (const auto& [colour, share] : test.coverage) {
            const ColourCluster* found = clusterNear(colours, colour);
            ASSERT_NE(found, nullptr)
                << int(colour.red) << "," << int(colour.green) << "," << int(colour.blue);
            EXPECT_NEAR(found->coverage, share, 0.01);
        }
        SourceColours source = scoreColours(colours);
        EXPECT_LE(deltaE2000(source.accent.lab, toLab(test.accent)), 1.0);
        EXPECT_EQ(source.dominant.size(), test.dominantCount);

        // The pixels' order changes nothing.
        std::reverse(input.pixels.begin(), input.pixels.end());
        ImageColours reversed = quantise(input);
        ASSERT_EQ(reversed.clusters.size(), colours.clusters.size());
        for (std::size_t i = 0; i < colours.clusters.size(); ++i) {
            EXPECT_EQ(reversed.clusters[i].colour, colours.clusters[i].colour);
            EXPECT_EQ(reversed.clusters[i].coverage, colours.clusters[i].coverage);
        }
    }
}

namespace {

// What the picker's field and the command line must read alike (one table for both).
nlohmann::json colourEntryCases()
{
    std::ifstream in(std::string(QLN_SOURCE_DIR) + "/tests/imagetheme/colour-entry-cases.json");
    return nlohmann::json::parse(in)["cases"];
}

// Seeds a designer starts from: greys, pastels, saturated primaries, near-black, near-white.
constexpr const char* kSeeds[] = { "#808080", "#3A3A3C", "#FFD1DC", "#C1E1C1", "#AEC6CF", "#FF0000",
    "#00C000", "#0000FF", "#FF2D55", "#0A0A0A", "#FAFAFA" };

theming::Rgba seedColour(const char* text)
{
    return std::get<theming::Rgba>(readColourEntry(text));
}

} // namespace

TEST(ColourEntry, ReadsWhatThePickersFieldReadsAndNamesWhatIsWrong)
{
    for (const auto& entry : colourEntryCases()) {
        std::string text = entry[0];
        SCOPED_TRACE(text);
        auto read = readColourEntry(text);
        if (entry[1].is_null()) {
            ASSERT_TRUE(std::holds_alternative<ColourEntryProblem>(read));
            EXPECT_FALSE(std::get<ColourEntryProblem>(read).message.empty());
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<theming::Rgba>(read));
        auto colour = std::get<theming::Rgba>(read);
        double got[] = { colour.red, colour.green, colour.blue, colour.alpha };
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(got[i], entry[1][i].get<double>(), 5e-5) << "channel " << i;
    }
    // The names are the browser's table, word for word.
    std::ifstream js(std::string(QLN_SOURCE_DIR) + "/resources/web/colour-names.js");
    std::string text((std::istreambuf_iterator<char>(js)), std::istreambuf_iterator<char>());
    std::istringstream table(text.substr(text.find('`') + 1, text.rfind('`') - text.find('`') - 1));
    std::size_t count = 0;
    for (std::string name, hex; table >> name >> hex; ++count) {
        auto colour = std::get<theming::Rgba>(readColourEntry(name));
        EXPECT_EQ(colour, std::get<theming::Rgba>(readColourEntry("#" + hex))) << name;
    }
    EXPECT_EQ(count, cssColourNames().size());
}

// Published OKLCH values of sRGB colours (CSS Color 4's examples and Ottosson's definition),
// within a thousandth, and the way back to the same bytes.
TEST(ColourTheme, OklchAgreesWithItsDefinition)
{
    struct Case {
        Srgb colour;
        Oklch expected;
    };
    const Case cases[] = {
        { { 255, 255, 255 }, { 1.0, 0.0, 0 } },
        { { 255, 0, 0 }, { 0.62796, 0.25768, 29.234 } },
        { { 0, 255, 0 }, { 0.86644, 0.29483, 142.495 } },
        { { 0, 0, 255 }, { 0.45201, 0.31321, 264.052 } },
    };
    for (const Case& c : cases) {
        Oklch got = toOklch(toRgba(c.colour));
        EXPECT_NEAR(got.L, c.expected.L, 1e-3);
        EXPECT_NEAR(got.C, c.expected.C, 1e-3);
        if (c.expected.C > 0) {
            EXPECT_NEAR(got.h, c.expected.h, 0.05);
        }
        EXPECT_EQ(fromOklch(got), c.colour);
    }
}

// Every seed in every harmony keeps every promise: a new preset and nothing else changed, the
// same file from the same colour, every glyph and text at its ratio, and every enabled state
// apart from its disabled one, also as each simulated vision sees them. The figures the README
// gives are this test's output.
TEST_F(ImageThemeTest, ThemesFromOneColourKeepEveryPromiseOverTheSeedSet)
{
    ThemeTargets targets = readThemeTargets();
    std::vector<std::string> stems { "airplane", "cellularData", "wifi", "bluetooth", "airdrop",
        "hotspot" };
    stems.insert(stems.end(), targets.moduleIdentifiers.begin(), targets.moduleIdentifiers.end());
    for (Harmony harmony : { Harmony::Monochrome, Harmony::Analogous, Harmony::Complementary }) {
        double leastTypical = 100, leastSeen = 100;
        for (const char* seed : kSeeds) {
            SCOPED_TRACE(std::string(seed) + " " + std::string(harmonyName(harmony)));
            std::string name = createPresetFromColour(seedColour(seed), harmony, seed);
            std::string again = createPresetFromColour(seedColour(seed), harmony, seed);
            EXPECT_EQ(device.read(std::string(kPresets) + name + ".plist"),
                device.read(std::string(kPresets) + again + ".plist"));
            auto colours = presetColours(name);
            Theme theme = themeFromColour(seedColour(seed), harmony, targets);
            expectLegiblePairs(theme, colours);
            for (const std::string& stem : stems) {
                auto bytes = [&](const std::string& key) {
                    auto c = colours.at(key);
                    auto byte
                        = [](double v) { return static_cast<std::uint8_t>(std::lround(v * 255)); };
                    return Srgb { byte(c.red), byte(c.green), byte(c.blue) };
                };
                Srgb on = bytes(stem + "Enabled"), off = bytes(stem + "Disabled");
                double typical = deltaE2000(toLab(on), toLab(off));
                double seen = leastSeparationSeen(on, off);
                EXPECT_GE(typical, kStateSeparation) << stem;
                EXPECT_GE(seen, kStateSeparationSeen) << stem;
                leastTypical = std::min(leastTypical, typical);
                leastSeen = std::min(leastSeen, seen);
            }
        }
        std::printf("%-14s states ΔE00 ≥ %.1f, as simulated visions see them ≥ %.1f\n",
            std::string(harmonyName(harmony)).c_str(), leastTypical, leastSeen);
    }
    expectStateUntouched();
}
