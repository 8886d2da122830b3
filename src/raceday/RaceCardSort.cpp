#include "raceday/RaceCardSort.h"

#include "util/ShiftJis.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <string_view>

namespace solvane {
namespace {

// The Shift-JIS bytes a cell compares by. Most cells are plain ASCII digits and blanks, whose bytes are
// the same in both encodings, so only the others go through the converter.
std::string sjisKey(std::string_view utf8)
{
    const bool ascii =
        std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return ascii ? std::string(utf8) : toSjis(utf8);
}

} // namespace

int TieColumnOf(int key)
{
    return (key == 1 || key == 27) ? 2 : 1;
}

void SortCardRows(TextGrid& grid, int key, bool descending)
{
    const int rows = grid.rowCount();
    if (rows < 2 || key < 0 || key >= grid.columnCount())
        return;
    const int tie = std::min(TieColumnOf(key), grid.columnCount() - 1);

    // Each cell is converted once, not once per comparison.
    std::vector<std::string> keys(static_cast<std::size_t>(rows));
    std::vector<std::string> ties(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        keys[static_cast<std::size_t>(r)] = sjisKey(grid.cell(r, key));
        ties[static_cast<std::size_t>(r)] = sjisKey(grid.cell(r, tie));
    }

    // std::string compares as unsigned bytes, which is the code order of Shift-JIS. The tie column always
    // goes ascending, whatever the direction of the key; with it the order is the same for any sort
    // algorithm, so rows that tie on both keep their current order (a stable sort).
    std::vector<int> order(static_cast<std::size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const std::string& ka = keys[static_cast<std::size_t>(a)];
        const std::string& kb = keys[static_cast<std::size_t>(b)];
        if (ka != kb)
            return descending ? kb < ka : ka < kb;
        return ties[static_cast<std::size_t>(a)] < ties[static_cast<std::size_t>(b)];
    });
    grid.permuteRows(order);
}

GridSortState::GridSortState(int columns, std::vector<int> sortable)
    : flags_(static_cast<std::size_t>(std::max(columns, 0)), 1), sortable_(std::move(sortable))
{
}

void GridSortState::reset()
{
    std::fill(flags_.begin(), flags_.end(), std::uint8_t{1});
    sortState_ = -1;
}

bool GridSortState::sortable(int column) const
{
    return std::find(sortable_.begin(), sortable_.end(), column) != sortable_.end() && column >= 0 &&
           static_cast<std::size_t>(column) < flags_.size();
}

bool GridSortState::click(int column)
{
    if (!sortable(column))
        return false;
    std::uint8_t& flag = flags_[static_cast<std::size_t>(column)];
    flag = flag ? 0 : 1;
    sortState_ = column;
    return true;
}

bool GridSortState::descending(int column) const
{
    return column >= 0 && static_cast<std::size_t>(column) < flags_.size() && flags_[static_cast<std::size_t>(column)];
}

void GridSortState::apply(TextGrid& grid) const
{
    if (sortState_ >= 0)
        SortCardRows(grid, sortState_, descending(sortState_));
}

} // namespace solvane
