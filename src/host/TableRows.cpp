#include "host/TableRows.hpp"

namespace host {

std::vector<TableRow> tableRows(fw::PSListController& page)
{
    std::vector<TableRow> rows;
    int section = 0;
    int row = 0;
    bool sectionHasGroup = false;
    for (auto& specifier : page.displayedSpecifiers()) {
        bool isGroup = specifier->cellType() == fw::PSGroupCell;
        if (isGroup) {
            if (!rows.empty())
                ++section;
            row = 0;
            sectionHasGroup = true;
        }
        rows.push_back({ specifier, static_cast<int>(rows.size()), section, row, sectionHasGroup });
        ++row;
    }
    return rows;
}

std::optional<TableRow> findRow(const std::vector<TableRow>& rows, const RowAddress& address)
{
    for (auto& candidate : rows) {
        auto& specifier = *candidate.specifier;
        if (address.index && candidate.index == *address.index)
            return candidate;
        if (address.section && address.row && candidate.section == *address.section
            && candidate.row == *address.row)
            return candidate;
        if (address.title && specifier.name() == *address.title)
            return candidate;
        if (address.key) {
            auto* key = specifier.stringForKey("key");
            if (key && *key == *address.key)
                return candidate;
        }
        if (address.fileName) {
            auto* fileName = specifier.stringForKey("fileName");
            if (fileName && *fileName == *address.fileName)
                return candidate;
        }
    }
    return std::nullopt;
}

std::optional<TableRow> rowContainingView(
    fw::PSListController& page, const std::vector<TableRow>& rows, const fw::UIView* view)
{
    for (auto& candidate : rows) {
        auto cell = page.cellForSpecifier(candidate.specifier);
        if (!cell)
            continue;
        if (cell.get() == view)
            return candidate;
        for (auto& subview : cell->allSubviews()) {
            if (subview.get() == view)
                return candidate;
        }
    }
    return std::nullopt;
}

bool isEnabled(const fw::PSSpecifier& specifier)
{
    auto* enabled = specifier.valueForKey("enabled");
    if (!enabled)
        return true;
    if (auto* text = enabled->asString())
        return *text != "NO" && *text != "0" && *text != "false";
    return enabled->boolValue();
}

} // namespace host
