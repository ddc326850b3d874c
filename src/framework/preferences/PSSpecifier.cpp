#include "preferences/PSSpecifier.hpp"

#include "foundation/ClassDescription.hpp"

namespace fw {

const ClassDescriptor& PSSpecifier::classObject()
{
    static const ClassDescriptor cls
        = describeClass<PSSpecifier>("PSSpecifier", NSObject::classObject());
    return cls;
}

std::shared_ptr<PSSpecifier> PSSpecifier::preferenceSpecifierNamed(std::string name,
    const Id& target, std::string setter, std::string getter, const ClassDescriptor* detail,
    int cell, const ClassDescriptor* /*edit*/)
{
    auto specifier = std::make_shared<PSSpecifier>();
    specifier->m_name = std::move(name);
    specifier->m_target = target;
    specifier->m_setter = std::move(setter);
    specifier->m_getter = std::move(getter);
    specifier->m_detail = detail;
    specifier->m_cellType = cell;
    return specifier;
}

const SpecifierProperty* PSSpecifier::propertyForKey(std::string_view key) const
{
    auto it = m_properties.find(key);
    return it == m_properties.end() ? nullptr : &it->second;
}

void PSSpecifier::setProperty(SpecifierProperty value, std::string_view key)
{
    m_properties.insert_or_assign(std::string(key), std::move(value));
}

void PSSpecifier::removePropertyForKey(std::string_view key)
{
    auto it = m_properties.find(key);
    if (it != m_properties.end())
        m_properties.erase(it);
}

const Value* PSSpecifier::valueForKey(std::string_view key) const
{
    auto* property = propertyForKey(key);
    return property ? std::get_if<Value>(property) : nullptr;
}

const std::string* PSSpecifier::stringForKey(std::string_view key) const
{
    auto* value = valueForKey(key);
    return value ? value->asString() : nullptr;
}

bool PSSpecifier::boolForKey(std::string_view key) const
{
    auto* value = valueForKey(key);
    return value && value->boolValue();
}

const ClassDescriptor* PSSpecifier::classForKey(std::string_view key) const
{
    auto* property = propertyForKey(key);
    if (!property)
        return nullptr;
    auto* cls = std::get_if<const ClassDescriptor*>(property);
    return cls ? *cls : nullptr;
}

} // namespace fw
