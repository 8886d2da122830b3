#include "gui/GridCopy.h"

#include "gui/TextGridModel.h"
#include "util/TextGrid.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QTableView>

#include <set>

namespace solvane {

GridCopy::GridCopy(QTableView* view) : QObject(view), view_(view)
{
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(view_);
        menu.setObjectName("GridCopyMenu");
        menu.addAction("コピー", QKeySequence::Copy, this, &GridCopy::copySelection);
        menu.addAction("すべてコピー", this, &GridCopy::copyAll);
        menu.exec(view_->viewport()->mapToGlobal(at));
    });
    view->installEventFilter(this);
}

GridCopy* GridCopy::attach(QTableView* view)
{
    return new GridCopy(view);
}

namespace {

const TextGrid* gridOf(const QTableView& view)
{
    const auto* model = qobject_cast<const TextGridModel*>(view.model());
    return model ? &model->grid() : nullptr;
}

void toClipboard(const std::string& text)
{
    QApplication::clipboard()->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

} // namespace

void GridCopy::copySelection()
{
    const TextGrid* grid = gridOf(*view_);
    if (!grid)
        return;
    std::set<int> rows, columns;
    for (const QModelIndex& index :
         view_->selectionModel() ? view_->selectionModel()->selectedIndexes() : QModelIndexList{}) {
        rows.insert(index.row());
        columns.insert(index.column());
    }
    if (rows.empty() && view_->currentIndex().isValid()) {
        rows.insert(view_->currentIndex().row());
        columns.insert(view_->currentIndex().column());
    }
    if (rows.empty())
        return;
    toClipboard(toTsv(*grid, {rows.begin(), rows.end()}, {columns.begin(), columns.end()}));
}

void GridCopy::copyAll()
{
    if (const TextGrid* grid = gridOf(*view_))
        toClipboard(toTsv(*grid));
}

bool GridCopy::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        // The view would copy the current cell alone; the grid's copy takes the whole selection.
        event->accept();
        if (event->type() == QEvent::KeyPress)
            copySelection();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace solvane
