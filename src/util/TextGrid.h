// A grid of cell texts: every grid the program shows (race card, results, combination tables,
// verification) is built in core as a TextGrid holding exactly the texts a window shows, so the
// windows, the CLI and the tests all see the same cells. Cells are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace solvane {

enum class CellAlign : std::uint8_t { Left, Right, Center };

// How one cell looks. Colours are 0xRRGGBB; a colour is used only when its flag is set.
struct CellStyle {
    std::uint32_t foreground = 0;
    std::uint32_t background = 0;
    bool hasForeground = false;
    bool hasBackground = false;
    bool bold = false;

    static CellStyle fg(std::uint32_t rgb) { return CellStyle{rgb, 0, true, false, false}; }
    static CellStyle bg(std::uint32_t rgb) { return CellStyle{0, rgb, false, true, false}; }
    friend bool operator==(const CellStyle&, const CellStyle&) = default;
};

class TextGrid {
public:
    TextGrid() = default;
    explicit TextGrid(std::vector<std::string> headings, int rows = 0);

    int rowCount() const { return static_cast<int>(cells_.size()); }
    int columnCount() const { return static_cast<int>(headings_.size()); }

    const std::vector<std::string>& headings() const { return headings_; }
    void setHeading(int col, std::string text) { headings_.at(static_cast<std::size_t>(col)) = std::move(text); }

    const std::string& cell(int row, int col) const { return cells_.at(idx(row)).at(idx(col)); }
    void setCell(int row, int col, std::string text) { cells_.at(idx(row)).at(idx(col)) = std::move(text); }
    const std::vector<std::string>& row(int r) const { return cells_.at(idx(r)); }
    std::vector<std::string>& row(int r) { return cells_.at(idx(r)); }

    // Appends an empty row and returns its index.
    int addRow();
    void setRowCount(int rows);
    void clearRows();

    // Styles are optional: a grid that never sets one carries none.
    CellStyle style(int row, int col) const;
    void setStyle(int row, int col, CellStyle style);
    void clearStyles() { styles_.clear(); }

    CellAlign align(int col) const;
    void setAlign(int col, CellAlign align);

    // Reorders the rows (cells and styles together): newOrder[i] is the old index of row i.
    void permuteRows(const std::vector<int>& newOrder);

private:
    static std::size_t idx(int i) { return static_cast<std::size_t>(i); }

    std::vector<std::string> headings_;
    std::vector<std::vector<std::string>> cells_;
    std::vector<std::vector<CellStyle>> styles_; // empty, or one row per cell row
    std::vector<CellAlign> aligns_;
};

// Heading row first, then each row; cells joined by tabs, lines ended by "\n". A tab or line end
// inside a cell becomes a blank so a cell never splits a line.
std::string toTsv(const TextGrid& grid);
// The given rows and columns (in the order given), without the headings: a copied selection.
// Indexes outside the grid are passed over.
std::string toTsv(const TextGrid& grid, const std::vector<int>& rows, const std::vector<int>& columns);

} // namespace solvane
