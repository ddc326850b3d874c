#pragma once

#include <string>
#include <vector>

namespace theming {

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
