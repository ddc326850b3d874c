// The image path on any bytes: decode, quantise, score, map to a preset. Whatever is accepted
// must give a colour for every key, glyphs and texts that stand out from what they are drawn
// over, and a preset the XML form can carry; anything else must be a refusal, never a crash.
#include "FuzzDevice.hpp"
#include "foundation/Device.hpp"
#include "foundation/PropertyList.hpp"
#include "imagetheme/ImagePreset.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail = {})
{
    std::fprintf(stderr, "%s %s\n", what, detail.c_str());
    std::abort();
}

const imagetheme::ThemeTargets& targets()
{
    static const imagetheme::ThemeTargets shared = [] {
        fw::Device::setRoot(FuzzDevice::instance().root());
        return imagetheme::readThemeTargets();
    }();
    return shared;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    imagetheme::Theme theme;
    try {
        // Decoded in this process, where the sanitizers see it.
        theme = imagetheme::themeFromInput(imagetheme::decodeForQuantiserHere(bytes), targets());
    } catch (const imagetheme::ImageRefused&) {
        return 0;
    }
    for (const auto& group : targets().groups) {
        for (const auto& row : group.rows) {
            if (!theme.colours.contains(row.key))
                fail("no colour for", row.key);
        }
    }
    for (const auto& pair : theme.pairs) {
        if (imagetheme::pairContrast(theme, pair) < pair.minimumRatio)
            fail("illegible", pair.foreground);
    }
    fw::Dictionary preset = imagetheme::presetFromTheme(theme, {});
    if (!fw::isRepresentableAsXml(fw::Value(preset))
        || fw::xmlPropertyList(fw::Value(preset)).empty())
        fail("preset cannot be written");
    return 0;
}
