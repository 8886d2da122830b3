// Sorting the rows of a card grid by one column's text, the way the heading clicks of the race card and
// of the entries window sort: byte order of the Shift-JIS form of the cell texts, then equal keys by a
// tie column ascending.
//
// The cells are fixed-width texts ("%2d", "%5.1f"), so byte order is numeric order, and the wide blank
// of an absent value (0x81 0x40) sorts after every digit and every half-width blank.
#pragma once

#include "util/TextGrid.h"

#include <cstdint>
#include <span>
#include <vector>

namespace solvane {

// The tie column of a sort key: horse name for the horse-number key (and the ▲ column), otherwise the
// horse number.
int TieColumnOf(int key);

// Sorts every row of grid by the text of column key (descending when descending is set, ascending
// otherwise); runs of rows with equal key text are then ordered ascending by column TieColumnOf(key).
// Whole rows move, styles included.
void SortCardRows(TextGrid& grid, int key, bool descending);

// The sort state of one card grid: which columns a click sorts, one direction flag per column
// (0 ascending, 1 descending) and the column of the last sort request.
class GridSortState {
public:
    explicit GridSortState(int columns = 0, std::vector<int> sortable = {});

    // A new race: every flag 1, so the first click on a column sorts ascending; no sort requested.
    void reset();

    bool sortable(int column) const;
    // A click on a sortable column flips its flag and makes it the key. False for any other column.
    bool click(int column);
    // Sorts grid by the last requested column, if any.
    void apply(TextGrid& grid) const;

    // -1 before the first click.
    int SortState() const { return sortState_; }
    bool descending(int column) const;
    const std::vector<std::uint8_t>& flags() const { return flags_; }

private:
    std::vector<std::uint8_t> flags_;
    std::vector<int> sortable_;
    int sortState_ = -1;
};

} // namespace solvane
