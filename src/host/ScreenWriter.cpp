#include "host/ScreenWriter.hpp"

#include "foundation/Journal.hpp"
#include "foundation/UIPasteboard.hpp"
#include "history/History.hpp"
#include "host/HistoryLabels.hpp"
#include "host/PresetChanges.hpp"
#include "host/SessionState.hpp"
#include "sparkpicker/SparkColourPickerCell.hpp"
#include "store/UIColor+Quillane.hpp"
#include "uikit/UIAlertController.hpp"

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>

namespace host {

using nlohmann::json;

namespace {

constexpr double kTableWidth = 375;

json colourJson(const std::optional<fw::UIColor>& color)
{
    if (!color)
        return nullptr;
    if (!color->systemName.empty())
        return { { "name", color->systemName } };
    return { { "rgba", { color->red, color->green, color->blue, color->alpha } } };
}

const char* cellTypeName(int type)
{
    switch (type) {
    case fw::PSGroupCell:
        return "group";
    case fw::PSLinkCell:
        return "link";
    case fw::PSLinkListCell:
        return "linkList";
    case fw::PSListItemCell:
        return "listItem";
    case fw::PSTitleValueCell:
        return "titleValue";
    case fw::PSSliderCell:
        return "slider";
    case fw::PSSwitchCell:
        return "switch";
    case fw::PSStaticTextCell:
        return "static";
    case fw::PSEditTextCell:
        return "editText";
    case fw::PSSegmentCell:
        return "segment";
    case fw::PSButtonCell:
        return "button";
    default:
        return "cell";
    }
}

json fontJson(const fw::UIFont& font)
{
    return { { "name", font.name }, { "size", font.pointSize } };
}

json labelJson(const fw::UILabel& label)
{
    json out { { "text", label.text() ? json(*label.text()) : json(nullptr) },
        { "alpha", label.alpha() }, { "font", fontJson(label.font()) },
        { "color", colourJson(label.textColor()) }, { "alignment", label.textAlignment() },
        { "hidden", label.isHidden() } };
    if (auto& attributed = label.attributedText()) {
        json runs = json::array();
        for (auto& run : attributed->runs()) {
            json entry { { "location", run.range.location }, { "length", run.range.length } };
            if (run.font)
                entry["font"] = fontJson(*run.font);
            if (run.foregroundColor)
                entry["color"] = colourJson(run.foregroundColor);
            runs.push_back(entry);
        }
        out["runs"] = runs;
    }
    if (auto& animation = label.animation()) {
        out["animation"] = { { "duration", animation->duration }, { "delay", animation->delay },
            { "options", animation->options },
            { "alpha", animation->targetAlpha ? json(*animation->targetAlpha) : json(nullptr) } };
    }
    return out;
}

// Substrings of `text` by UTF-16 offsets are what attributed ranges count; the bundle's
// texts are ASCII, where both agree.
json detailRunsJson(const fw::NSAttributedString& text)
{
    json runs = json::array();
    std::size_t position = 0;
    auto& string = text.string();
    auto append = [&](std::size_t from, std::size_t to, const std::optional<fw::UIColor>& color) {
        if (to <= from || from >= string.size())
            return;
        json run { { "text", string.substr(from, to - from) } };
        if (color)
            run["color"] = colourJson(color);
        runs.push_back(run);
    };
    for (auto& run : text.runs()) {
        if (!run.foregroundColor)
            continue;
        append(position, run.range.location, std::nullopt);
        append(run.range.location, run.range.location + run.range.length, run.foregroundColor);
        position = run.range.location + run.range.length;
    }
    append(position, string.size(), std::nullopt);
    return runs;
}

std::string accessoryName(const fw::PSTableCell& cell, bool isColourRow)
{
    if (cell.accessoryType() == fw::UITableViewCellAccessoryCheckmark)
        return "checkmark";
    auto accessory = cell.accessoryView();
    if (!accessory)
        return {};
    if (isColourRow)
        return "swatch";
    return accessory->isHidden() ? std::string {} : std::string("view");
}

void addExtraViews(json& out, const fw::PSTableCell& cell)
{
    json labels = json::array();
    for (auto& view : cell.allSubviews()) {
        if (view == cell.textLabel() || view == cell.detailTextLabel())
            continue;
        if (auto label = std::dynamic_pointer_cast<fw::UILabel>(view)) {
            labels.push_back(labelJson(*label));
            continue;
        }
        auto imageView = std::dynamic_pointer_cast<fw::UIImageView>(view);
        if (imageView && imageView != cell.imageView() && imageView->image()
            && !imageView->isHidden())
            out["image"] = "/device" + imageView->image()->devicePath();
    }
    if (!labels.empty())
        out["labels"] = labels;
}

void addColourRow(json& out, const fw::PSSpecifier& specifier, const fw::PSTableCell& cell)
{
    out["detailAlpha"] = cell.detailTextLabel()->alpha();
    auto* picker = dynamic_cast<const fw::SparkColourPickerCell*>(&cell);
    if (specifier.boolForKey("global") || !picker || !picker->swatch()) {
        out["swatch"] = nullptr;
        return;
    }
    auto& swatch = *picker->swatch();
    auto& value = picker->swatchValue();
    out["swatch"] = { { "value", value ? json(*value) : json(nullptr) },
        { "color", colourJson(swatch.backgroundColor()) }, { "hidden", swatch.isHidden() } };
}

void addValue(json& out, const fw::PSTableCell& cell, const fw::PSSpecifier& specifier)
{
    if (auto* switchCell = dynamic_cast<const fw::PSSwitchTableCell*>(&cell)) {
        out["value"] = switchCell->switchControl()->isOn();
        out["onTint"] = colourJson(switchCell->switchControl()->onTintColor());
    }
    if (auto* segmentCell = dynamic_cast<const fw::PSSegmentTableCell*>(&cell)) {
        out["value"] = segmentCell->segmentedControl()->selectedSegmentIndex;
        out["titles"] = specifier.titles;
        out["segmentTint"] = colourJson(segmentCell->segmentedControl()->tintColor());
    }
}

json rowJson(fw::PSListController& page, const TableRow& row)
{
    auto& specifier = *row.specifier;
    auto* key = specifier.stringForKey("key");
    auto cellClass = specifier.classForKey("cellClass");
    json out { { "index", row.index }, { "section", row.section }, { "row", row.row },
        { "cell", cellTypeName(specifier.cellType()) },
        { "cellClass", cellClass ? json(cellClass->name) : json(nullptr) },
        { "key", key ? json(*key) : json(nullptr) }, { "title", specifier.name() },
        { "detail", nullptr }, { "enabled", isEnabled(specifier) } };
    if (!specifier.buttonAction().empty())
        out["action"] = specifier.buttonAction();
    auto cell = page.cellForSpecifier(row.specifier);
    if (specifier.cellType() == fw::PSGroupCell) {
        auto* footer = specifier.stringForKey("footerText");
        out["footer"] = footer ? json(*footer) : json(nullptr);
        if (auto* alignment = specifier.stringForKey("footerAlignment"))
            out["footerAlignment"] = *alignment;
        if (auto* headerClass = specifier.classForKey("headerCellClass"))
            out["headerCellClass"] = headerClass->name;
    }
    if (!cell)
        return out;
    auto& title = *cell->textLabel();
    if (title.text())
        out["title"] = *title.text();
    out["titleColor"] = colourJson(title.textColor());
    if (title.textAlignment() == fw::NSTextAlignmentCenter)
        out["titleAlignment"] = "center";
    out["titleHidden"] = title.isHidden();
    auto& detail = *cell->detailTextLabel();
    if (detail.text() && !detail.isHidden())
        out["detail"] = *detail.text();
    if (detail.attributedText() && !detail.attributedText()->runs().empty())
        out["detailRuns"] = detailRunsJson(*detail.attributedText());
    bool isColourRow = cell->isKindOfClass(fw::SparkColourPickerCell::classObject());
    auto accessory = accessoryName(*cell, isColourRow);
    out["accessory"] = accessory.empty() ? json(nullptr) : json(accessory);
    if (cell->accessoryType() == fw::UITableViewCellAccessoryCheckmark)
        out["accessoryTint"] = colourJson(cell->tintColor());
    if (auto height = cell->preferredHeightForWidth(kTableWidth))
        out["height"] = *height;
    if (cell->showsReorderControl())
        out["reorder"] = true;
    if (isColourRow)
        addColourRow(out, specifier, *cell);
    addValue(out, *cell, specifier);
    addExtraViews(out, *cell);
    return out;
}

// What the back button shows: the title of the page beneath, or the Settings app's own. A
// browser tab opened on a deep page has seen no other page to take it from.
std::string backTitle(SessionState& state, const fw::PSListController& page)
{
    auto& stack = state.navigation->viewControllers();
    auto it = std::find_if(stack.begin(), stack.end(),
        [&](const std::shared_ptr<fw::UIViewController>& c) { return c.get() == &page; });
    if (it == stack.end() || it == stack.begin())
        return "Settings";
    auto& below = *std::prev(it);
    if (below == state.settingsList)
        return "Settings";
    return below->navigationItem().title;
}

json pageJson(SessionState& state, fw::PSListController& page)
{
    page.layoutTable(kTableWidth);
    auto rows = tableRows(page);
    json rowList = json::array();
    for (auto& row : rows)
        rowList.push_back(rowJson(page, row));
    json rightButton = nullptr;
    if (auto& item = page.navigationItem().rightBarButtonItem)
        rightButton = { { "title", item->title }, { "enabled", item->enabled } };
    auto table = page.table();
    return { { "class", page.isa().name }, { "title", page.navigationItem().title },
        { "tint", colourJson(state.navigation->navigationBar().tintColor) },
        { "rightButton", rightButton }, { "tableStyle", table->style() },
        { "separatorStyle", table->separatorStyle() }, { "rows", rowList },
        { "backTitle", backTitle(state, page) } };
}

const char* actionStyleName(int style)
{
    switch (style) {
    case fw::UIAlertActionStyleCancel:
        return "cancel";
    case fw::UIAlertActionStyleDestructive:
        return "destructive";
    default:
        return "default";
    }
}

json modalJson(SessionState& state, fw::PSListController& page)
{
    auto modal = state.modal();
    if (!modal)
        return nullptr;
    auto rows = tableRows(page);
    if (auto picker = std::dynamic_pointer_cast<fw::SparkColourPickerViewController>(modal)) {
        auto row = rowContainingView(page, rows, picker->cell().get());
        return { { "style", "picker" }, { "row", row ? json(row->index) : json(nullptr) },
            { "color", qln::qlnHexStringFromColor(picker->colour()) } };
    }
    auto alert = std::dynamic_pointer_cast<fw::UIAlertController>(modal);
    if (!alert)
        return { { "style", "other" }, { "title", modal->presentationTitle() } };
    json actions = json::array();
    for (auto& action : alert->actions())
        actions.push_back(
            { { "title", action->title }, { "style", actionStyleName(action->style) } });
    json fields = json::array();
    for (auto& field : alert->textFields())
        fields.push_back({ { "placeholder", field->placeholder }, { "text", field->text } });
    bool sheet = alert->preferredStyle == fw::UIAlertControllerStyleActionSheet;
    json out { { "style", sheet ? "actionSheet" : "alert" }, { "title", alert->title },
        { "message", alert->message }, { "actions", actions }, { "textFields", fields } };
    if (sheet) {
        auto source = alert->popoverPresentationController().sourceView.lock();
        auto row = source ? rowContainingView(page, rows, source.get()) : std::nullopt;
        out["anchor"] = row ? json(row->index) : json(nullptr);
    }
    return out;
}

json pasteboardJson()
{
    auto& pasteboard = fw::UIPasteboard::generalPasteboard();
    switch (pasteboard.kind()) {
    case fw::UIPasteboard::Kind::String:
        return { { "kind", "string" }, { "string", pasteboard.string().value_or("") } };
    case fw::UIPasteboard::Kind::Other:
        return { { "kind", "other" } };
    default:
        return { { "kind", "none" } };
    }
}

json effectJson(const fw::Effect& effect)
{
    json out { { "op", effect.op } };
    if (effect.op == "post") {
        out["name"] = effect.name;
        return out;
    }
    out["path"] = effect.path;
    if (effect.op == "copy")
        out["from"] = effect.from;
    return out;
}

json historyJson()
{
    auto summary = labelledHistory().summary();
    json notice = nullptr;
    if (!summary.notice.empty())
        notice = { { "step", summary.headId }, { "text", summary.notice } };
    return { { "undo", summary.undo ? json(*summary.undo) : json(nullptr) },
        { "redo", summary.redo ? json(*summary.redo) : json(nullptr) }, { "notice", notice } };
}

json storedValueJson(const std::optional<std::string>& value)
{
    if (!value)
        return nullptr;
    json out { { "value", *value } };
    if (value->starts_with("#"))
        out["color"] = colourJson(qln::qlnRGBAColorFromHexString(*value));
    return out;
}

// Beside the presets page only: what the current preset's unsaved changes are.
json presetChangesJson(const fw::PSListController& page)
{
    if (page.pageRole() != fw::PageRole::Presets)
        return nullptr;
    auto changes = unsavedPresetChanges();
    if (!changes)
        return nullptr;
    json rows = json::array();
    for (auto& row : changes->rows)
        rows.push_back({ { "key", row.key }, { "page", row.page }, { "title", row.title },
            { "state", row.state.empty() ? json(nullptr) : json(row.state) },
            { "saved", storedValueJson(row.saved) }, { "now", storedValueJson(row.now) } });
    return { { "preset", changes->preset }, { "rows", rows } };
}

} // namespace

std::string writeScreen(
    SessionState& state, bool takeJournal, const std::optional<std::string>& refusal)
{
    json stack = json::array();
    for (auto& controller : state.navigation->viewControllers()) {
        if (controller != state.settingsList)
            stack.push_back(controller->isa().name);
    }
    auto page = state.topPage();
    json screen { { "stack", stack }, { "page", page ? pageJson(state, *page) : json(nullptr) },
        { "modal", page ? modalJson(state, *page) : json(nullptr) } };
    auto journal = takeJournal ? fw::Journal::take() : fw::JournalEntries {};
    screen["refused"] = journal.refused;
    screen["posted"] = journal.posted;
    screen["spawned"] = journal.spawned;
    json effects = json::array();
    for (auto& effect : journal.effects)
        effects.push_back(effectJson(effect));
    screen["effects"] = effects;
    screen["pasteboard"] = pasteboardJson();
    screen["history"] = historyJson();
    screen["presetChanges"] = page ? presetChangesJson(*page) : json(nullptr);
    if (refusal)
        screen["error"] = *refusal;
    return screen.dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace host
