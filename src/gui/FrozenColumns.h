// The first columns of a table stay in place while the rest scrolls across: a bettor who scrolls to
// the marks and odds still sees which horse each row is. A second view over the same model and
// selection shows those columns on top of the table's left edge.
#pragma once

#include <QObject>
#include <QPointer>

class QTableView;

namespace solvane {

class FrozenColumns : public QObject {
public:
    // Freezes the first count columns of view. overlay is a view of the same kind as view, made by the
    // caller so that it answers clicks and keys as view does (it may be null: a plain QTableView). It
    // takes view's model and selection; call this after view's model is set. Both belong to view.
    static FrozenColumns* attach(QTableView* view, int count, QTableView* overlay = nullptr);

    QTableView* overlay() const { return overlay_; }
    // The width the frozen columns cover.
    int frozenWidth() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FrozenColumns(QTableView* view, int count, QTableView* overlay);
    void showOnlyFrozen();
    void place();

    QPointer<QTableView> view_;
    QObject* viewObject_ = nullptr; // the same view, for comparing without a cast
    QTableView* overlay_ = nullptr;
    int count_ = 0;
};

} // namespace solvane
