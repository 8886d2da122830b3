// Shows a core TextGrid in a QTableView. One adapter for every grid of the program: the cells, the
// headings, the alignment and the colours all come from the grid, so a window never formats a cell.
#pragma once

#include "util/TextGrid.h"

#include <QAbstractTableModel>

namespace solvane {

class TextGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TextGridModel(QObject* parent = nullptr);

    // Replaces the whole grid (a reset for the views).
    void setGrid(TextGrid grid);
    const TextGrid& grid() const { return grid_; }
    // Tells the views that cell texts or styles changed in place, without a reset.
    void refresh(TextGrid grid);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    TextGrid grid_;
};

} // namespace solvane
