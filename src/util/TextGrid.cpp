#include "util/TextGrid.h"

#include <stdexcept>

namespace solvane {

TextGrid::TextGrid(std::vector<std::string> headings, int rows) : headings_(std::move(headings))
{
    setRowCount(rows);
}

int TextGrid::addRow()
{
    cells_.emplace_back(headings_.size());
    if (!styles_.empty())
        styles_.emplace_back(headings_.size());
    return rowCount() - 1;
}

void TextGrid::setRowCount(int rows)
{
    cells_.resize(idx(rows), std::vector<std::string>(headings_.size()));
    if (!styles_.empty())
        styles_.resize(idx(rows), std::vector<CellStyle>(headings_.size()));
}

void TextGrid::clearRows()
{
    cells_.clear();
    styles_.clear();
}

CellStyle TextGrid::style(int row, int col) const
{
    if (styles_.empty())
        return {};
    return styles_.at(idx(row)).at(idx(col));
}

void TextGrid::setStyle(int row, int col, CellStyle style)
{
    if (styles_.empty()) {
        if (style == CellStyle{})
            return;
        styles_.assign(cells_.size(), std::vector<CellStyle>(headings_.size()));
    }
    styles_.at(idx(row)).at(idx(col)) = style;
}

CellAlign TextGrid::align(int col) const
{
    return idx(col) < aligns_.size() ? aligns_[idx(col)] : CellAlign::Left;
}

void TextGrid::setAlign(int col, CellAlign align)
{
    if (aligns_.size() < headings_.size())
        aligns_.resize(headings_.size(), CellAlign::Left);
    aligns_.at(idx(col)) = align;
}

void TextGrid::permuteRows(const std::vector<int>& newOrder)
{
    if (newOrder.size() != cells_.size())
        throw std::invalid_argument("permuteRows: order of the wrong size");
    std::vector<std::vector<std::string>> cells;
    cells.reserve(cells_.size());
    std::vector<std::vector<CellStyle>> styles;
    for (int old : newOrder) {
        cells.push_back(std::move(cells_.at(idx(old))));
        if (!styles_.empty())
            styles.push_back(std::move(styles_.at(idx(old))));
    }
    cells_ = std::move(cells);
    if (!styles_.empty())
        styles_ = std::move(styles);
}

static void appendCell(std::string& out, const std::string& text)
{
    for (char c : text)
        out += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
}

std::string toTsv(const TextGrid& grid)
{
    std::string out;
    auto line = [&](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i)
                out += '\t';
            appendCell(out, cells[i]);
        }
        out += '\n';
    };
    line(grid.headings());
    for (int r = 0; r < grid.rowCount(); ++r)
        line(grid.row(r));
    return out;
}

std::string toTsv(const TextGrid& grid, const std::vector<int>& rows, const std::vector<int>& columns)
{
    std::string out;
    for (const int r : rows) {
        if (r < 0 || r >= grid.rowCount())
            continue;
        bool first = true;
        for (const int c : columns) {
            if (c < 0 || c >= grid.columnCount())
                continue;
            if (!first)
                out += '\t';
            first = false;
            appendCell(out, grid.cell(r, c));
        }
        out += '\n';
    }
    return out;
}

} // namespace solvane
