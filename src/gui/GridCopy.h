// "コピー" and "すべてコピー" for every grid: the right-click menu and Ctrl+C put the cells on the
// clipboard as tab-separated text, which spreadsheets paste cell for cell.
#pragma once

#include <QObject>

class QTableView;

namespace solvane {

class GridCopy : public QObject {
public:
    // Gives view the menu and Ctrl+C. The view shows a TextGridModel (the texts are the grid's own);
    // the copy belongs to the view.
    static GridCopy* attach(QTableView* view);

    // The selected cells (the rows and columns that hold a selected cell), or the current cell.
    void copySelection();
    // Every cell with the headings.
    void copyAll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit GridCopy(QTableView* view);
    QTableView* view_;
};

} // namespace solvane
