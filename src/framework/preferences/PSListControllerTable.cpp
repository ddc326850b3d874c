// PSListController: what the host's table does on the user's behalf (showing rows, taps, value
// changes, drags).
#include "preferences/PSListController.hpp"
#include "uikit/UIViewController.hpp"

#include <algorithm>
#include <set>

namespace fw {

namespace {

// The class that makes a row's cell, and whether it is a group row's header cell.
struct CellClass {
    const ClassDescriptor* cls;
    bool header;
};

bool isCellClass(const ClassDescriptor* cls)
{
    return cls && cls->make && cls->isSubclassOf(PSTableCell::classObject());
}

CellClass cellClassFor(const PSSpecifier& specifier)
{
    if (specifier.cellType() == PSGroupCell) {
        auto* header = specifier.classForKey("headerCellClass");
        if (isCellClass(header))
            return { header, true };
        return { &PSTableCell::classObject(), false };
    }
    if (auto* custom = specifier.classForKey("cellClass"); isCellClass(custom))
        return { custom, false };
    switch (specifier.cellType()) {
    case PSSwitchCell:
        return { &PSSwitchTableCell::classObject(), false };
    case PSSegmentCell:
        return { &PSSegmentTableCell::classObject(), false };
    default:
        return { &PSTableCell::classObject(), false };
    }
}

// "enabled" set to a false value ("NO", false, 0) disables the row.
bool isEnabled(const PSSpecifier& specifier)
{
    auto* enabled = specifier.valueForKey("enabled");
    return !enabled || enabled->boolValue();
}

// Where a row with `path` sits in `rows`, or the end of its section when `path` is one past the
// section's last row (where a drag may drop); nullopt when there is no such place.
std::optional<std::size_t> positionOf(
    const SpecifierList& rows, const NSIndexPath& path, bool allowEnd)
{
    auto paths = PSListController::indexPaths(rows);
    std::optional<std::size_t> endOfSection;
    int rowsInSection = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (paths[i].section != path.section)
            continue;
        endOfSection = i + 1;
        if (paths[i].row < 0)
            continue;
        if (paths[i].row == path.row)
            return i;
        ++rowsInSection;
    }
    if (allowEnd && endOfSection && path.row == rowsInSection)
        return endOfSection;
    return std::nullopt;
}

} // namespace

bool PSListController::cellsEndInOrder(const UIView& table, const SpecifierList& rows) const
{
    const auto& subviews = table.subviews();
    if (rows.size() > subviews.size())
        return false;
    std::size_t at = subviews.size() - rows.size();
    for (const auto& row : rows) {
        auto cell = existingCellForSpecifier(row.get());
        if (!cell || subviews[at++] != cell)
            return false;
    }
    return true;
}

SpecifierList PSListController::displayedSpecifiers()
{
    view();
    const SpecifierList& listed = specifiers();
    if (!m_displayOrder)
        return listed;
    std::set<const PSSpecifier*> listedSet;
    for (const auto& row : listed)
        listedSet.insert(row.get());
    SpecifierList shown;
    std::set<const PSSpecifier*> shownSet;
    for (const auto& row : *m_displayOrder) {
        if (listedSet.count(row.get()) && shownSet.insert(row.get()).second)
            shown.push_back(row);
    }
    // Rows the page listed after the drag (without a reload) go at the end.
    for (const auto& row : listed) {
        if (shownSet.insert(row.get()).second)
            shown.push_back(row);
    }
    return shown;
}

std::shared_ptr<PSTableCell> PSListController::cellForSpecifier(
    const std::shared_ptr<PSSpecifier>& specifier)
{
    if (!specifier)
        return nullptr;
    if (auto cell = existingCellForSpecifier(specifier.get()))
        return cell;
    auto cell = makeCell(specifier);
    m_cells[specifier.get()] = CachedCell { specifier, cell };
    table()->addSubview(cell);
    cell->refreshCellContentsWithSpecifier(specifier);
    cell->layoutForWidth(cell->frame().width);
    return cell;
}

std::shared_ptr<PSTableCell> PSListController::makeCell(
    const std::shared_ptr<PSSpecifier>& specifier)
{
    auto [cls, header] = cellClassFor(*specifier);
    auto cell = std::dynamic_pointer_cast<PSTableCell>(cls->make());
    bool made = cell
        && (header ? cell->initWithSpecifier(specifier)
                   : cell->initWithStyle(UITableViewCellStyleDefault, cls->name, specifier));
    if (made)
        return cell;
    // A cell class that answers "nil" still leaves the row visible, as a plain cell.
    cell = std::make_shared<PSTableCell>();
    cell->initWithStyle(UITableViewCellStyleDefault, "PSTableCell", specifier);
    return cell;
}

void PSListController::layoutTable(double width)
{
    auto keepAlive = weak_from_this().lock();
    SpecifierList rows = displayedSpecifiers();
    dropCellsNotIn(rows);
    CGRect frame = view()->frame();
    frame.width = width;
    view()->setFrame(frame);
    auto tableView = table();
    // Moving every cell to the front in turn costs time in the square of the rows; when the
    // cells already end the table in display order, it would leave them as they are.
    bool inOrder = cellsEndInOrder(*tableView, rows);
    for (const auto& specifier : rows) {
        auto cell = cellForSpecifier(specifier);
        if (!cell)
            continue;
        // Subviews follow the display order, so label walks meet rows as they are shown.
        if (!inOrder)
            tableView->bringSubviewToFront(cell);
        if (!cell->window())
            cell->setInWindow(true);
        cell->layoutForWidth(width);
    }
}

void PSListController::tapSpecifier(const std::shared_ptr<PSSpecifier>& specifier)
{
    if (!specifier || !isEnabled(*specifier))
        return;
    auto keepAlive = weak_from_this().lock();
    const std::string& action = specifier->buttonAction();
    if (!action.empty()) {
        auto target = specifier->target();
        if (!target)
            return;
        if (action.find(':') != std::string::npos)
            target->perform(action, { Arg(Id(specifier)) });
        else
            target->perform(action);
        return;
    }
    if (auto* detail = specifier->detailControllerClass())
        pushDetailController(*detail, specifier);
}

void PSListController::setValueForSpecifier(
    const Value& value, const std::shared_ptr<PSSpecifier>& specifier)
{
    if (!specifier || !isEnabled(*specifier))
        return;
    auto keepAlive = weak_from_this().lock();
    auto target = specifier->target();
    if (target && !specifier->setter().empty())
        target->perform(specifier->setter(), { Arg(value), Arg(Id(specifier)) });
    reloadSpecifier(specifier);
}

void PSListController::moveRow(const NSIndexPath& from, const NSIndexPath& to)
{
    auto keepAlive = weak_from_this().lock();
    SpecifierList rows = displayedSpecifiers();
    auto source = positionOf(rows, from, false);
    if (!source)
        return;
    auto moving = rows[*source];
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(*source));
    auto destination = positionOf(rows, to, true);
    if (!destination)
        return;
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(*destination), moving);
    m_displayOrder = std::move(rows);
    tableView(table(), from, to);
}

std::vector<NSIndexPath> PSListController::indexPaths(const SpecifierList& rows)
{
    std::vector<NSIndexPath> paths;
    paths.reserve(rows.size());
    int section = -1;
    int row = 0;
    for (const auto& specifier : rows) {
        if (specifier && specifier->cellType() == PSGroupCell) {
            paths.push_back(NSIndexPath { ++section, -1 });
            row = 0;
            continue;
        }
        section = std::max(section, 0);
        paths.push_back(NSIndexPath { section, row++ });
    }
    return paths;
}

std::shared_ptr<PSListController> PSListController::pushDetailController(
    const ClassDescriptor& detail, const std::shared_ptr<PSSpecifier>& specifier)
{
    if (!detail.make || !detail.isSubclassOf(PSListController::classObject()))
        return nullptr;
    auto page = std::dynamic_pointer_cast<PSListController>(detail.make());
    if (!page)
        return nullptr;
    page->setBundlePath(m_bundlePath);
    // The row's title until the page's own layout file names one.
    page->navigationItem().title = specifier->name();
    if (auto navigation = navigationController())
        navigation->pushViewController(page, true);
    return page;
}

} // namespace fw
