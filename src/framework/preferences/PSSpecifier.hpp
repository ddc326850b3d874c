#pragma once

#include "foundation/NSObject.hpp"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace fw {

enum PSCellType : int {
    PSGroupCell = 0,
    PSLinkCell = 1,
    PSLinkListCell = 2,
    PSListItemCell = 3,
    PSTitleValueCell = 4,
    PSSliderCell = 5,
    PSSwitchCell = 6,
    PSStaticTextCell = 7,
    PSEditTextCell = 8,
    PSSegmentCell = 9,
    PSButtonCell = 13,
};

// A row property: a property-list value, or a class (as "cellClass" holds it).
using SpecifierProperty = std::variant<Value, const ClassDescriptor*>;

// One row of a page: its title, cell type, target, selectors and property dictionary.
class PSSpecifier : public NSObject {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    // preferenceSpecifierNamed:target:set:get:detail:cell:edit:. Empty selectors mean none.
    static std::shared_ptr<PSSpecifier> preferenceSpecifierNamed(std::string name, const Id& target,
        std::string setter, std::string getter, const ClassDescriptor* detail, int cell,
        const ClassDescriptor* edit);

    const std::string& name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }
    int cellType() const { return m_cellType; }
    void setCellType(int type) { m_cellType = type; }

    Id target() const { return m_target.lock(); }
    void setTarget(const Id& target) { m_target = target; }
    const std::string& setter() const { return m_setter; }
    const std::string& getter() const { return m_getter; }
    void setSetter(std::string selector) { m_setter = std::move(selector); }
    void setGetter(std::string selector) { m_getter = std::move(selector); }
    const std::string& buttonAction() const { return m_buttonAction; }
    void setButtonAction(std::string selector) { m_buttonAction = std::move(selector); }
    const ClassDescriptor* detailControllerClass() const { return m_detail; }
    void setDetailControllerClass(const ClassDescriptor* detail) { m_detail = detail; }

    // The property dictionary.
    const std::map<std::string, SpecifierProperty, std::less<>>& properties() const
    {
        return m_properties;
    }
    const SpecifierProperty* propertyForKey(std::string_view key) const;
    void setProperty(SpecifierProperty value, std::string_view key);
    void removePropertyForKey(std::string_view key);

    // Typed reads of a property; nullptr/nullopt when absent or of another type.
    const Value* valueForKey(std::string_view key) const;
    const std::string* stringForKey(std::string_view key) const;
    // NSNumber boolValue of the property; false when absent.
    bool boolForKey(std::string_view key) const;
    const ClassDescriptor* classForKey(std::string_view key) const;

    // Segment rows: the values and titles of validValues/validTitles.
    std::vector<Value> values;
    std::vector<std::string> titles;

private:
    std::string m_name;
    int m_cellType { PSStaticTextCell };
    std::weak_ptr<NSObject> m_target;
    std::string m_setter;
    std::string m_getter;
    std::string m_buttonAction;
    const ClassDescriptor* m_detail { nullptr };
    std::map<std::string, SpecifierProperty, std::less<>> m_properties;
};

using SpecifierList = std::vector<std::shared_ptr<PSSpecifier>>;

} // namespace fw
