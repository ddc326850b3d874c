// The exchange string reader on any text: what it accepts carries a preset text that encodes
// back to a string it accepts with the same text; the export form reads back exactly.
#include "foundation/PropertyListFormats.hpp"
#include "presets/PresetExchange.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (auto text = qln::PresetExchange::decode(input)) {
        if (!fw::isValidUtf8(*text)
            || qln::PresetExchange::decode(qln::PresetExchange::encode(*text)) != text) {
            std::fprintf(stderr, "accepted string does not survive a round trip\n");
            std::abort();
        }
    }
    // Any UTF-8 text as a preset text: export then import gives it back.
    if (fw::isValidUtf8(input)) {
        auto back = qln::PresetExchange::decode(qln::PresetExchange::encode(input));
        if (back != std::string(input)) {
            std::fprintf(stderr, "preset text lost on export and import\n");
            std::abort();
        }
    }
    return 0;
}
