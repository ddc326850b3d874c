#pragma once

#include "preferences/PSTableCell.hpp"
#include "uikit/UIColor.hpp"
#include "uikit/UIViewController.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fw {

class PSListController;
class SparkColourPickerCell;

// The picker view: reports every colour the user drags to, as the user drags.
class SparkColourPickerView : public UIView {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    UIColor colour;
};

// The sheet presented over the page while a row's picker is open.
class SparkColourPickerViewController : public UIViewController {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    SparkColourPickerViewController(
        const std::shared_ptr<SparkColourPickerCell>& cell, UIColor startColour);

    std::shared_ptr<SparkColourPickerCell> cell() const { return m_cell.lock(); }
    const std::shared_ptr<SparkColourPickerView>& pickerView() const { return m_pickerView; }
    const UIColor& colour() const { return m_pickerView->colour; }
    std::string presentationTitle() const override { return "Colour Picker"; }

    // The user drags to a colour: the cell hears colourPicker:didUpdateColour:.
    void reportColour(const UIColor& colour);
    // The user closes the sheet: the cell's dismissPicker runs.
    void close();
    // The sheet goes without a word to the cell, as when whoever presented it dismisses it: the
    // cell's closing behaviour (storing the colour) does not run.
    void dismissWithoutClosing();

private:
    std::weak_ptr<SparkColourPickerCell> m_cell;
    std::shared_ptr<SparkColourPickerView> m_pickerView;
};

// The colour row of the picker library: a table cell that opens a picker over its page and
// stores the chosen colour under the row's key through the page's setter.
class SparkColourPickerCell : public PSTableCell {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    bool initWithStyle(int style, const std::string& reuseIdentifier,
        const std::shared_ptr<PSSpecifier>& specifier) override;
    // Redraws through updateCellDisplay whenever the framework refreshes the row.
    void refreshCellContentsWithSpecifier(const std::shared_ptr<PSSpecifier>& specifier) override;

    // The option dictionary ("defaults": preference domain, "fallback": colour value used when
    // the row has no stored colour).
    Dictionary& options() { return m_options; }

    // Presents the picker over the page, starting from the stored colour or the fallback.
    virtual void openColourPicker();
    std::shared_ptr<SparkColourPickerView> colourPickerView() const;
    // colourPicker:didUpdateColour: — stores the colour as the row's value through the page's
    // setPreferenceValue:specifier: (so it is written, marked unsaved and announced).
    virtual void colourPicker(
        const std::shared_ptr<SparkColourPickerView>& pickerView, const UIColor& colour);
    // Closes the picker. The closing itself never calls a subclass's dismissPicker back.
    virtual void dismissPicker();
    virtual void updateCellDisplay() { }
    // The keys the picker writes when it closes on a colour: the row's own key here; a subclass
    // that writes others says which. Whoever shows a pending colour asks this.
    virtual std::vector<std::string> keysToColour() const;

    // What a row without a stored colour and without a "fallback" of its own opens on: the
    // colour value the device shows for the key, or nullopt to use the option's fallback.
    using ShownColour = std::function<std::optional<std::string>(std::string_view key)>;
    static void setShownColour(ShownColour source);

    // gestureRecognizer:shouldReceiveTouch: — the picker cell's answer for its own recognisers.
    virtual bool gestureRecognizer(const std::shared_ptr<class UIGestureRecognizer>& recognizer);

    // What the row's swatch shows, for whoever draws the row: the swatch view (null for a row
    // without one) and the colour value it stands for (nullopt: the default colour). Subclasses
    // that draw a swatch fill both.
    const std::shared_ptr<UIView>& swatch() const { return m_swatch; }
    const std::optional<std::string>& swatchValue() const { return m_swatchValue; }

protected:
    void setSwatch(std::shared_ptr<UIView> view) { m_swatch = std::move(view); }
    void setSwatchValue(std::optional<std::string> value) { m_swatchValue = std::move(value); }

private:
    // The page holding the row (the nearest view controller above the cell).
    std::shared_ptr<PSListController> page() const;
    // A row without its own "defaults" domain stores under the option's domain.
    void adoptDefaultsDomain();
    // The stored colour of the row, else the row's own fallback, else the shown colour, else
    // the "fallback" option, else red.
    UIColor startColour();

    Dictionary m_options;
    std::weak_ptr<SparkColourPickerViewController> m_picker;
    std::shared_ptr<UIView> m_swatch;
    std::optional<std::string> m_swatchValue;
};

} // namespace fw
