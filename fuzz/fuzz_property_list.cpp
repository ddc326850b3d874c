// The property-list reader on any bytes: never crashes; whatever it reads that the XML form can
// carry, the writer writes in a form the reader reads back to the same value; and the one-key
// lookup of the XML form agrees with the whole read, damaged input included.
#include "foundation/PropertyList.hpp"
#include "foundation/PropertyListFormats.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "%s:\n%s\n", what, detail.c_str());
    std::abort();
}

// Values compared in their written form, so that a NaN equals itself.
std::string written(const fw::Value& value)
{
    return fw::xmlPropertyList(value);
}

void checkRoundTrip(const fw::Value& value)
{
    std::string once = written(value);
    auto reread = fw::parsePropertyList(once);
    if (!reread)
        fail("the written form does not read back", once);
    if (written(*reread) != once)
        fail("the written form changes on a second round", once);
}

void checkLookUp(std::string_view bytes, const std::optional<fw::Value>& whole)
{
    if (bytes.starts_with("bplist00") || bytes.size() > fw::kMaxPropertyListBytes)
        return;
    const fw::Dictionary* dictionary = whole ? whole->asDictionary() : nullptr;
    std::vector<std::string> keys { "", "backgroundTint" };
    if (dictionary) {
        for (const auto& [key, value] : *dictionary) {
            if (keys.size() > 6)
                break;
            keys.push_back(key);
        }
    }
    for (const auto& key : keys) {
        std::string copy(bytes);
        auto found = fw::lookUpXmlPropertyList(copy.data(), copy.size(), key);
        if (found.sound != (dictionary != nullptr))
            fail("the lookup and the whole read disagree on whether the file is sound",
                std::string(bytes.substr(0, 400)));
        if (!dictionary)
            continue;
        const fw::Value* expected = fw::lookup(*dictionary, key);
        bool same = expected ? (found.value && written(*found.value) == written(*expected))
                             : !found.value;
        if (!same)
            fail("the lookup of one key differs from the whole read", key);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto value = fw::parsePropertyList(bytes);
    checkLookUp(bytes, value);
    // Text the XML form cannot carry is never written (writeToFile refuses it).
    if (value && fw::isRepresentableAsXml(*value))
        checkRoundTrip(*value);
    return 0;
}
