#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qln {

// The exchange string: "Quillane:" and the preset text, as UTF-8 bytes in Base64 on one line.
class PresetExchange {
public:
    static constexpr std::string_view prefix = "Quillane:";

    // The exchange string that carries a preset text.
    static std::string encode(std::string_view presetText);
    // The preset text an exchange string carries (prefix removed), or nothing when the string
    // is not strict Base64, not UTF-8, empty once decoded or lacks the prefix in exact case.
    static std::optional<std::string> decode(std::string_view exchangeString);

    // What export puts on the pasteboard: the preset text, or why there is none.
    struct ExportText {
        std::optional<std::string> text;
        std::string whyNot;
    };
    // Export, steps 1 and 2: the preset file as text. A binary property list gives its XML
    // form; a missing file or bytes that are not UTF-8 give no text.
    static ExportText presetText(std::string_view name);
    // The same for any file that holds a preset's form, such as the settings file a preset is
    // saved from.
    static ExportText fileText(std::string_view devicePath);

    // Import, step 8: the preset text written to the new preset file, as it came.
    static bool writeImportedPreset(std::string_view name, std::string_view presetText);
};

} // namespace qln
