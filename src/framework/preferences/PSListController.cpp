#include "preferences/PSListController.hpp"

#include "foundation/ClassDescription.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "preferences/SpecifierLoader.hpp"

#include <algorithm>
#include <set>

namespace fw {

namespace {

constexpr CGRect kPageFrame { 0, 0, 375, 812 };

// The framework's own preference file of a row: its "defaults" domain under the user's
// preferences. A domain that would leave that directory names no file.
std::optional<std::string> preferencesPath(const PSSpecifier& specifier)
{
    auto* domain = specifier.stringForKey("defaults");
    if (!domain || domain->empty() || domain->find('/') != std::string::npos)
        return std::nullopt;
    return "/User/Library/Preferences/" + *domain + ".plist";
}

} // namespace

const ClassDescriptor& PSListController::classObject()
{
    static const ClassDescriptor cls = describeClass<PSListController>("PSListController",
        UIViewController::classObject(),
        { { "reloadSpecifiers", action<&PSListController::reloadSpecifiers>() },
            { "setPreferenceValue:specifier:", action<&PSListController::setPreferenceValue>() },
            { "readPreferenceValue:", action<&PSListController::readPreferenceValue>() } });
    return cls;
}

const SpecifierList& PSListController::specifiers()
{
    return _specifiers ? *_specifiers : m_emptyList;
}

SpecifierList PSListController::loadSpecifiersFromPlistName(std::string_view name, const Id& target)
{
    auto page
        = SpecifierLoader::loadFile(m_bundlePath + "/" + std::string(name) + ".plist", target);
    if (page.title)
        navigationItem().title = *page.title;
    return std::move(page.specifiers);
}

void PSListController::reloadSpecifiers()
{
    // A row's handler may reload the page after the last other reference to it went away.
    auto keepAlive = weak_from_this().lock();
    view();
    _specifiers.reset();
    m_displayOrder.reset();
    SpecifierList rows = specifiers();
    dropCellsNotIn(rows);
    for (const auto& specifier : rows) {
        if (auto cell = existingCellForSpecifier(specifier.get())) {
            cell->refreshCellContentsWithSpecifier(specifier);
            cell->layoutForWidth(cell->frame().width);
        }
    }
}

void PSListController::removeSpecifier(
    const std::shared_ptr<PSSpecifier>& specifier, bool /*animated*/)
{
    if (!specifier || !_specifiers)
        return;
    auto& rows = *_specifiers;
    auto it = std::find(rows.begin(), rows.end(), specifier);
    if (it == rows.end())
        return;
    rows.erase(it);
    if (m_displayOrder) {
        auto& shown = *m_displayOrder;
        shown.erase(std::remove(shown.begin(), shown.end(), specifier), shown.end());
    }
    dropCellsNotIn(rows);
}

void PSListController::reloadSpecifier(const std::shared_ptr<PSSpecifier>& specifier)
{
    if (!specifier)
        return;
    auto cell = existingCellForSpecifier(specifier.get());
    if (!cell)
        return;
    cell->refreshCellContentsWithSpecifier(specifier);
    cell->layoutForWidth(cell->frame().width);
}

std::optional<Value> PSListController::readPreferenceValue(
    const std::shared_ptr<PSSpecifier>& specifier)
{
    if (!specifier)
        return std::nullopt;
    auto* key = specifier->stringForKey("key");
    auto path = preferencesPath(*specifier);
    if (key && path) {
        auto stored = dictionaryWithContentsOfFile(*path);
        if (auto* value = stored ? lookup(*stored, *key) : nullptr)
            return *value;
    }
    auto* fallback = specifier->valueForKey("default");
    return fallback ? std::optional<Value>(*fallback) : std::nullopt;
}

void PSListController::setPreferenceValue(
    const Value& value, const std::shared_ptr<PSSpecifier>& specifier)
{
    if (!specifier)
        return;
    auto* key = specifier->stringForKey("key");
    auto path = preferencesPath(*specifier);
    if (!key || !path)
        return;
    auto stored = dictionaryWithContentsOfFile(*path);
    if (!stored) {
        // A damaged file is left alone rather than replaced by a one-key dictionary.
        if (NSFileManager::defaultManager().fileExistsAtPath(*path))
            return;
        stored = Dictionary {};
    }
    (*stored)[*key] = value;
    writeToFile(*stored, *path);
}

void PSListController::tableView(const std::shared_ptr<UITableView>& /*tableView*/,
    const NSIndexPath& /*from*/, const NSIndexPath& /*to*/)
{
}

void PSListController::loadView()
{
    m_view = std::make_shared<UIView>(kPageFrame);
    m_view->setOwningViewController(
        std::static_pointer_cast<UIViewController>(weak_from_this().lock()));
    m_table = std::make_shared<UITableView>(tableViewStyle());
    m_table->setFrame(m_view->bounds());
    m_table->setAutoresizingMask(
        UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    m_view->addSubview(m_table);
}

std::shared_ptr<UITableView> PSListController::table()
{
    view();
    return m_table;
}

std::shared_ptr<PSTableCell> PSListController::existingCellForSpecifier(
    const PSSpecifier* specifier) const
{
    auto it = m_cells.find(specifier);
    return it == m_cells.end() ? nullptr : it->second.cell;
}

void PSListController::dropCellsNotIn(const SpecifierList& rows)
{
    std::set<const PSSpecifier*> listed;
    for (const auto& row : rows)
        listed.insert(row.get());
    std::vector<std::shared_ptr<PSTableCell>> dropped;
    for (auto it = m_cells.begin(); it != m_cells.end();) {
        if (listed.count(it->first)) {
            ++it;
            continue;
        }
        dropped.push_back(it->second.cell);
        it = m_cells.erase(it);
    }
    // The cache is settled before any cell hears it is leaving.
    for (const auto& cell : dropped) {
        if (cell->window())
            cell->setInWindow(false);
        cell->removeFromSuperview();
    }
}

} // namespace fw
