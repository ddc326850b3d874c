#include "uikit/UILabel.hpp"

namespace fw {

const ClassDescriptor& UILabel::classObject()
{
    static const ClassDescriptor cls = [] {
        ClassDescriptor c { "UILabel", &UIView::classObject(), {}, {} };
        c.make = [] { return std::make_shared<UILabel>(); };
        return c;
    }();
    return cls;
}

void UILabel::setText(std::optional<std::string> text)
{
    m_text = std::move(text);
    m_attributedText.reset();
}

void UILabel::setAttributedText(std::optional<NSAttributedString> text)
{
    m_text = text ? std::optional<std::string>(text->string()) : std::nullopt;
    m_attributedText = std::move(text);
}

const ClassDescriptor& UITableViewLabel::classObject()
{
    static const ClassDescriptor cls = [] {
        ClassDescriptor c { "UITableViewLabel", &UILabel::classObject(), {}, {} };
        c.make = [] { return std::make_shared<UITableViewLabel>(); };
        return c;
    }();
    return cls;
}

} // namespace fw
