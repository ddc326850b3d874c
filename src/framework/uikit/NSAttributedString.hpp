#pragma once

#include "uikit/UIColor.hpp"
#include "uikit/UIFont.hpp"

#include <optional>
#include <string>
#include <vector>

namespace fw {

struct NSRange {
    std::size_t location { 0 }, length { 0 };
};

// Text with attributes over ranges. Ranges count characters (UTF-16 units, as NSString does).
class NSAttributedString {
public:
    struct Run {
        NSRange range;
        std::optional<UIColor> foregroundColor;
        std::optional<UIFont> font;
    };

    NSAttributedString() = default;
    explicit NSAttributedString(std::string text)
        : m_string(std::move(text))
    {
    }

    const std::string& string() const { return m_string; }
    std::size_t length() const;
    bool empty() const { return m_string.empty(); }
    const std::vector<Run>& runs() const { return m_runs; }

    void appendString(const std::string& text);
    void addForegroundColour(const UIColor& color, NSRange range);
    void addFont(const UIFont& font, NSRange range);

private:
    std::string m_string;
    std::vector<Run> m_runs;
};

} // namespace fw
