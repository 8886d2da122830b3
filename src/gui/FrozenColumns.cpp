#include "gui/FrozenColumns.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

namespace solvane {

FrozenColumns::FrozenColumns(QTableView* view, int count, QTableView* overlay)
    : QObject(view), view_(view), overlay_(overlay ? overlay : new QTableView(view)), count_(count)
{
    overlay_->setParent(view);
    overlay_->setObjectName(view->objectName() + "Frozen");
    overlay_->setModel(view->model());
    overlay_->setSelectionModel(view->selectionModel());
    overlay_->setSelectionBehavior(view->selectionBehavior());
    overlay_->setSelectionMode(view->selectionMode());
    overlay_->setEditTriggers(view->editTriggers());
    overlay_->setFont(view->font());
    // The table keeps the keyboard; the overlay only shows and answers the mouse.
    overlay_->setFocusPolicy(Qt::NoFocus);
    overlay_->verticalHeader()->hide();
    overlay_->verticalHeader()->setDefaultSectionSize(view->verticalHeader()->defaultSectionSize());
    overlay_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    overlay_->horizontalHeader()->setStyleSheet(view->horizontalHeader()->styleSheet());
    overlay_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    overlay_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    overlay_->setVerticalScrollMode(view->verticalScrollMode());
    overlay_->setFrameShape(QFrame::NoFrame);
    overlay_->setStyleSheet("QTableView { border-right: 2px solid #8080a0; }");
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->viewport()->stackUnder(overlay_);

    QHeaderView* across = view->horizontalHeader();
    connect(across, &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (column < count_) {
            overlay_->setColumnWidth(column, width);
            place();
        }
    });
    connect(view->verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int row, int, int height) { overlay_->setRowHeight(row, height); });
    connect(across, &QHeaderView::geometriesChanged, this, &FrozenColumns::place);
    connect(overlay_->verticalScrollBar(), &QAbstractSlider::valueChanged, view->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(view->verticalScrollBar(), &QAbstractSlider::valueChanged, overlay_->verticalScrollBar(),
            &QAbstractSlider::setValue);
    if (QAbstractItemModel* model = view->model()) {
        connect(model, &QAbstractItemModel::modelReset, this, &FrozenColumns::showOnlyFrozen);
        connect(model, &QAbstractItemModel::columnsInserted, this, &FrozenColumns::showOnlyFrozen);
    }
    viewObject_ = view;
    view->installEventFilter(this);
    showOnlyFrozen();
    overlay_->show();
}

FrozenColumns* FrozenColumns::attach(QTableView* view, int count, QTableView* overlay)
{
    return new FrozenColumns(view, count, overlay);
}

void FrozenColumns::showOnlyFrozen()
{
    if (!view_ || !view_->model())
        return;
    const int columns = view_->model()->columnCount();
    for (int c = 0; c < columns; ++c) {
        overlay_->setColumnHidden(c, c >= count_);
        if (c < count_)
            overlay_->setColumnWidth(c, view_->columnWidth(c));
    }
    place();
}

int FrozenColumns::frozenWidth() const
{
    int width = 0;
    if (!view_ || !view_->model())
        return 0;
    for (int c = 0; c < count_ && c < view_->model()->columnCount(); ++c)
        width += view_->columnWidth(c);
    return width;
}

void FrozenColumns::place()
{
    if (!view_)
        return;
    const int frame = view_->frameWidth();
    const int left = frame + (view_->verticalHeader()->isVisible() ? view_->verticalHeader()->width() : 0);
    overlay_->setGeometry(left, frame, frozenWidth() + 2,
                          view_->viewport()->height() + view_->horizontalHeader()->height());
}

bool FrozenColumns::eventFilter(QObject* watched, QEvent* event)
{
    // The event's type first: while the view is being destroyed its filters still see events, and
    // comparing with the QPointer would cast a half-destroyed object.
    const QEvent::Type type = event->type();
    if ((type == QEvent::Resize || type == QEvent::Show) && watched == viewObject_)
        place();
    return QObject::eventFilter(watched, event);
}

} // namespace solvane
