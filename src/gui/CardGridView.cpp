#include "gui/CardGridView.h"

#include "gui/ColumnFitter.h"
#include "gui/FrozenColumns.h"
#include "gui/TextGridModel.h"
#include "raceday/RaceCardColours.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace solvane {

CardGridView::CardGridView(ClickRule rule, QWidget* parent) : QTableView(parent), rule_(rule)
{
    // Moves without a pressed button reach the view only with tracking on its viewport.
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false); // the card's own sort rules, never the view's
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);

    QHeaderView* heading = horizontalHeader();
    heading->setSectionsClickable(true);
    heading->setHighlightSections(false);
    heading->setMouseTracking(true);
    heading->viewport()->setMouseTracking(true);
    heading->viewport()->installEventFilter(this);
    const QColor lavender = QColor::fromRgb(kCardHeadingColour);
    heading->setStyleSheet(QString("QHeaderView::section { background-color: %1; border: 1px solid #a8a0c8; "
                                   "padding: 2px; }")
                               .arg(lavender.name()));
    connect(heading, &QHeaderView::sectionClicked, this, [this](int column) {
        if (rule_(-1, column) != CardClick::None)
            emit cellClicked(-1, column);
    });
}

void CardGridView::showGrid(TextGridModel& model, const TextGrid& grid)
{
    model.refresh(grid);
}

void FreezeHorseColumns(CardGridView* view, CardGridView::ClickRule rule)
{
    // The overlay answers clicks and heading clicks by the same rule and passes them on as the card's.
    auto* overlay = new CardGridView(rule, view);
    QObject::connect(overlay, &CardGridView::cellClicked, view, &CardGridView::cellClicked);
    FrozenColumns::attach(view, card::Name + 1, overlay);
}

void CardGridView::fitColumns()
{
    FitColumnsToTexts(*this);
    if (!model() || model()->columnCount() <= card::Name)
        return;
    const QFontMetrics metrics(font());
    int widest = metrics.horizontalAdvance(model()->headerData(card::Name, Qt::Horizontal).toString()) + 24;
    for (int r = 0; r < model()->rowCount(); ++r) {
        QString name = model()->index(r, card::Name).data().toString();
        while (name.endsWith(QChar(0x3000)) || name.endsWith(' '))
            name.chop(1);
        widest = std::max(widest, metrics.horizontalAdvance(name) + 12);
    }
    setColumnWidth(card::Name, widest);
}

void CardGridView::updateCursor(QWidget* surface, int row, int column)
{
    const bool clickable = column >= 0 && rule_(row, column) != CardClick::None;
    if (clickable)
        surface->setCursor(Qt::PointingHandCursor);
    else
        surface->unsetCursor();
}

void CardGridView::mousePressEvent(QMouseEvent* event)
{
    QTableView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && rule_(index.row(), index.column()) != CardClick::None)
        emit cellClicked(index.row(), index.column());
}

void CardGridView::mouseMoveEvent(QMouseEvent* event)
{
    QTableView::mouseMoveEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    updateCursor(viewport(), index.isValid() ? index.row() : -1, index.isValid() ? index.column() : -1);
}

bool CardGridView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == horizontalHeader()->viewport() && event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<QMouseEvent*>(event);
        updateCursor(horizontalHeader()->viewport(), -1,
                     horizontalHeader()->logicalIndexAt(move->position().toPoint()));
    }
    return QTableView::eventFilter(watched, event);
}

void CardGridView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageDown:
    case Qt::Key_PageUp:
        emit stepRace(event->key() == Qt::Key_PageDown ? 1 : -1);
        event->accept();
        return;
    case Qt::Key_Space: {
        const QModelIndex index = currentIndex();
        if (index.isValid() && rule_(index.row(), index.column()) == CardClick::Mark) {
            emit cellClicked(index.row(), index.column());
            event->accept();
            return;
        }
        break;
    }
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

RaceHeaderPanel::RaceHeaderPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName("HeaderPanel");
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    row_ = new QHBoxLayout(this);
    row_->setContentsMargins(6, 3, 6, 3);
    auto label = [&](const char* name, int pointSize) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        if (pointSize > 0) {
            QFont font = l->font();
            font.setPointSize(pointSize);
            font.setBold(true);
            l->setFont(font);
        }
        return l;
    };
    BashoLabel = label("BashoLabel", 16);
    RaceLabel = label("RaceLabel", 16);
    row_->addWidget(BashoLabel);
    row_->addWidget(RaceLabel);
    row_->addSpacing(12);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(1);
    Label1 = label("Label1", 0);
    Label2 = label("Label2", 12);
    Label3 = label("Label3", 0);
    for (QLabel* l : {Label1, Label2, Label3})
        lines->addWidget(l);
    row_->addLayout(lines, 1);
    OzGetTimeLabel = label("OzGetTimeLabel", 0);
    OzGetTimeLabel->setToolTip("オッズ発表時刻");
    row_->addWidget(OzGetTimeLabel);
    // The countdown to the next post time, shown only for today's races.
    label("RestTimeLabel", 0)->hide();
    row_->addWidget(findChild<QLabel*>("RestTimeLabel"));
    showHeader(RaceHeader{});
}

void RaceHeaderPanel::showHeader(const RaceHeader& h)
{
    const auto q = [](const std::string& s) { return QString::fromStdString(s); };
    Label1->setText(q(h.Label1));
    Label2->setText(q(h.Label2));
    Label3->setText(q(h.Label3));
    BashoLabel->setText(q(h.BashoLabel));
    RaceLabel->setText(q(h.RaceLabel));
    OzGetTimeLabel->setText(q(h.OzGetTimeLabel));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(h.panelColour ? h.panelColour : kOtherPanelColour));
    palette.setColor(QPalette::WindowText, Qt::white);
    setPalette(palette);
}

void RaceHeaderPanel::addTrailingWidget(QWidget* widget)
{
    widget->setParent(this);
    row_->addWidget(widget);
}

} // namespace solvane
