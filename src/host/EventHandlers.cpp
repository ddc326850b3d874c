#include "host/EventHandlers.hpp"

#include "foundation/Dispatch.hpp"
#include "foundation/Notifications.hpp"
#include "foundation/UIPasteboard.hpp"
#include "history/History.hpp"
#include "host/HistoryLabels.hpp"
#include "sparkpicker/SparkColourPickerCell.hpp"
#include "store/Settings.hpp"
#include "store/UIColor+Quillane.hpp"
#include "uikit/UIAlertController.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>

namespace host {

using nlohmann::json;

namespace {

// An event that cannot apply: its message goes back in the screen's "error".
struct Refusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

const json& field(const json& event, const char* name)
{
    auto it = event.find(name);
    if (it == event.end())
        throw Refusal(std::string("missing field '") + name + "'");
    return *it;
}

std::string stringField(const json& event, const char* name)
{
    auto& value = field(event, name);
    if (!value.is_string())
        throw Refusal(std::string("field '") + name + "' must be a string");
    return value.get<std::string>();
}

// Whether a whole number fits an int; read as a plain int, a larger one would wrap onto a
// small one (2^32 + 1 onto 1) and name a row or segment it never meant.
bool fitsInt(const json& value)
{
    if (value.is_number_unsigned())
        return value.get<std::uint64_t>() <= static_cast<std::uint64_t>(INT32_MAX);
    auto number = value.get<std::int64_t>();
    return number >= INT32_MIN && number <= INT32_MAX;
}

int intField(const json& event, const char* name)
{
    auto& value = field(event, name);
    if (!value.is_number_integer())
        throw Refusal(std::string("field '") + name + "' must be a whole number");
    if (!fitsInt(value))
        throw Refusal(std::string("field '") + name + "' is out of range");
    return value.get<int>();
}

bool boolField(const json& event, const char* name)
{
    auto& value = field(event, name);
    if (!value.is_boolean())
        throw Refusal(std::string("field '") + name + "' must be true or false");
    return value.get<bool>();
}

std::shared_ptr<fw::PSListController> requirePage(SessionState& state)
{
    auto page = state.topPage();
    if (!page)
        throw Refusal("no bundle page is open (the Settings app's list is shown)");
    return page;
}

// Events that touch the page underneath cannot apply while something is presented over it.
std::shared_ptr<fw::PSListController> requireUncoveredPage(SessionState& state)
{
    auto page = requirePage(state);
    if (auto modal = state.modal())
        throw Refusal("'" + modal->presentationTitle() + "' is presented over the page");
    return page;
}

RowAddress rowAddress(const json& event)
{
    auto& row = field(event, "row");
    RowAddress address;
    if (row.is_number_integer()) {
        if (!fitsInt(row))
            throw Refusal("no such row: " + row.dump());
        address.index = row.get<int>();
        return address;
    }
    if (!row.is_object())
        throw Refusal("field 'row' must be a number or an object");
    auto text = [&](const char* name) -> std::optional<std::string> {
        auto it = row.find(name);
        if (it == row.end())
            return std::nullopt;
        if (!it->is_string())
            throw Refusal(std::string("row field '") + name + "' must be a string");
        return it->get<std::string>();
    };
    address.title = text("title");
    address.key = text("key");
    address.fileName = text("fileName");
    if (row.contains("section") || row.contains("row")) {
        address.section = intField(row, "section");
        address.row = intField(row, "row");
    }
    if (!address.title && !address.key && !address.fileName && !address.section)
        throw Refusal("field 'row' names no row (use index, section/row, title, key or fileName)");
    return address;
}

TableRow requireRow(fw::PSListController& page, const json& event)
{
    auto rows = tableRows(page);
    auto row = findRow(rows, rowAddress(event));
    if (!row)
        throw Refusal("no such row: " + field(event, "row").dump());
    return *row;
}

void open(SessionState& state, const json&)
{
    if (state.topPage())
        throw Refusal("the bundle is already open; 'open' works from the Settings app's list");
    auto* cls = fw::principalClass();
    std::shared_ptr<fw::PSListController> page;
    if (cls && cls->make)
        page = std::dynamic_pointer_cast<fw::PSListController>(cls->make());
    // A root page class that is not built opens as an empty page.
    if (!page)
        page = std::make_shared<fw::PSListController>();
    page->setBundlePath(std::string(qln::bundlePath));
    state.navigation->pushViewController(page, true);
}

void tap(SessionState& state, const json& event)
{
    auto page = requireUncoveredPage(state);
    auto row = requireRow(*page, event);
    if (!isEnabled(*row.specifier))
        throw Refusal("row " + std::to_string(row.index) + " is disabled");
    page->tapSpecifier(row.specifier);
}

std::vector<std::shared_ptr<fw::UIGestureRecognizer>> longPressRecognizers(fw::PSTableCell& cell)
{
    std::vector<std::shared_ptr<fw::UIGestureRecognizer>> found;
    auto collect = [&](const fw::UIView& view) {
        for (auto& recognizer : view.gestureRecognizers()) {
            if (recognizer->isKindOfClass(fw::UILongPressGestureRecognizer::classObject()))
                found.push_back(recognizer);
        }
    };
    collect(cell);
    for (auto& view : cell.allSubviews())
        collect(*view);
    return found;
}

void pressBegan(SessionState& state, const json& event)
{
    auto page = requireUncoveredPage(state);
    auto row = requireRow(*page, event);
    auto cell = page->cellForSpecifier(row.specifier);
    auto recognizers
        = cell ? longPressRecognizers(*cell) : decltype(longPressRecognizers(*cell)) {};
    if (recognizers.empty())
        throw Refusal("row " + std::to_string(row.index) + " does not answer a long press");
    auto& recognizer = recognizers.front();
    if (!recognizer->shouldReceiveTouch())
        throw Refusal("the row's long-press recogniser does not take the touch");
    state.activePress = recognizer;
    recognizer->deliver(fw::UIGestureRecognizerState::Began);
}

void pressContinues(SessionState& state, fw::UIGestureRecognizerState phase)
{
    auto recognizer = state.activePress.lock();
    if (!recognizer)
        throw Refusal("no long press has begun");
    if (phase == fw::UIGestureRecognizerState::Ended)
        state.activePress.reset();
    recognizer->deliver(phase);
}

void longPress(SessionState& state, const json& event)
{
    if (!event.contains("phase")) {
        pressBegan(state, event);
        pressContinues(state, fw::UIGestureRecognizerState::Ended);
        return;
    }
    auto phase = stringField(event, "phase");
    if (phase == "began")
        return pressBegan(state, event);
    if (phase == "changed")
        return pressContinues(state, fw::UIGestureRecognizerState::Changed);
    if (phase == "ended")
        return pressContinues(state, fw::UIGestureRecognizerState::Ended);
    throw Refusal("field 'phase' must be \"began\", \"changed\" or \"ended\"");
}

void switchRow(SessionState& state, const json& event)
{
    auto page = requireUncoveredPage(state);
    auto row = requireRow(*page, event);
    auto value = boolField(event, "value");
    if (row.specifier->cellType() != fw::PSSwitchCell)
        throw Refusal("row " + std::to_string(row.index) + " is not a switch");
    if (!isEnabled(*row.specifier))
        throw Refusal("row " + std::to_string(row.index) + " is disabled");
    page->setValueForSpecifier(fw::Value(value), row.specifier);
}

void segment(SessionState& state, const json& event)
{
    auto page = requireUncoveredPage(state);
    auto row = requireRow(*page, event);
    auto index = intField(event, "index");
    auto& specifier = *row.specifier;
    if (specifier.cellType() != fw::PSSegmentCell)
        throw Refusal("row " + std::to_string(row.index) + " is not a segment row");
    if (index < 0 || index >= static_cast<int>(specifier.values.size()))
        throw Refusal("segment " + std::to_string(index) + " does not exist");
    if (!isEnabled(specifier))
        throw Refusal("row " + std::to_string(row.index) + " is disabled");
    page->setValueForSpecifier(specifier.values[static_cast<std::size_t>(index)], row.specifier);
}

void alert(SessionState& state, const json& event)
{
    auto alertController = std::dynamic_pointer_cast<fw::UIAlertController>(state.modal());
    if (!alertController)
        throw Refusal("no alert or action sheet is presented");
    auto button = stringField(event, "button");
    bool known = false;
    for (auto& action : alertController->actions())
        known = known || action->title == button;
    if (!known)
        throw Refusal("the presented alert has no button '" + button + "'");
    if (event.contains("text")) {
        auto& texts = event["text"];
        if (!texts.is_array())
            throw Refusal("field 'text' must be an array of strings");
        auto& fields = alertController->textFields();
        for (std::size_t i = 0; i < texts.size(); ++i) {
            if (!texts[i].is_string())
                throw Refusal("field 'text' must be an array of strings");
            if (i < fields.size())
                fields[i]->text = texts[i].get<std::string>();
        }
    }
    alertController->chooseAction(button);
}

std::shared_ptr<fw::SparkColourPickerViewController> requirePicker(SessionState& state)
{
    auto picker = std::dynamic_pointer_cast<fw::SparkColourPickerViewController>(state.modal());
    if (!picker)
        throw Refusal("no colour picker is open");
    return picker;
}

void pick(SessionState& state, const json& event)
{
    auto picker = requirePicker(state);
    auto text = stringField(event, "color");
    auto colour = qln::qlnRGBAColorFromHexString(text);
    if (!colour)
        throw Refusal("field 'color' is empty");
    picker->reportColour(*colour);
    state.pickedPicker = picker;
}

// A tab that closes the picker says which colour it shows; when another tab of the same session
// has picked since, closing would store a colour this one never showed.
void requireShownColour(const fw::SparkColourPickerViewController& picker, const json& event)
{
    if (!event.contains("color"))
        return;
    auto shown = qln::qlnRGBAColorFromHexString(stringField(event, "color"));
    if (!shown)
        throw Refusal("field 'color' is empty");
    auto held = qln::qlnHexStringFromColor(picker.colour());
    if (qln::qlnHexStringFromColor(*shown) != held)
        throw Refusal("the picker's colour was changed elsewhere to " + held
            + "; nothing was stored, so look at it before closing");
}

void closePicker(SessionState& state, const json& event)
{
    auto picker = requirePicker(state);
    requireShownColour(*picker, event);
    picker->close();
}

// The user backs out: the sheet goes without the cell's close, so nothing is written, and the
// page builds its rows again, so no row keeps the colour that was being picked.
void cancelPicker(SessionState& state, const json&)
{
    requirePicker(state)->dismissWithoutClosing();
    if (auto page = state.topPage())
        page->reloadSpecifiers();
}

void barButton(SessionState& state, const json&)
{
    auto page = requireUncoveredPage(state);
    auto item = page->navigationItem().rightBarButtonItem;
    if (!item)
        throw Refusal("the page has no right button");
    if (!item->enabled)
        throw Refusal("the '" + item->title + "' button is disabled");
    item->tap();
}

void back(SessionState& state, const json&)
{
    requireUncoveredPage(state);
    state.navigation->popViewControllerAnimated(true);
}

void move(SessionState& state, const json& event)
{
    auto page = requireUncoveredPage(state);
    auto from = intField(event, "from");
    auto to = intField(event, "to");
    auto rows = tableRows(*page);
    // Rows move within the first section that holds reorderable rows.
    std::optional<TableRow> source, destination;
    for (auto& row : rows) {
        auto cell = page->cellForSpecifier(row.specifier);
        if (!cell || !cell->showsReorderControl())
            continue;
        if (row.row == from && !source)
            source = row;
        if (row.row == to && !destination)
            destination = row;
    }
    if (!source)
        throw Refusal("row " + std::to_string(from) + " cannot be moved");
    if (!destination || destination->section != source->section)
        throw Refusal("row " + std::to_string(to) + " is not a place the row can move to");
    page->moveRow(
        { source->section, source->tableRow() }, { destination->section, destination->tableRow() });
}

void settle(SessionState&, const json& event)
{
    int milliseconds = event.contains("ms") ? intField(event, "ms") : 5000;
    if (milliseconds < 0)
        throw Refusal("field 'ms' must not be negative");
    fw::settle(std::chrono::milliseconds(milliseconds));
}

void pasteboard(SessionState&, const json& event)
{
    // Every field given must have its type, also one that an earlier field makes moot.
    std::optional<std::string> string;
    if (event.contains("string"))
        string = stringField(event, "string");
    bool other = event.contains("other") && boolField(event, "other");
    bool clear = event.contains("clear") && boolField(event, "clear");
    auto& board = fw::UIPasteboard::generalPasteboard();
    if (string)
        return board.setString(*string);
    if (other)
        return board.setOtherItem();
    if (clear)
        return board.clear();
    throw Refusal("'pasteboard' needs 'string', 'other': true or 'clear': true");
}

void notify(SessionState&, const json& event)
{
    auto center = stringField(event, "center");
    auto name = stringField(event, "name");
    if (center == "darwin")
        return fw::DarwinNotifyCenter::center().receiveNotification(name);
    if (center == "distributed")
        return fw::NSDistributedNotificationCenter::defaultCenter().receiveNotification(name);
    throw Refusal("field 'center' must be \"darwin\" or \"distributed\"");
}

// Undo and redo move within the history; they are no steps of their own.
void moveInHistory(SessionState& state, bool backwards)
{
    if (auto modal = state.modal())
        throw Refusal("'" + modal->presentationTitle() + "' is presented over the page");
    auto& history = labelledHistory();
    auto moved = backwards ? history.undo() : history.redo();
    if (!moved.label)
        throw Refusal(moved.error);
    fw::DarwinNotifyCenter::center().postNotification(qln::updateNotification);
    if (moved.presetsChanged)
        fw::NSDistributedNotificationCenter::defaultCenter().postNotificationName(
            qln::presetChangedNotification);
    // No cell may keep showing a colour that is no longer stored.
    if (auto page = state.topPage())
        page->reloadSpecifiers();
}

void undo(SessionState& state, const json&)
{
    moveInHistory(state, true);
}

void redo(SessionState& state, const json&)
{
    moveInHistory(state, false);
}

using Handler = void (*)(SessionState&, const json&);

const std::map<std::string, Handler, std::less<>>& handlers()
{
    static const std::map<std::string, Handler, std::less<>> table {
        { "open", open },
        { "tap", tap },
        { "longPress", longPress },
        { "switch", switchRow },
        { "segment", segment },
        { "alert", alert },
        { "pick", pick },
        { "closePicker", closePicker },
        { "cancelPicker", cancelPicker },
        { "barButton", barButton },
        { "back", back },
        { "move", move },
        { "settle", settle },
        { "pasteboard", pasteboard },
        { "notify", notify },
        { "undo", undo },
        { "redo", redo },
    };
    return table;
}

} // namespace

std::optional<std::string> handleEvent(SessionState& state, std::string_view eventJson)
{
    auto event = json::parse(eventJson, nullptr, false);
    if (event.is_discarded())
        return "the event is not valid JSON";
    if (!event.is_object())
        return "an event must be a JSON object";
    try {
        auto name = stringField(event, "event");
        auto handler = handlers().find(name);
        if (handler == handlers().end())
            return "unknown event '" + name + "'";
        // Work queued before the event (notifications, background answers) runs first.
        fw::DispatchMainQueue::drain();
        handler->second(state, event);
        fw::DispatchMainQueue::drain();
    } catch (const Refusal& refusal) {
        return refusal.what();
    }
    return std::nullopt;
}

} // namespace host
