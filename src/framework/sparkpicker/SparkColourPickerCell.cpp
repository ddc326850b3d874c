#include "sparkpicker/SparkColourPickerCell.hpp"

#include "foundation/ClassDescription.hpp"
#include "foundation/NumberScanner.hpp"
#include "preferences/PSListController.hpp"
#include "uikit/UIGestureRecognizer.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace fw {

namespace {

// "#RRGGBB" with an optional ":alpha"; the "#" may be missing. Anything else is no colour.
std::optional<UIColor> parseColourValue(std::string_view text)
{
    if (text.starts_with('#'))
        text.remove_prefix(1);
    if (text.size() < 6)
        return std::nullopt;
    double components[3];
    for (int i = 0; i < 3; ++i) {
        int high = hexDigitValue(text[2 * i]);
        int low = hexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        components[i] = (high * 16 + low) / 255.0;
    }
    double alpha = 1;
    if (auto colon = text.find(':'); colon != std::string_view::npos)
        alpha = scanFloat(text.substr(colon + 1));
    return UIColor::colorWithRed(components[0], components[1], components[2], alpha);
}

std::optional<UIColor> colourOf(const Value* value)
{
    auto* text = value ? value->asString() : nullptr;
    return text ? parseColourValue(*text) : std::nullopt;
}

int byteOf(double component)
{
    if (std::isnan(component))
        return 0;
    return static_cast<int>(std::clamp(component, 0.0, 1.0) * 255.0);
}

double unitOf(double component)
{
    return std::isnan(component) ? 0.0 : std::clamp(component, 0.0, 1.0);
}

// The stored form of a colour: "#RRGGBB:alpha" with six decimals.
std::string colourValue(const UIColor& colour)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", byteOf(colour.red), byteOf(colour.green),
        byteOf(colour.blue));
    return std::string(hex) + ":" + formatDouble6(unitOf(colour.alpha));
}

} // namespace

const ClassDescriptor& SparkColourPickerCell::classObject()
{
    static const ClassDescriptor cls
        = describeClass<SparkColourPickerCell>("SparkColourPickerCell", PSTableCell::classObject(),
            { { "openColourPicker", action<&SparkColourPickerCell::openColourPicker>() },
                { "dismissPicker", action<&SparkColourPickerCell::dismissPicker>() },
                { "gestureRecognizer:shouldReceiveTouch:",
                    action<&SparkColourPickerCell::gestureRecognizer>() } });
    return cls;
}

namespace {
SparkColourPickerCell::ShownColour& shownColourSource()
{
    static SparkColourPickerCell::ShownColour source;
    return source;
}
} // namespace

void SparkColourPickerCell::setShownColour(ShownColour source)
{
    shownColourSource() = std::move(source);
}

bool SparkColourPickerCell::initWithStyle(
    int style, const std::string& reuseIdentifier, const std::shared_ptr<PSSpecifier>& specifier)
{
    if (!PSTableCell::initWithStyle(style, reuseIdentifier, specifier))
        return false;
    // A row may carry its options: the colour it opens on without a stored one, and its domain.
    const std::string* fallback = specifier ? specifier->stringForKey("fallback") : nullptr;
    const std::string* domain = specifier ? specifier->stringForKey("defaults") : nullptr;
    if (fallback && domain) {
        m_options["fallback"] = Value(*fallback);
        m_options["defaults"] = Value(*domain);
    }
    return true;
}

void SparkColourPickerCell::refreshCellContentsWithSpecifier(
    const std::shared_ptr<PSSpecifier>& specifier)
{
    PSTableCell::refreshCellContentsWithSpecifier(specifier);
    updateCellDisplay();
}

std::shared_ptr<PSListController> SparkColourPickerCell::page() const
{
    return std::dynamic_pointer_cast<PSListController>(_viewControllerForAncestor());
}

void SparkColourPickerCell::adoptDefaultsDomain()
{
    if (!m_specifier || m_specifier->propertyForKey("defaults"))
        return;
    auto* domain = lookup(m_options, "defaults");
    if (domain && domain->asString())
        m_specifier->setProperty(*domain, "defaults");
}

UIColor SparkColourPickerCell::startColour()
{
    auto page = this->page();
    if (page && m_specifier && m_specifier->stringForKey("key")) {
        adoptDefaultsDomain();
        auto stored = page->readPreferenceValue(m_specifier);
        if (auto colour = colourOf(stored ? &*stored : nullptr))
            return *colour;
    }
    const std::string* key = m_specifier ? m_specifier->stringForKey("key") : nullptr;
    bool ownFallback = m_specifier && m_specifier->stringForKey("fallback");
    if (key && !ownFallback && shownColourSource()) {
        auto shown = shownColourSource()(*key);
        if (auto colour = shown ? parseColourValue(*shown) : std::nullopt)
            return *colour;
    }
    if (auto colour = colourOf(lookup(m_options, "fallback")))
        return *colour;
    return UIColor::colorWithRed(1, 0, 0, 1);
}

void SparkColourPickerCell::openColourPicker()
{
    auto page = this->page();
    if (!page)
        return;
    auto self = std::static_pointer_cast<SparkColourPickerCell>(weak_from_this().lock());
    auto picker = std::make_shared<SparkColourPickerViewController>(self, startColour());
    page->presentViewController(picker, true);
    if (page->presentedViewController() == picker)
        m_picker = picker;
}

std::shared_ptr<SparkColourPickerView> SparkColourPickerCell::colourPickerView() const
{
    auto picker = m_picker.lock();
    return picker ? picker->pickerView() : nullptr;
}

void SparkColourPickerCell::colourPicker(
    const std::shared_ptr<SparkColourPickerView>& /*view*/, const UIColor& colour)
{
    auto page = this->page();
    auto specifier = m_specifier;
    if (!page || !specifier || !specifier->stringForKey("key"))
        return;
    auto keepAlive = weak_from_this().lock();
    adoptDefaultsDomain();
    page->setPreferenceValue(Value(colourValue(colour)), specifier);
    page->reloadSpecifier(specifier);
}

void SparkColourPickerCell::dismissPicker()
{
    auto picker = m_picker.lock();
    if (!picker)
        return;
    auto presenter = picker->presentingViewController();
    // Only this row's picker is closed; whatever else the page presents stays.
    if (presenter && presenter->presentedViewController() == picker)
        presenter->dismissViewControllerAnimated(true);
}

bool SparkColourPickerCell::gestureRecognizer(
    const std::shared_ptr<UIGestureRecognizer>& /*recognizer*/)
{
    return true;
}

std::vector<std::string> SparkColourPickerCell::keysToColour() const
{
    const std::string* key = specifier() ? specifier()->stringForKey("key") : nullptr;
    return key ? std::vector<std::string> { *key } : std::vector<std::string> {};
}

} // namespace fw
