// Keeps a table's columns as wide as their texts. Odds of three digits, long race names and headings
// must never be cut, and texts change in place all day long (a fetch, a sort, a mark), so a view is
// fitted again after every change of its model's texts rather than only when a race is chosen.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QTableView;

namespace solvane {

class ColumnFitter : public QObject {
public:
    // How to fit the view; by default FitColumnsToTexts.
    using Fit = std::function<void(QTableView& view)>;

    // Fits view after each burst of changes of the model it shows (a reset, changed cells or headings,
    // a new row order, rows added or taken away), once the burst is over; a hidden view when it is
    // shown next. The scroll position and the selection stay as they were. The fitter belongs to the
    // view; call it after the view's model is set.
    static ColumnFitter* attach(QTableView* view, Fit fit = {});

    // Fits at once (a view that must be measured before events run).
    void fitNow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ColumnFitter(QTableView* view, Fit fit);
    void changed();

    QPointer<QTableView> view_;
    QObject* viewObject_ = nullptr; // the same view, for comparing without a cast
    Fit fit_;
    bool pending_ = false; // a fit is queued for when events run
    bool stale_ = false;   // changed while hidden
};

// Every column as wide as its heading and its widest text. A table of 4896 combinations changes at every
// mark, and measuring each cell through the view would cost more than building the tables, so only the
// texts of the greatest width in half-width characters, found over every row, are measured.
void FitColumnsToTexts(QTableView& view);

} // namespace solvane
