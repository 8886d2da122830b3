// The main window's page "オッズ": the odds of every bet type of the shown race without marking anything
// first. A bar of the eight types above one table; the grids, their line and their shading are the
// core's (raceday/OddsPage.h). Trio and trifecta lists grow a page at a time as the user scrolls to
// their end.
#pragma once

#include "raceday/OddsPage.h"

#include <QWidget>

class QLabel;
class QShowEvent;
class QTabBar;
class QTableView;

namespace solvane {

struct RaceDay;
class FrozenColumns;
class TextGridModel;

class OddsPageWidget : public QWidget {
    Q_OBJECT
public:
    explicit OddsPageWidget(QWidget* parent = nullptr);

    // Shows the slot's odds of day, which must outlive the page or be cleared from it. The same race
    // again (new odds fetched) keeps the chosen type, the rows a list has grown to and the scroll
    // position. While the page is hidden the grid waits until it is shown, so a race choice costs
    // nothing on the other pages and the trio and trifecta blocks are decoded only when looked at.
    void showRace(const RaceDay& day, int slot);
    // Nothing shown; the day is forgotten.
    void clear();

    OddsType type() const;
    void setType(OddsType type);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuild();
    void growList(int scrollValue);
    void fitColumns();

    QTabBar* OddsTypeBar = nullptr;
    QLabel* OddsCaption = nullptr;
    QTableView* OddsGrid = nullptr;
    TextGridModel* model_ = nullptr;
    FrozenColumns* frozen_ = nullptr;

    const RaceDay* day_ = nullptr;
    int slot_ = -1;
    int listRows_ = kOddsListStep;
    int listLength_ = 0;
    int matrixFrom_ = -1; // the first number column of a matrix; -1 for a list
    bool stale_ = false;  // showRace came while hidden
    bool toTop_ = false;  // another race or type: its grid starts at the top
};

} // namespace solvane
