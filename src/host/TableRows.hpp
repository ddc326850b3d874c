#pragma once

#include "preferences/PSListController.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace host {

// One row as the screen numbers it: group rows start a section and are its row 0.
struct TableRow {
    std::shared_ptr<fw::PSSpecifier> specifier;
    int index { 0 };
    int section { 0 };
    int row { 0 };
    bool sectionHasGroup { false };

    // The table's own row number within the section (group rows are not rows there).
    int tableRow() const { return sectionHasGroup ? row - 1 : row; }
};

std::vector<TableRow> tableRows(fw::PSListController& page);

// How an event names a row.
struct RowAddress {
    std::optional<int> index;
    std::optional<int> section;
    std::optional<int> row;
    std::optional<std::string> title;
    std::optional<std::string> key;
    std::optional<std::string> fileName;
};

// The row the address names, or nullopt.
std::optional<TableRow> findRow(const std::vector<TableRow>& rows, const RowAddress& address);

// The row whose cell contains `view`, or nullopt.
std::optional<TableRow> rowContainingView(
    fw::PSListController& page, const std::vector<TableRow>& rows, const fw::UIView* view);

bool isEnabled(const fw::PSSpecifier& specifier);

} // namespace host
