// The entries window "出馬表" (TDeForm), opened from "POP出馬表".
#pragma once

#include "gui/CardGridView.h"
#include "raceday/RaceCard.h"

#include <QWidget>

namespace solvane {

class SettingsFile;
class TextGridModel;

class TDeForm : public QWidget {
    Q_OBJECT
public:
    // Reads its geometry from [locateDE] now and writes it there when it closes.
    explicit TDeForm(SettingsFile& settings, QWidget* parent = nullptr);
    ~TDeForm() override;

    // A race selected in the main window: rows in horse-number order, every direction flag 1.
    void selectRace(const RaceDay& day, int slot);
    // New values for the shown race (odds, results): the order of the rows is kept.
    void refill(const RaceDay& day);
    // A day load begins: nothing shown.
    void clearRace();

    // "SortDe": sorts by the last clicked column.
    void SortDeBtnClick();
    // A click on a cell (row -1 the heading).
    void DeGridMouseDown(int row, int column);

    const TextGrid& grid() const { return state_.grid(); }
    CardGridView* view() const { return DeGrid; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void show_();

    SettingsFile& settings_;
    EntriesState state_;
    CardGridView* DeGrid = nullptr;
    TextGridModel* model_ = nullptr;
};

} // namespace solvane
