#include "gui/ColumnFitter.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

namespace solvane {

ColumnFitter::ColumnFitter(QTableView* view, Fit fit) : QObject(view), view_(view), fit_(std::move(fit))
{
    if (!fit_)
        fit_ = [](QTableView& v) { v.resizeColumnsToContents(); };
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

bool ColumnFitter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == QEvent::Show && stale_)
        fitNow();
    return QObject::eventFilter(watched, event);
}

} // namespace solvane
