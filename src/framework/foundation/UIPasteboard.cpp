#include "foundation/UIPasteboard.hpp"

#include "foundation/Device.hpp"
#include "foundation/FileIO.hpp"
#include "foundation/PropertyList.hpp"
#include "foundation/PropertyListFormats.hpp"

namespace fw {

namespace {

// Beside the device's own tree, hidden, so that listing a device directory never shows it.
constexpr std::string_view kPasteboardFileName = ".pasteboard.plist";

std::filesystem::path pasteboardFile()
{
    return Device::root() / kPasteboardFileName;
}

struct Contents {
    UIPasteboard::Kind kind { UIPasteboard::Kind::None };
    std::string string;
};

Contents readContents()
{
    // The host's own file, never read through a link planted in its place.
    auto bytes = readFileContents(pasteboardFile(), kMaxPropertyListBytes, Links::Refuse);
    if (!bytes)
        return {};
    auto value = parsePropertyList(*bytes);
    if (!value || !value->isDictionary())
        return {};
    const Value* kind = lookup(*value->asDictionary(), "kind");
    const Value* string = lookup(*value->asDictionary(), "string");
    if (!kind || !kind->isString())
        return {};
    if (*kind->asString() == "other")
        return { UIPasteboard::Kind::Other, {} };
    if (*kind->asString() == "string" && string && string->isString())
        return { UIPasteboard::Kind::String, *string->asString() };
    return {};
}

void writeContents(std::string_view kind, std::string string)
{
    Dictionary dictionary;
    dictionary.emplace("kind", Value(kind));
    if (kind == "string")
        dictionary.emplace("string", Value(std::move(string)));
    // Not through the file manager: the pasteboard is no file of the device, so it is neither
    // journalled nor subject to injected file faults.
    writeFileAtomically(pasteboardFile(), writeXmlPropertyList(dictionary));
}

} // namespace

UIPasteboard& UIPasteboard::generalPasteboard()
{
    static UIPasteboard pasteboard;
    return pasteboard;
}

std::optional<std::string> UIPasteboard::string() const
{
    Contents contents = readContents();
    if (contents.kind != Kind::String)
        return std::nullopt;
    return std::move(contents.string);
}

void UIPasteboard::setString(std::string string)
{
    writeContents("string", std::move(string));
}

void UIPasteboard::setOtherItem()
{
    writeContents("other", {});
}

void UIPasteboard::clear()
{
    writeContents("none", {});
}

UIPasteboard::Kind UIPasteboard::kind() const
{
    return readContents().kind;
}

} // namespace fw
