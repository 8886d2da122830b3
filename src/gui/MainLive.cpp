// The main window's race-day live work: the fetch buttons, the one-second schedule tick, the clock
// and countdown, the next-race list, the fetch-time window and the time-series odds commands.
// Every rule is in the core (voting/Schedule, voting/LiveDay, raceday/TimeSeries); this file only
// wires controls to it and shows what comes back.
#include "app/AppFolder.h"
#include "app/LoadSettings.h"
#include "app/SettingsKeys.h"
#include "gui/DeUnit.h"
#include "gui/Main.h"
#include "gui/OddsPageWidget.h"
#include "gui/OzGetTimeUnit.h"
#include "gui/TextGridModel.h"
#include "raceday/DayLoader.h"
#include "raceday/Payouts.h"
#include "raceday/RaceDay.h"
#include "raceday/TimeSeries.h"
#include "store/Store.h"
#include "util/Files.h"
#include "util/Text.h"
#include "voting/LiveDay.h"
#include "voting/Schedule.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

namespace solvane {

void TMainForm::buildLive()
{
    schedule_ = std::make_unique<ScheduleState>();
    beep_ = [] { QApplication::beep(); };
    playSound_ = [this](const QString& file) {
        if (!alarm_)
            alarm_ = std::make_unique<AlarmSound>();
        alarm_->play(file);
    };
    runDialog_ = [](QDialog& dialog) { return dialog.exec(); };
    chooseFolder_ = [](QWidget* parent, const QString& caption, const QString& start) {
        return QFileDialog::getExistingDirectory(parent, caption, start);
    };

    NowTimLabel = new QLabel(this);
    NowTimLabel->setObjectName("NowTimLabel");
    statusBar()->addPermanentWidget(NowTimLabel);
    RestTimeLabel = HeaderPanel->findChild<QLabel*>("RestTimeLabel");

    // The day's races by post time, under the race list, with the button that points at the next one.
    auto* next = addButton(nullptr, "NextRBtn", "直近R", "次に発走するレースを選択します", &TMainForm::NextRBtnClick);
    next->setParent(Panel1);
    next->setFixedWidth(DatList->width());
    Panel1->layout()->addWidget(next);
    NowTimeRaceList = new QListWidget(Panel1);
    NowTimeRaceList->setObjectName("NowTimeRaceList");
    NowTimeRaceList->setFixedWidth(DatList->width());
    NowTimeRaceList->setMaximumHeight(160);
    Panel1->layout()->addWidget(NowTimeRaceList);

    // One timer does the work of all the schedule's timers: the schedule knows their intervals and
    // says at each tick which of them are due.
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kTimer1Ms);
    connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
    Timer1->start();
}

void TMainForm::beep()
{
    if (beep_)
        beep_();
}

void TMainForm::playAlarm(const std::string& file)
{
    if (playSound_)
        playSound_(q(file));
}

FetchEnv TMainForm::fetchEnv()
{
    FetchEnv env{shell_.clock()};
    env.pumpEvents = [] { QCoreApplication::processEvents(); };
    env.showStatus = [this](const std::string& text) { DLlabel->setText(q(text)); };
    env.appendErrorLog = [this](const std::string& line) {
        std::string why;
        if (!AppendErrorLog(shell_.appFolder(), shell_.clock(), line, &why))
            statusBar()->showMessage(q(why));
    };
    env.notRefresh = shell_.settings().get(keys::NotRefresh);
    env.fetchTimes = FetchTimeSettingsFrom(shell_.settings());
    return env;
}

void TMainForm::Timer1Timer()
{
    const DateTime now = shell_.clock().now();
    ScheduleSettings settings;
    settings.overWriteOK = shell_.overWriteOK();
    settings.sound1 = shell_.sound1();
    settings.ozAlarm = shell_.settings().get(keys::OzAlarm);
    const DueActions due = schedule_->tick(*day_, now, settings, DatList->currentRow() >= 0);
    // A stopped clock keeps showing the time it stopped at.
    if (!due.clockText.empty())
        NowTimLabel->setText(q(due.clockText));
    if (RestTimeLabel)
        RestTimeLabel->setText(q(due.restTimeText));
    if (!due.any())
        return;
    const WorkScope work(*this);
    const TickOutcome out = RunDueActions(*schedule_, jvlink_, *day_, fetchEnv(), due, [this](const std::string& line) {
        if (!shell_.dailyLog().append(line))
            statusBar()->showMessage(q(shell_.dailyLog().lastError()));
    });
    for (int i = 0; i < out.beeps; ++i)
        beep();
    if (out.playSound)
        playAlarm(out.soundFile);
    // New odds, results or mining values reach the shown race; its marks and row order stay.
    if (!out.fetches.empty())
        redisplayRace();
    if (out.nextRace)
        showNextRace(*out.nextRace);
    DLlabel->setText(q(out.status));
}

void TMainForm::onDayLoadedLive(const DayLoadResult& result)
{
    schedule_->onDayLoaded(*day_, result, shell_.settings().get(keys::AutoRdataGet), shell_.clock().now());
    NowTimeRaceList->clear();
    if (RestTimeLabel) {
        RestTimeLabel->clear();
        RestTimeLabel->setVisible(result.isToday);
    }
}

void TMainForm::redisplayRace()
{
    const int slot = card_.slot();
    if (slot < 0 || day_->RaceList.empty())
        return;
    HeaderPanel->showHeader(BuildRaceHeader(*day_, slot));
    resultsModel_->setGrid(ResultsGrid(*day_, slot));
    showPayoutPanel(slot);
    oddsPage_->showRace(*day_, slot);
    sisushutubaBtnClick();
}

void TMainForm::showFetch(const FetchResult& result)
{
    if (!result.ran)
        return;
    for (int i = 0; i < result.beeps; ++i)
        beep();
    DLlabel->setText(q(result.status));
    if (result.redisplay)
        redisplayRace();
    if (result.pressNextRace)
        NextRBtnClick();
}

void TMainForm::SokuhoOddsBtnClick()
{
    const WorkScope work(*this);
    showFetch(PressSokuhoOdds(*schedule_, jvlink_, *day_, fetchEnv()));
}

void TMainForm::KekkaGetBtnClick()
{
    const WorkScope work(*this);
    const FetchResult result = solvane::KekkaGetBtnClick(jvlink_, *day_, fetchEnv());
    showFetch(result);
    // The results page and the finishing order show what came.
    if (result.ran)
        redisplayRace();
}

void TMainForm::GetDMBtnClick()
{
    const WorkScope work(*this);
    const FetchResult result = solvane::GetDMBtnClick(jvlink_, *day_, fetchEnv());
    showFetch(result);
    if (result.ran)
        redisplayRace();
}

void TMainForm::GetKaisaiBtnClick()
{
    const WorkScope work(*this);
    const FetchResult result = solvane::GetKaisaiBtnClick(jvlink_, *day_, fetchEnv());
    schedule_->onPostTimesMoved(*day_, result.movedSlots, shell_.clock().now());
    showFetch(result);
    if (result.ran)
        redisplayRace();
}

void TMainForm::showNextRace(const NextRaceSelection& next)
{
    const QSignalBlocker block(NowTimeRaceList);
    NowTimeRaceList->clear();
    for (const std::string& line : next.lines)
        NowTimeRaceList->addItem(q(line));
    NowTimeRaceList->setCurrentRow(next.selected ? *next.selected : -1);
}

void TMainForm::NextRBtnClick()
{
    showNextRace(solvane::NextRBtnClick(*day_, shell_.clock().now()));
}

void TMainForm::NextRaceBtnClick()
{
    if (DateCombo->currentIndex() < 0)
        return;
    const auto slot = NextRaceBtnSlot(*day_, shell_.clock().now());
    if (!slot)
        return;
    for (std::size_t i = 0; i < day_->RaceList.size(); ++i) {
        if (day_->RaceList[i].slot != *slot)
            continue;
        const int row = static_cast<int>(i);
        if (DatList->currentRow() == row)
            DatListClick(); // shown again, as a click on the selected line would
        else
            DatList->setCurrentRow(row); // runs DatListClick
        return;
    }
}

void TMainForm::OzGetTimeMenuClick()
{
    TOzGetTimeForm form(
        shell_.settings(), AlarmSoundFolders(shell_.appFolder(), shell_.windowsFolder()),
        [this](const QString& file) {
            if (playSound_)
                playSound_(file);
        },
        this);
    form.setMessageSink(inform_);
    runDialog_(form);
}

void TMainForm::T1Click()
{
    const auto folder = TimeSeriesFolderFrom(shell_.settings(), shell_.appFolder());
    // The information box beeps before it shows.
    if (!folder) {
        message(MessageKind::Information, "Solvane", q(kTimeSeriesFolderNotSet));
        return;
    }
    if (DateCombo->currentText().isEmpty() || day_->DayKey.empty()) {
        message(MessageKind::Information, "Solvane", q(kTimeSeriesNoDay));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const TimeSeriesResult result = ImportTimeSeriesOdds(*day_, *folder, StoreFolder(shell_.appFolder()));
    QApplication::restoreOverrideCursor();
    if (!result.error.empty())
        message(MessageKind::Error, "Solvane", q(result.error));
    else if (!quiet_)
        message(MessageKind::Information, "Solvane", q(TimeSeriesMessage(result)));
    // The stored snapshots reach the model through a fresh load, as any odds file change does.
    DateComboChange();
}

void TMainForm::N12Click()
{
    SettingsFile& settings = shell_.settings();
    const QString caption = q(kTimeSeriesFolderCaption);
    const QString chosen = chooseFolder_ ? chooseFolder_(this, caption, q(settings.get(keys::Jikeiretu))) : QString();
    if (chosen.isEmpty())
        return;
    if (!settings.set(keys::Jikeiretu, QDir::toNativeSeparators(chosen).toStdString()))
        message(MessageKind::Error, caption, q(settings.lastError()));
}

void TMainForm::N110Click()
{
    if (day_->DayKey.empty() || DatList->count() == 0) {
        message(MessageKind::Information, "Solvane", q(kAllOddsNoDay));
        return;
    }
    for (int row = 0; row < DatList->count(); ++row) {
        {
            const QSignalBlocker block(DatList);
            DatList->setCurrentRow(row);
        }
        DatListClick();
        // A race without runners is not selected (the card keeps the race before it): nothing to fetch.
        if (static_cast<std::size_t>(row) >= day_->RaceList.size() ||
            card_.slot() != day_->RaceList[static_cast<std::size_t>(row)].slot)
            continue;
        SokuhoOddsBtnClick();
    }
}

} // namespace solvane
