#include "gui/DeUnit.h"

#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "gui/ColumnFitter.h"
#include "gui/GridCopy.h"
#include "gui/TextGridModel.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace solvane {

TDeForm::TDeForm(SettingsFile& settings, QWidget* parent) : QWidget(parent, Qt::Window), settings_(settings)
{
    setObjectName("DeForm");
    setWindowTitle("出馬表");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    DeGrid = new CardGridView(&EntriesClickOf, this);
    DeGrid->setObjectName("DeGrid");
    model_ = new TextGridModel(DeGrid);
    DeGrid->setModel(model_);
    ColumnFitter::attach(DeGrid, [](QTableView& view) { static_cast<CardGridView&>(view).fitColumns(); });
    FreezeHorseColumns(DeGrid, &EntriesClickOf);
    GridCopy::attach(DeGrid);
    model_->setGrid(state_.grid());
    layout->addWidget(DeGrid);
    connect(DeGrid, &CardGridView::cellClicked, this, &TDeForm::DeGridMouseDown);

    move(settings_.get(keys::LocateDELeft), settings_.get(keys::LocateDETop));
    resize(settings_.get(keys::LocateDEWidth), settings_.get(keys::LocateDEHeight));
}

TDeForm::~TDeForm() = default;

void TDeForm::show_()
{
    DeGrid->showGrid(*model_, state_.grid());
}

void TDeForm::selectRace(const RaceDay& day, int slot)
{
    state_.select(day, slot);
    model_->setGrid(state_.grid()); // fitted by its ColumnFitter when shown
    DeGrid->clearSelection();
}

void TDeForm::refill(const RaceDay& day)
{
    state_.refill(day);
    show_();
}

void TDeForm::clearRace()
{
    state_.clear();
    model_->setGrid(state_.grid());
}

void TDeForm::SortDeBtnClick()
{
    state_.resort();
    show_();
}

void TDeForm::DeGridMouseDown(int row, int column)
{
    if (state_.click(row, column))
        show_();
}

void TDeForm::closeEvent(QCloseEvent* event)
{
    // Written at every close, not only at the program's end, so a moved window opens where it was left.
    const QRect frame = isMaximized() || isMinimized() ? normalGeometry() : QRect(pos(), size());
    settings_.set(keys::LocateDETop, frame.top());
    settings_.set(keys::LocateDELeft, frame.left());
    settings_.set(keys::LocateDEWidth, frame.width());
    settings_.set(keys::LocateDEHeight, frame.height());
    event->accept();
}

} // namespace solvane
