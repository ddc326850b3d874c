#include "cells/QLNColorPicker.hpp"

#include "foundation/ClassDescription.hpp"
#include "foundation/NumberScanner.hpp"
#include "foundation/Utf16.hpp"
#include "preferences/PSListController.hpp"
#include "store/Settings.hpp"
#include "store/SettingsStore.hpp"
#include "store/UIColor+Quillane.hpp"
#include "uikit/Alerts.hpp"

#include <vector>

namespace qln {

namespace {

constexpr std::string_view kProtectedKeyPart = "ContainerBackground";

std::shared_ptr<fw::PSListController> pageOf(const fw::UIView& cell)
{
    return std::dynamic_pointer_cast<fw::PSListController>(cell._viewControllerForAncestor());
}

// The keys of the page's colour rows that global rows may write, in list order. Rows without a
// key have nothing to write and are passed over.
std::vector<std::string> qualifyingKeys(fw::PSListController& page)
{
    std::vector<std::string> keys;
    for (const auto& row : page.specifiers()) {
        if (row->classForKey("cellClass") != &QLNColorPicker::classObject())
            continue;
        const std::string* key = row->stringForKey("key");
        if (!key || key->find(kProtectedKeyPart) != std::string::npos)
            continue;
        keys.push_back(*key);
    }
    return keys;
}

// Every write of this cell ends the same way: settings copy, unsaved mark, notification. A
// missing settings file leaves nothing to write, but the other two steps still happen.
void storeAndAnnounce(const std::optional<fw::Dictionary>& settings)
{
    if (settings)
        writeSettings(*settings, settingsFileVarMobile);
    markUnsaved();
    postUpdateNotification();
}

} // namespace

const fw::ClassDescriptor& QLNColorPicker::classObject()
{
    static const fw::ClassDescriptor cls = fw::describeClass<QLNColorPicker>("QLNColorPicker",
        fw::SparkColourPickerCell::classObject(),
        { { "handleLongPress:", fw::action<&QLNColorPicker::handleLongPress>() },
            { "dismissPicker", fw::action<&QLNColorPicker::dismissPicker>() },
            { "openColourPicker", fw::action<&QLNColorPicker::openColourPicker>() },
            { "showOverwriteAlert", fw::action<&QLNColorPicker::showOverwriteAlert>() },
            { "gestureRecognizer:shouldReceiveTouch:",
                fw::action<&QLNColorPicker::gestureRecognizer>() } });
    return cls;
}

bool QLNColorPicker::initWithStyle(int /*style*/, const std::string& reuseIdentifier,
    const std::shared_ptr<fw::PSSpecifier>& specifier)
{
    if (!fw::SparkColourPickerCell::initWithStyle(
            fw::UITableViewCellStyleSubtitle, reuseIdentifier, specifier))
        return false;
    auto self = shared_from_this();
    if (specifier)
        specifier->setTarget(self);

    m_lpgr = std::make_shared<fw::UILongPressGestureRecognizer>(self, "handleLongPress:");
    m_lpgr->setDelegate(self);
    m_lpgr->setMinimumPressDuration(1.0);
    contentView()->addGestureRecognizer(m_lpgr);
    m_lpgr->setView(contentView());

    if (specifier)
        specifier->setButtonAction("dismissPicker");
    return true;
}

bool QLNColorPicker::gestureRecognizer(const std::shared_ptr<fw::UIGestureRecognizer>& recognizer)
{
    if (recognizer && recognizer == m_lpgr)
        return true;
    return fw::SparkColourPickerCell::gestureRecognizer(recognizer);
}

void QLNColorPicker::layoutSubviews()
{
    fw::SparkColourPickerCell::layoutSubviews();
    if (!isGlobal())
        return;
    textLabel()->setTextColor(accentColour());
    textLabel()->setHighlightedTextColor(accentColour());
}

bool QLNColorPicker::isGlobal() const
{
    return m_specifier && m_specifier->boolForKey("global");
}

std::vector<std::string> QLNColorPicker::keysToColour() const
{
    if (isGlobal()) {
        auto page = pageOf(*this);
        return page ? qualifyingKeys(*page) : std::vector<std::string> {};
    }
    return SparkColourPickerCell::keysToColour();
}

void QLNColorPicker::handleLongPress(const std::shared_ptr<fw::UIGestureRecognizer>& /*recognizer*/)
{
    // The snapshot is taken now, before any alert, whatever the recogniser's state.
    auto snapshot = readSettings(settingsFileVarMobile);
    if (isGlobal())
        confirmGlobalReset(std::move(snapshot));
    else
        resetRow(std::move(snapshot));
}

void QLNColorPicker::confirmGlobalReset(std::optional<fw::Dictionary> snapshot)
{
    auto page = pageOf(*this);
    if (!page)
        return;
    fw::presentConfirmation(*page, "Reset Global Color",
        "This will reset all colors in the current category. Do you want to continue?", {},
        [snapshot](fw::PSListController& page) mutable {
            for (const std::string& key : qualifyingKeys(page)) {
                if (snapshot)
                    snapshot->erase(key);
            }
            storeAndAnnounce(snapshot);
            page.reloadSpecifiers();
        });
}

void QLNColorPicker::resetRow(std::optional<fw::Dictionary> snapshot)
{
    // A row without a key has nothing stored to reset: no file is touched, nothing announced.
    const std::string* key = m_specifier ? m_specifier->stringForKey("key") : nullptr;
    if (key) {
        if (snapshot)
            snapshot->erase(*key);
        storeAndAnnounce(snapshot);
    }
    m_currentColor.reset();
    updateCellDisplay();
}

void QLNColorPicker::colourPicker(
    const std::shared_ptr<fw::SparkColourPickerView>& /*pickerView*/, const fw::UIColor& colour)
{
    setCurrentColor(colour);
}

void QLNColorPicker::setCurrentColor(std::optional<fw::UIColor> colour)
{
    m_currentColor = std::move(colour);
    updateSwatchValue();
}

// What the swatch stands for: the colour being picked, else the value the last display read.
void QLNColorPicker::updateSwatchValue()
{
    setSwatchValue(
        m_currentColor ? std::optional(qlnHexStringFromColor(*m_currentColor)) : m_shownValue);
}

void QLNColorPicker::dismissPicker()
{
    // The page reload below may replace this cell; it stays alive until the method returns.
    auto keepAlive = shared_from_this();
    fw::SparkColourPickerCell::dismissPicker();
    if (!m_currentColor)
        return;
    if (!isGlobal()) {
        fw::SparkColourPickerCell::colourPicker(colourPickerView(), *m_currentColor);
        return;
    }
    spreadCurrentColour();
}

void QLNColorPicker::spreadCurrentColour()
{
    auto page = pageOf(*this);
    if (!page)
        return;
    auto settings = readSettings(settingsFileVarMobile);
    std::string value = qlnHexStringFromColor(*m_currentColor);
    for (const std::string& key : qualifyingKeys(*page)) {
        if (settings)
            (*settings)[key] = fw::Value(value);
    }
    storeAndAnnounce(settings);
    page->reloadSpecifiers();
}

void QLNColorPicker::showOverwriteAlert()
{
    auto page = pageOf(*this);
    if (!page)
        return;
    std::weak_ptr<QLNColorPicker> weakSelf
        = std::static_pointer_cast<QLNColorPicker>(shared_from_this());
    fw::presentConfirmation(*page, "Set Global Color",
        "This will overwrite all colors in the current category. Do you want to continue?", {},
        [weakSelf](fw::PSListController&) {
            if (auto self = weakSelf.lock())
                self->openColourPicker();
        });
}

std::optional<std::string> QLNColorPicker::previewColor() const
{
    if (m_currentColor)
        return qlnHexStringFromColor(*m_currentColor);
    const std::string* key = m_specifier ? m_specifier->stringForKey("key") : nullptr;
    if (!key)
        return std::nullopt;
    auto stored = readSetting(*key, settingsFileVarMobile);
    // Only a non-empty string is a colour value; anything else shows as "Default".
    const std::string* text = stored ? stored->asString() : nullptr;
    if (!text || text->empty())
        return std::nullopt;
    return *text;
}

void QLNColorPicker::createAccessoryView()
{
    auto swatch = std::make_shared<fw::UIView>(fw::CGRect { 0, 0, 29, 29 });
    swatch->layer().cornerRadius = swatch->frame().width / 2;
    swatch->layer().shadowOpacity = 0.5;
    swatch->layer().shadowOffset = { 0, 0 };
    swatch->layer().shadowRadius = 5.0;
    setSwatch(std::move(swatch));
}

void QLNColorPicker::updateCellDisplay()
{
    fw::Dictionary& opts = options();
    if (!fw::lookup(opts, "defaults") || !fw::lookup(opts, "fallback")) {
        opts["defaults"] = fw::Value(settingsDomain);
        opts["fallback"] = fw::Value("#FF0000");
    }
    if (!m_specifier)
        return;

    if (isGlobal()) {
        if (accessoryView())
            accessoryView()->setHidden(true);
        m_specifier->setButtonAction("showOverwriteAlert");
        return;
    }

    m_specifier->setButtonAction("openColourPicker");
    if (!swatch())
        createAccessoryView();
    if (accessoryView() != swatch())
        setAccessoryView(swatch());

    std::optional<std::string> value = previewColor();
    m_shownValue = value;
    updateSwatchValue();
    const std::shared_ptr<fw::UIView>& preview = swatch();
    if (!value) {
        preview->setHidden(true);
        detailTextLabel()->setText("Default");
        detailTextLabel()->setAlpha(0.5);
        return;
    }
    auto colour = qlnRGBAColorFromHexString(*value);
    preview->setHidden(false);
    preview->setBackgroundColor(colour);
    preview->layer().shadowColor = colour;
    detailTextLabel()->setText(displayText(*value));
    detailTextLabel()->setAlpha(1.0);
}

std::string QLNColorPicker::displayText(std::string_view value)
{
    std::size_t colon = value.find(':');
    if (colon == std::string_view::npos)
        return std::string(value);
    // At most four characters of the opacity are read (characters, not bytes: "\u30000.75"
    // reads as 0.7), in double precision.
    double percent = fw::scanDouble(fw::utf16Substring(value.substr(colon + 1), 0, 4)) * 100.0;
    std::string hex(value.substr(0, colon));
    // A negative opacity draws as fully transparent, so it reads "Hidden" too.
    if (percent <= 0)
        return "Hidden";
    if (percent < 100)
        return hex + " " + std::to_string(static_cast<int>(percent)) + "%";
    return hex;
}

} // namespace qln
