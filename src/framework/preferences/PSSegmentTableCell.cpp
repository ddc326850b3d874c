#include "foundation/ClassDescription.hpp"
#include "preferences/PSTableCell.hpp"

namespace fw {

namespace {

// A row's values come from its layout file while stored values may have been written as
// another number type (1 against 1.0), so numbers compare by value.
bool sameValue(const Value& a, const Value& b)
{
    if (a.isNumber() && b.isNumber())
        return *a.numberValue() == *b.numberValue();
    return a == b;
}

} // namespace

const ClassDescriptor& PSSegmentTableCell::classObject()
{
    static const ClassDescriptor cls
        = describeClass<PSSegmentTableCell>("PSSegmentTableCell", PSTableCell::classObject());
    return cls;
}

bool PSSegmentTableCell::initWithStyle(
    int style, const std::string& reuseIdentifier, const std::shared_ptr<PSSpecifier>& specifier)
{
    if (!PSTableCell::initWithStyle(style, reuseIdentifier, specifier))
        return false;
    if (!m_segments) {
        m_segments = std::make_shared<UISegmentedControl>();
        m_segments->setFrame(CGRect { 15, 7, frame().width - 30, frame().height - 14 });
        m_segments->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
        contentView()->addSubview(m_segments);
    }
    if (specifier)
        m_segments->titles = specifier->titles;
    return true;
}

void PSSegmentTableCell::setValue(const std::optional<Value>& value)
{
    if (!m_segments)
        return;
    m_segments->selectedSegmentIndex = -1;
    if (!value || !m_specifier)
        return;
    m_segments->titles = m_specifier->titles;
    const auto& values = m_specifier->values;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (sameValue(values[i], *value)) {
            m_segments->selectedSegmentIndex = static_cast<int>(i);
            return;
        }
    }
}

} // namespace fw
