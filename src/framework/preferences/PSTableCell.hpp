#pragma once

#include "preferences/PSSpecifier.hpp"
#include "uikit/UIControls.hpp"
#include "uikit/UIImage.hpp"
#include "uikit/UILabel.hpp"
#include "uikit/UIView.hpp"

#include <memory>
#include <optional>
#include <string>

namespace fw {

enum UITableViewCellStyle : int {
    UITableViewCellStyleDefault = 0,
    UITableViewCellStyleValue1 = 1,
    UITableViewCellStyleValue2 = 2,
    UITableViewCellStyleSubtitle = 3,
};
enum UITableViewCellAccessoryType : int {
    UITableViewCellAccessoryNone = 0,
    UITableViewCellAccessoryDisclosureIndicator = 1,
    UITableViewCellAccessoryCheckmark = 3,
};

// The table cell of a row. Made in two steps, as on the platform: the class's factory
// allocates it, then an initialiser fills it and may answer "nil" (false).
class PSTableCell : public UIView {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    // initWithStyle:reuseIdentifier:specifier:
    virtual bool initWithStyle(int style, const std::string& reuseIdentifier,
        const std::shared_ptr<PSSpecifier>& specifier);
    // initWithSpecifier: — how header cells of group rows are made.
    virtual bool initWithSpecifier(const std::shared_ptr<PSSpecifier>& specifier);
    // Header cells answer their height; nullopt means the cell does not answer.
    virtual std::optional<double> preferredHeightForWidth(double width);

    // The framework's refresh after creation and on every reload: title from the row's name,
    // value controls from the getter.
    virtual void refreshCellContentsWithSpecifier(const std::shared_ptr<PSSpecifier>& specifier);
    // The framework hands the getter's value to value cells (switches, segments).
    virtual void setValue(const std::optional<Value>& value);

    std::shared_ptr<PSSpecifier> specifier() const { return m_specifier; }
    void setSpecifier(const std::shared_ptr<PSSpecifier>& specifier) { m_specifier = specifier; }
    int style() const { return m_style; }

    const std::shared_ptr<UITableViewLabel>& textLabel() const { return m_textLabel; }
    const std::shared_ptr<UITableViewLabel>& detailTextLabel() const { return m_detailTextLabel; }
    const std::shared_ptr<UIImageView>& imageView() const { return m_imageView; }
    const std::shared_ptr<UIView>& contentView() const { return m_contentView; }

    const std::shared_ptr<UIView>& accessoryView() const { return m_accessoryView; }
    void setAccessoryView(const std::shared_ptr<UIView>& view);
    int accessoryType() const { return m_accessoryType; }
    void setAccessoryType(int type) { m_accessoryType = type; }
    const std::shared_ptr<UIView>& backgroundView() const { return m_backgroundView; }
    void setBackgroundView(std::shared_ptr<UIView> view) { m_backgroundView = std::move(view); }

    bool isEditing() const { return m_editing; }
    void setEditing(bool editing) { m_editing = editing; }
    bool showsReorderControl() const { return m_showsReorderControl; }
    void setShowsReorderControl(bool shows) { m_showsReorderControl = shows; }

    // The value control of switch and segment cells (nullptr otherwise).
    virtual std::shared_ptr<UIView> control() const { return nullptr; }

    // Lays the content view and labels out for the cell's width, then calls layoutSubviews.
    void layoutForWidth(double width);

protected:
    std::shared_ptr<PSSpecifier> m_specifier;
    int m_style { UITableViewCellStyleDefault };

private:
    std::shared_ptr<UIView> m_contentView;
    std::shared_ptr<UITableViewLabel> m_textLabel;
    std::shared_ptr<UITableViewLabel> m_detailTextLabel;
    std::shared_ptr<UIImageView> m_imageView;
    std::shared_ptr<UIView> m_accessoryView;
    std::shared_ptr<UIView> m_backgroundView;
    int m_accessoryType { UITableViewCellAccessoryNone };
    bool m_editing { false };
    bool m_showsReorderControl { false };
};

class PSSwitchTableCell : public PSTableCell {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    bool initWithStyle(int style, const std::string& reuseIdentifier,
        const std::shared_ptr<PSSpecifier>& specifier) override;
    void setValue(const std::optional<Value>& value) override;
    std::shared_ptr<UIView> control() const override { return m_switch; }
    const std::shared_ptr<UISwitch>& switchControl() const { return m_switch; }

private:
    std::shared_ptr<UISwitch> m_switch;
};

class PSSegmentTableCell : public PSTableCell {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    bool initWithStyle(int style, const std::string& reuseIdentifier,
        const std::shared_ptr<PSSpecifier>& specifier) override;
    void setValue(const std::optional<Value>& value) override;
    std::shared_ptr<UIView> control() const override { return m_segments; }
    const std::shared_ptr<UISegmentedControl>& segmentedControl() const { return m_segments; }

private:
    std::shared_ptr<UISegmentedControl> m_segments;
};

} // namespace fw
