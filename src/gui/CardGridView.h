// The table view both card grids use (the main window's race card StringGrid1 and the entries
// window's grid), with its frozen horse columns, and the header panel above the race card.
#pragma once

#include "raceday/RaceCard.h"

#include <QTableView>
#include <QWidget>

class QEvent;
class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QMouseEvent;

namespace solvane {

class TextGridModel;

// A card grid view. What a cell does when clicked comes from a core rule; the view only reports it:
// cellClicked(row, column) for a click on a clickable cell (row -1 for the heading) or Space on a mark
// cell, and stepRace(+1 / -1) for PageDown / PageUp. The pointer turns into a hand exactly over the
// clickable cells. Arrow keys move the current cell as in any table.
class CardGridView : public QTableView {
    Q_OBJECT
public:
    using ClickRule = CardClick (*)(int row, int column);
    CardGridView(ClickRule rule, QWidget* parent = nullptr);

    // Shows a grid: a reset when the row or column count changed, otherwise the cells in place, so the
    // current cell stays where the keyboard left it.
    void showGrid(TextGridModel& model, const TextGrid& grid);
    // Columns as wide as their texts; names without the wide blanks that pad them to 36 bytes.
    void fitColumns();

signals:
    void cellClicked(int row, int column);
    void stepRace(int delta);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateCursor(QWidget* surface, int row, int column);
    ClickRule rule_;
};

// Keeps 枠, 馬 and 馬名 of a card-like grid in sight while the rest scrolls across; clicks on them
// work as on the grid. Call after the grid's model is set.
void FreezeHorseColumns(CardGridView* view, CardGridView::ClickRule rule);

// The header above the race card: venue and race number large on the left, the three lines of the race
// beside them, the odds time on the right, all on a panel coloured by the course.
class RaceHeaderPanel : public QWidget {
    Q_OBJECT
public:
    explicit RaceHeaderPanel(QWidget* parent = nullptr);
    void showHeader(const RaceHeader& header);
    // A control at the right end of the panel.
    void addTrailingWidget(QWidget* widget);

private:
    QHBoxLayout* row_ = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* BashoLabel = nullptr;
    QLabel* RaceLabel = nullptr;
    QLabel* OzGetTimeLabel = nullptr;
};

} // namespace solvane
