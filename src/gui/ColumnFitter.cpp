#include "gui/ColumnFitter.h"

#include "gui/TextGridModel.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <string_view>
#include <vector>

namespace solvane {

ColumnFitter::ColumnFitter(QTableView* view, Fit fit) : QObject(view), view_(view), fit_(std::move(fit))
{
    if (!fit_)
        fit_ = FitColumnsToTexts;
    viewObject_ = view;
    view->installEventFilter(this);
    QAbstractItemModel* model = view->model();
    if (!model)
        return;
    connect(model, &QAbstractItemModel::modelReset, this, &ColumnFitter::changed);
    connect(model, &QAbstractItemModel::dataChanged, this, &ColumnFitter::changed);
    connect(model, &QAbstractItemModel::headerDataChanged, this, &ColumnFitter::changed);
    connect(model, &QAbstractItemModel::layoutChanged, this, &ColumnFitter::changed);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ColumnFitter::changed);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ColumnFitter::changed);
}

ColumnFitter* ColumnFitter::attach(QTableView* view, Fit fit)
{
    return new ColumnFitter(view, std::move(fit));
}

void ColumnFitter::changed()
{
    if (!view_ || !view_->isVisible()) {
        stale_ = true;
        return;
    }
    // A fetch changes the cells, then the headings, then sorts: one fit when it is all done.
    if (pending_)
        return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        fitNow();
    });
}

void ColumnFitter::fitNow()
{
    stale_ = false;
    if (!view_ || !view_->model())
        return;
    QScrollBar* across = view_->horizontalScrollBar();
    QScrollBar* down = view_->verticalScrollBar();
    const int x = across->value(), y = down->value();
    fit_(*view_);
    across->setValue(x);
    down->setValue(y);
}

namespace {

// Columns a UTF-8 text takes in a fixed-width layout: full-width characters two, the rest (ASCII and
// half-width katakana, U+FF61-U+FF9F) one.
int textColumns(std::string_view utf8)
{
    int n = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            ++n;
        } else if ((b & 0xC0) != 0x80) { // the lead byte of a character
            const bool halfWidth =
                b == 0xEF && i + 1 < utf8.size() &&
                (static_cast<unsigned char>(utf8[i + 1]) == 0xBD || static_cast<unsigned char>(utf8[i + 1]) == 0xBE);
            n += halfWidth ? 1 : 2;
        }
    }
    return n;
}

} // namespace

void FitColumnsToTexts(QTableView& view)
{
    QAbstractItemModel* model = view.model();
    if (!model)
        return;
    const int rows = model->rowCount(), columns = model->columnCount();
    // The grid's own texts, where the model has one: no text goes through a QVariant.
    const auto* gridModel = qobject_cast<const TextGridModel*>(model);
    const TextGrid* grid = gridModel ? &gridModel->grid() : nullptr;
    const auto columnsOf = [&](int r, int c) {
        return grid ? textColumns(grid->cell(r, c)) : textColumns(model->index(r, c).data().toString().toStdString());
    };
    // Texts of the same length still differ a little (proportional digits, a bold rank), so every text of
    // the greatest length is measured as the view draws it, up to a few dozen.
    constexpr int kMeasured = 32;
    std::vector<int> lengths(static_cast<std::size_t>(rows));
    for (int c = 0; c < columns; ++c) {
        if (view.isColumnHidden(c))
            continue;
        int longest = 0;
        for (int r = 0; r < rows; ++r) {
            lengths[static_cast<std::size_t>(r)] = columnsOf(r, c);
            longest = std::max(longest, lengths[static_cast<std::size_t>(r)]);
        }
        int cell = 0;
        for (int r = 0, measured = 0; r < rows && measured < kMeasured && longest > 0; ++r) {
            if (lengths[static_cast<std::size_t>(r)] != longest)
                continue;
            cell = std::max(cell, view.sizeHintForIndex(model->index(r, c)).width());
            ++measured;
        }
        // As QTableView::sizeHintForColumn counts it: one pixel more for the grid line.
        if (cell > 0 && view.showGrid())
            ++cell;
        view.setColumnWidth(c, std::max(view.horizontalHeader()->sectionSizeHint(c), cell));
    }
}

bool ColumnFitter::eventFilter(QObject* watched, QEvent* event)
{
    // The event's type first: while the view is being destroyed its filters still see events, and
    // comparing with the QPointer would cast a half-destroyed object.
    if (event->type() == QEvent::Show && stale_ && watched == viewObject_)
        fitNow();
    return QObject::eventFilter(watched, event);
}

} // namespace solvane
