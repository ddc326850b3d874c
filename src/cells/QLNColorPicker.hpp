#pragma once

#include "sparkpicker/SparkColourPickerCell.hpp"
#include "uikit/UIGestureRecognizer.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qln {

// A colour row: swatch and opacity text, picker on tap, reset to the default on a long press.
// A global row ("global" true) sets or resets every colour row of its page after confirmation.
class QLNColorPicker : public fw::SparkColourPickerCell {
public:
    static const fw::ClassDescriptor& classObject();
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    bool initWithStyle(int style, const std::string& reuseIdentifier,
        const std::shared_ptr<fw::PSSpecifier>& specifier) override;
    // gestureRecognizer:shouldReceiveTouch:
    bool gestureRecognizer(const std::shared_ptr<fw::UIGestureRecognizer>& recognizer) override;
    void layoutSubviews() override;
    void handleLongPress(const std::shared_ptr<fw::UIGestureRecognizer>& recognizer);
    // colourPicker:didUpdateColour: — only remembers the colour; storing waits for the close.
    void colourPicker(const std::shared_ptr<fw::SparkColourPickerView>& pickerView,
        const fw::UIColor& colour) override;
    void dismissPicker() override;
    void showOverwriteAlert();
    // The colour value to show: the reported colour, else the stored string; nullopt for none.
    std::optional<std::string> previewColor() const;
    void createAccessoryView();
    void updateCellDisplay() override;

    const std::shared_ptr<fw::UIView>& colorPreview() const { return swatch(); }
    void setColorPreview(std::shared_ptr<fw::UIView> view) { setSwatch(std::move(view)); }
    const std::optional<fw::UIColor>& currentColor() const { return m_currentColor; }
    void setCurrentColor(std::optional<fw::UIColor> colour);
    const std::shared_ptr<fw::UILongPressGestureRecognizer>& lpgr() const { return m_lpgr; }
    void setLpgr(std::shared_ptr<fw::UILongPressGestureRecognizer> r) { m_lpgr = std::move(r); }

    bool isGlobal() const;
    // The keys the picker writes when it closes on a colour: the row's own, or for a global
    // row every key its spread sets.
    std::vector<std::string> keysToColour() const override;
    // The detail text for a colour value: "#1A2B3C 50%", "#1A2B3C", or "Hidden".
    static std::string displayText(std::string_view value);

private:
    void spreadCurrentColour();
    void confirmGlobalReset(std::optional<fw::Dictionary> snapshot);
    void resetRow(std::optional<fw::Dictionary> snapshot);
    void updateSwatchValue();

    std::optional<fw::UIColor> m_currentColor;
    // The stored value the last display read (nullopt for "Default"): the row shows it until
    // the next display, and reading the file again for the swatch's value would cost a parse.
    std::optional<std::string> m_shownValue;
    std::shared_ptr<fw::UILongPressGestureRecognizer> m_lpgr;
};

} // namespace qln
