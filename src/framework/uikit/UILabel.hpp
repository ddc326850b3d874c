#pragma once

#include "uikit/NSAttributedString.hpp"
#include "uikit/UIFont.hpp"
#include "uikit/UIView.hpp"

namespace fw {

class UILabel : public UIView {
public:
    using UIView::UIView;
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    // Setting the text drops any attributed text; setting attributed text sets the text too.
    const std::optional<std::string>& text() const { return m_text; }
    void setText(std::optional<std::string> text);
    const std::optional<NSAttributedString>& attributedText() const { return m_attributedText; }
    void setAttributedText(std::optional<NSAttributedString> text);

    const UIFont& font() const { return m_font; }
    void setFont(UIFont font) { m_font = std::move(font); }
    const std::optional<UIColor>& textColor() const { return m_textColor; }
    void setTextColor(std::optional<UIColor> color) { m_textColor = std::move(color); }
    const std::optional<UIColor>& highlightedTextColor() const { return m_highlightedTextColor; }
    void setHighlightedTextColor(std::optional<UIColor> c)
    {
        m_highlightedTextColor = std::move(c);
    }
    int textAlignment() const { return m_textAlignment; }
    void setTextAlignment(int alignment) { m_textAlignment = alignment; }
    int numberOfLines() const { return m_numberOfLines; }
    void setNumberOfLines(int lines) { m_numberOfLines = lines; }

private:
    std::optional<std::string> m_text;
    std::optional<NSAttributedString> m_attributedText;
    UIFont m_font;
    std::optional<UIColor> m_textColor;
    std::optional<UIColor> m_highlightedTextColor;
    int m_textAlignment { NSTextAlignmentLeft };
    int m_numberOfLines { 1 };
};

// The class of a table row's title and detail labels, found by label walks.
class UITableViewLabel : public UILabel {
public:
    using UILabel::UILabel;
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }
};

} // namespace fw
