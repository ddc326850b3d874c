#include "uikit/UILabel.hpp"

#include "foundation/ClassDescription.hpp"

namespace fw {

const ClassDescriptor& UILabel::classObject()
{
    static const ClassDescriptor cls = describeClass<UILabel>("UILabel", UIView::classObject());
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
    static const ClassDescriptor cls
        = describeClass<UITableViewLabel>("UITableViewLabel", UILabel::classObject());
    return cls;
}

} // namespace fw
