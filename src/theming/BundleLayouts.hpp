#pragma once

#include <string>
#include <vector>

namespace theming {

// One row of a page layout file, as the file gives it (absent strings are empty).
struct LayoutRow {
    int section { 0 }; // how many group rows are above it
    std::string group; // the label of the group row above, "" when it has none
    std::string cell;
    std::string cellClass;
    std::string label;
    std::string key;
    std::string feature; // the tweak whose presence shows or hides the row
    bool global { false };
};

// A page layout file of the bundle: its rows in file order, group rows left out.
struct PageLayout {
    std::string name; // the file's name without ".plist": "MediaControls"
    std::string title; // the layout's "title", or empty
    std::vector<LayoutRow> rows;
};

// Every page layout file of the bundle in the device, in name order; unreadable files are left
// out. The one reader of the layouts for everyone outside the bundle.
std::vector<PageLayout> readPageLayouts();

struct ColourRow {
    std::string label;
    std::string key;
    std::string feature; // the row's "feature": the tweak whose presence shows or hides it
};

// The colour rows under one group row of a page layout file.
struct ColourRowGroup {
    std::string layout; // the layout file's name without ".plist": "MediaControls"
    std::string page; // the layout's "title", else its file name
    std::string area; // the label of the group row above, "" when it has none
    std::vector<ColourRow> rows;
};

// Every colour key the settings pages can write: the rows of the bundle's layout files whose
// cell class is the colour picker and that are not global ("Change All" sets other rows, it is
// no colour of a part). Files in name order, rows in file order; unreadable files are skipped.
std::vector<ColourRowGroup> readLayoutColourRows();

} // namespace theming
