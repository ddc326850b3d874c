#pragma once

#include "uikit/UIView.hpp"

#include <string>
#include <vector>

namespace fw {

class UISwitch : public UIView {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    bool isOn() const { return m_on; }
    void setOn(bool on) { m_on = on; }
    const std::optional<UIColor>& onTintColor() const { return m_onTintColor; }
    void setOnTintColor(std::optional<UIColor> color) { m_onTintColor = std::move(color); }

private:
    bool m_on { false };
    std::optional<UIColor> m_onTintColor;
};

class UISegmentedControl : public UIView {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    std::vector<std::string> titles;
    int selectedSegmentIndex { -1 };
};

class UITextField : public UIView {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    std::string placeholder;
    std::string text;
    void setPlaceholder(std::string value) { placeholder = std::move(value); }
};

} // namespace fw
