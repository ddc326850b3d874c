#include "presets/PresetExchange.hpp"

#include "foundation/Base64.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "foundation/PropertyListFormats.hpp"
#include "presets/PresetStore.hpp"

namespace qln {

namespace {

constexpr std::string_view kBinaryPropertyListMagic = "bplist";

} // namespace

std::string PresetExchange::encode(std::string_view presetText)
{
    std::string payload(prefix);
    payload += presetText;
    return fw::base64Encode(payload);
}

std::optional<std::string> PresetExchange::decode(std::string_view exchangeString)
{
    std::optional<std::string> payload = fw::base64DecodeStrict(exchangeString);
    if (!payload || payload->empty() || !fw::isValidUtf8(*payload))
        return std::nullopt;
    if (!payload->starts_with(prefix))
        return std::nullopt;
    // The prefix goes by its fixed length, not by searching.
    return payload->substr(prefix.size());
}

PresetExchange::ExportText PresetExchange::presetText(std::string_view name)
{
    return fileText(PresetStore::presetFilePath(name));
}

PresetExchange::ExportText PresetExchange::fileText(std::string_view devicePath)
{
    auto bytes = fw::NSFileManager::defaultManager().contentsAtPath(devicePath);
    if (!bytes)
        return { std::nullopt,
            "The preset file could not be read. The clipboard was not changed." };
    // A binary property list is no text, but the same preset travels well in the XML form.
    if (bytes->starts_with(kBinaryPropertyListMagic)) {
        if (auto value = fw::parsePropertyList(*bytes))
            return { fw::xmlPropertyList(*value), {} };
    }
    if (!fw::isValidUtf8(*bytes))
        return { std::nullopt,
            "The preset file does not hold text that can be exported. The clipboard was not "
            "changed." };
    return { std::move(*bytes), {} };
}

bool PresetExchange::writeImportedPreset(std::string_view name, std::string_view presetText)
{
    // Written as the UTF-8 it arrived in: an ASCII-only conversion would drop any other text.
    return fw::NSFileManager::defaultManager().writeAtomically(
        PresetStore::presetFilePath(name), presetText);
}

} // namespace qln
