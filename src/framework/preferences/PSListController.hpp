#pragma once

#include "preferences/PSSpecifier.hpp"
#include "preferences/PSTableCell.hpp"
#include "preferences/UITableView.hpp"
#include "uikit/UIViewController.hpp"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// The base of every settings page: a list of rows (specifiers) shown in a grouped table, with
// the getter and setter the framework calls for value rows.
// What a page is to whoever shows it beside the Settings app and adds facts of its own: the
// framework's pages are ordinary; a bundle's page that lists presets says so.
enum class PageRole { Ordinary, Presets };

class PSListController : public UIViewController {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    virtual PageRole pageRole() const { return PageRole::Ordinary; }

    // The page's rows. The framework's own answer is the stored list (empty when none).
    virtual const SpecifierList& specifiers();
    // The rows of the named page layout file of the page's bundle, in file order, with
    // `target` as the target of their getters, setters and actions. Also sets the page title.
    SpecifierList loadSpecifiersFromPlistName(std::string_view name, const Id& target);
    // Discards the stored list, asks `specifiers` again and redisplays every row.
    virtual void reloadSpecifiers();
    // Removes one row from the stored list and the table; a row no longer listed is ignored.
    void removeSpecifier(const std::shared_ptr<PSSpecifier>& specifier, bool animated);
    // Redraws one row (the cell is refreshed from its row).
    void reloadSpecifier(const std::shared_ptr<PSSpecifier>& specifier);

    // Getter and setter of value rows that name no others.
    virtual std::optional<Value> readPreferenceValue(const std::shared_ptr<PSSpecifier>& specifier);
    virtual void setPreferenceValue(
        const Value& value, const std::shared_ptr<PSSpecifier>& specifier);

    // Asked when the page's table is created. The framework's style is grouped.
    virtual int tableViewStyle() { return UITableViewStyleGrouped; }
    // The table's report that the user dragged a row (tableView:moveRowAtIndexPath:toIndexPath:).
    virtual void tableView(const std::shared_ptr<UITableView>& tableView, const NSIndexPath& from,
        const NSIndexPath& to);

    void loadView() override; // the table is the view's first subview
    std::shared_ptr<UITableView> table();

    // Device path of the bundle whose layout files and resources the page uses; a page opened
    // from a link row inherits it.
    const std::string& bundlePath() const { return m_bundlePath; }
    void setBundlePath(std::string path) { m_bundlePath = std::move(path); }

    // ---- What the host's table does on the user's behalf ----

    // The rows as the table shows them, in display order (a drag reorders the display until
    // the next reload, although the page's list is unchanged).
    SpecifierList displayedSpecifiers();
    // The row's cell: one per specifier object, created on first use and kept until the row
    // leaves the list. Group rows with a header cell class get that header cell.
    std::shared_ptr<PSTableCell> cellForSpecifier(const std::shared_ptr<PSSpecifier>& specifier);
    // Drops the cells of rows no longer listed (they leave the window) and puts the others in
    // the window with a real width.
    void layoutTable(double width = 375);

    // A tap: the row's button action on its target, else the link's page pushed.
    void tapSpecifier(const std::shared_ptr<PSSpecifier>& specifier);
    // A switch or segment change: the row's setter with the new value.
    void setValueForSpecifier(const Value& value, const std::shared_ptr<PSSpecifier>& specifier);
    // A completed drag: rows are numbered within their section, group rows not counted.
    void moveRow(const NSIndexPath& from, const NSIndexPath& to);

    // The cell already made for a row, without making one.
    std::shared_ptr<PSTableCell> existingCellForSpecifier(const PSSpecifier* specifier) const;
    // Section and row of every entry of a row list, numbered as moveRow and tableView count:
    // a group row starts the next section and has row -1 itself; rows before the first group
    // row are in section 0.
    static std::vector<NSIndexPath> indexPaths(const SpecifierList& rows);

protected:
    // The list store, filled by the page's `specifiers`.
    std::optional<SpecifierList> _specifiers;

private:
    // The cell holds its row too, so the address used as key is never reused while cached.
    struct CachedCell {
        std::shared_ptr<PSSpecifier> specifier;
        std::shared_ptr<PSTableCell> cell;
    };

    std::shared_ptr<PSListController> pushDetailController(
        const ClassDescriptor& detail, const std::shared_ptr<PSSpecifier>& s);
    std::shared_ptr<PSTableCell> makeCell(const std::shared_ptr<PSSpecifier>& specifier);
    // Takes the cells of rows not in `rows` out of the window and the table.
    void dropCellsNotIn(const SpecifierList& rows);
    // True when every row has its cell and the table's subviews end with them, in row order.
    bool cellsEndInOrder(const UIView& table, const SpecifierList& rows) const;

    std::string m_bundlePath;
    std::shared_ptr<UITableView> m_table;
    std::optional<SpecifierList> m_displayOrder;
    std::map<const PSSpecifier*, CachedCell> m_cells;
    SpecifierList m_emptyList;
};

} // namespace fw
