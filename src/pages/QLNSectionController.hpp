#pragma once

#include "foundation/ClassDescription.hpp"
#include "pages/FeatureFilter.hpp"
#include "pages/QLNBaseController.hpp"

#include <memory>
#include <string>
#include <string_view>

namespace qln {

// A section page: the rows of its page layout file, less the rows its feature rules remove.
// Each concrete page only names its layout file and its rules.
class QLNSectionController : public QLNBaseController {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    const fw::SpecifierList& specifiers() override;

    const std::string& layoutName() const { return m_layoutName; }

protected:
    // No rules: the layout file is shown unchanged and no installation test runs.
    QLNSectionController(std::string layoutName, FeatureRules rules)
        : m_layoutName(std::move(layoutName))
        , m_rules(rules)
    {
    }

    // The descriptor of a concrete section page, made by name.
    template <class Page> static fw::ClassDescriptor pageDescriptor(std::string name)
    {
        return fw::describeClass<Page>(std::move(name), classObject());
    }

private:
    std::string m_layoutName;
    FeatureRules m_rules;
};

} // namespace qln
