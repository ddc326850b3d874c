#include "foundation/ClassDescription.hpp"
#include "preferences/PSTableCell.hpp"

namespace fw {

const ClassDescriptor& PSSwitchTableCell::classObject()
{
    static const ClassDescriptor cls
        = describeClass<PSSwitchTableCell>("PSSwitchTableCell", PSTableCell::classObject());
    return cls;
}

bool PSSwitchTableCell::initWithStyle(
    int style, const std::string& reuseIdentifier, const std::shared_ptr<PSSpecifier>& specifier)
{
    if (!PSTableCell::initWithStyle(style, reuseIdentifier, specifier))
        return false;
    if (!m_switch) {
        m_switch = std::make_shared<UISwitch>();
        m_switch->setFrame(CGRect { frame().width - 66, 6.5, 51, 31 });
        setAccessoryView(m_switch);
    }
    return true;
}

void PSSwitchTableCell::setValue(const std::optional<Value>& value)
{
    if (m_switch)
        m_switch->setOn(value && value->boolValue());
}

} // namespace fw
