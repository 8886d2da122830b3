#include "gui/SqlExportUnit.h"

#include "app/AppShell.h"
#include "app/LoadSettings.h"
#include "gui/WorkerProgress.h"
#include "util/Files.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <atomic>

namespace solvane {

namespace {

QDate dateOfDigits(const std::string& yyyymmdd)
{
    return QDate::fromString(q(yyyymmdd), "yyyyMMdd");
}

} // namespace

TSqlExportForm::TSqlExportForm(AppShell& shell, QWidget* parent) : QDialog(parent), shell_(shell)
{
    setObjectName("SqlExportForm");
    setWindowTitle("SQLite書き出し");
    inform_ = [this](MessageKind kind, const QString& caption, const QString& text) {
        ShowMessageBox(this, kind, caption, text);
    };
    chooseSave_ = [](QWidget* parent, const QString& caption, const QString& start, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, caption, start, filter, nullptr, QFileDialog::DontConfirmOverwrite);
    };
    buildControls();
    FileEdit->setText(q(pathToUtf8(shell_.appFolder() / "solvane.sqlite")));
    resetPeriod();
}

TSqlExportForm::~TSqlExportForm()
{
    stopExport();
}

void TSqlExportForm::buildControls()
{
    auto* root = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    root->addLayout(grid);

    grid->addWidget(new QLabel("書き出し先", this), 0, 0);
    FileEdit = new QLineEdit(this);
    FileEdit->setObjectName("FileEdit");
    FileEdit->setMinimumWidth(420);
    FileEdit->setToolTip("同じ日がすでにあるファイルでは、その日の行を置き換えます。ほかの日はそのまま残ります");
    grid->addWidget(FileEdit, 0, 1);
    BrowseBtn = new QPushButton("参照…", this);
    BrowseBtn->setObjectName("BrowseBtn");
    connect(BrowseBtn, &QPushButton::clicked, this, &TSqlExportForm::BrowseBtnClick);
    grid->addWidget(BrowseBtn, 0, 2);

    grid->addWidget(new QLabel("期間", this), 1, 0);
    auto* period = new QHBoxLayout;
    FromDate = new QDateEdit(this);
    FromDate->setObjectName("FromDate");
    ToDate = new QDateEdit(this);
    ToDate->setObjectName("ToDate");
    for (QDateEdit* d : {FromDate, ToDate}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat("yyyy/MM/dd");
    }
    period->addWidget(FromDate);
    period->addWidget(new QLabel("～", this));
    period->addWidget(ToDate);
    period->addStretch();
    grid->addLayout(period, 1, 1, 1, 2);

    OddsCheck = new QCheckBox("全券種の確定オッズも書き出す（1年分で数千万行、時間がかかります）", this);
    OddsCheck->setObjectName("OddsCheck");
    grid->addWidget(OddsCheck, 2, 1, 1, 2);

    auto* progressRow = new QHBoxLayout;
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setValue(0);
    progressRow->addWidget(ProgressBar1, 1);
    ProgressLabel = new QLabel(this);
    ProgressLabel->setObjectName("ProgressLabel");
    ProgressLabel->setMinimumWidth(220);
    progressRow->addWidget(ProgressLabel);
    root->addLayout(progressRow);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    ExportBtn = new QPushButton("書き出し", this);
    ExportBtn->setObjectName("ExportBtn");
    ExportBtn->setDefault(true);
    connect(ExportBtn, &QPushButton::clicked, this, &TSqlExportForm::ExportBtnClick);
    CancelBtn = new QPushButton("中止", this);
    CancelBtn->setObjectName("CancelBtn");
    CancelBtn->setEnabled(false);
    connect(CancelBtn, &QPushButton::clicked, this, &TSqlExportForm::CancelBtnClick);
    CloseBtn = new QPushButton("閉じる", this);
    CloseBtn->setObjectName("CloseBtn");
    connect(CloseBtn, &QPushButton::clicked, this, &TSqlExportForm::close);
    for (QPushButton* b : {ExportBtn, CancelBtn, CloseBtn}) {
        b->setMinimumWidth(100);
        buttons->addWidget(b);
    }
    root->addLayout(buttons);
}

void TSqlExportForm::resetPeriod()
{
    const std::vector<std::string> days = ExportDays(shell_.appFolder(), "", "");
    const DateTime now = shell_.clock().now();
    const QDate today(now.year, now.month, now.day);
    FromDate->setDate(days.empty() ? today : dateOfDigits(DayDigits(days.front())));
    ToDate->setDate(days.empty() ? today : dateOfDigits(DayDigits(days.back())));
}

void TSqlExportForm::BrowseBtnClick()
{
    const QString file = chooseSave_(this, "書き出すSQLiteファイル", FileEdit->text(),
                                     "SQLite データベース (*.sqlite *.db);;すべてのファイル (*)");
    if (!file.isEmpty())
        FileEdit->setText(file);
}

void TSqlExportForm::tell(MessageKind kind, const QString& text)
{
    if (inform_)
        inform_(kind, windowTitle(), text);
}

void TSqlExportForm::setRunning(bool on)
{
    ExportBtn->setEnabled(!on);
    CancelBtn->setEnabled(on);
    for (QWidget* w : std::initializer_list<QWidget*>{FileEdit, BrowseBtn, FromDate, ToDate, OddsCheck})
        w->setEnabled(!on);
    if (on)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void TSqlExportForm::ExportBtnClick()
{
    if (running())
        return;
    const QString file = FileEdit->text().trimmed();
    if (file.isEmpty()) {
        tell(MessageKind::Error, "書き出し先のファイルを指定してください。");
        return;
    }
    if (FromDate->date() > ToDate->date()) {
        tell(MessageKind::Error, "期間の開始日が終了日より後です。");
        return;
    }
    SqliteExportOptions options;
    options.file = pathFromUtf8(file.toStdString());
    options.from = FromDate->date().toString("yyyyMMdd").toStdString();
    options.to = ToDate->date().toString("yyyyMMdd").toStdString();
    options.odds = OddsCheck->isChecked();
    options.load = LoadOptionsFrom(shell_.settings(), shell_.appFolder());

    const int days = static_cast<int>(ExportDays(shell_.appFolder(), options.from, options.to).size());
    ProgressBar1->setRange(0, std::max(days, 1));
    ProgressBar1->setValue(0);
    ProgressLabel->setText(QString("0/%1日").arg(days));
    setRunning(true);

    // The worker reads the store with its own copies of the options.
    run_.start(
        this, &TSqlExportForm::showProgress,
        [options = std::move(options)](const auto& report, std::atomic<bool>* cancel) {
            try {
                return ExportToSqlite(options, report, cancel);
            } catch (const std::exception& e) {
                SqliteExportResult failed;
                failed.outcome = SqliteExportOutcome::Failed;
                failed.message = std::string("書き出し中にエラーが発生しました：") + e.what();
                return failed;
            }
        },
        [this](const SqliteExportResult& result) { finishExport(result); });
}

void TSqlExportForm::showProgress()
{
    const std::optional<SqliteExportProgress> taken = run_.take();
    if (!taken)
        return;
    const SqliteExportProgress& p = *taken;
    if (p.daysTotal > 0)
        ProgressBar1->setRange(0, p.daysTotal);
    ProgressBar1->setValue(std::min(p.daysDone, ProgressBar1->maximum()));
    ProgressLabel->setText(QString("%1/%2日  %3").arg(p.daysDone).arg(p.daysTotal).arg(q(p.dayKey)));
}

void TSqlExportForm::finishExport(const SqliteExportResult& result)
{
    setRunning(false);
    QString text;
    MessageKind kind = MessageKind::Information;
    switch (result.outcome) {
    case SqliteExportOutcome::Written:
        text = q(SqliteExportSummary(result.counts));
        ProgressLabel->setText(QString("%1日を書き出しました").arg(result.counts.days));
        break;
    case SqliteExportOutcome::NoData:
        text = q(std::string(kSqliteNoDays));
        ProgressLabel->clear();
        break;
    case SqliteExportOutcome::Cancelled:
    case SqliteExportOutcome::Failed:
        kind = result.outcome == SqliteExportOutcome::Failed ? MessageKind::Error : MessageKind::Information;
        text = q(result.message);
        // Whole days written before the stop stay in the file: say how many.
        if (result.counts.days > 0)
            text += "\n" + q(SqliteExportSummary(result.counts));
        ProgressLabel->setText(result.outcome == SqliteExportOutcome::Failed ? "書き出せませんでした" : "中止しました");
        break;
    }
    if (!result.notes.empty())
        text += QString("\n（読み飛ばした行・日：%1件）").arg(result.notes.size());
    tell(kind, text);
    emit exportFinished(result.outcome);
}

void TSqlExportForm::CancelBtnClick()
{
    if (run_.cancel()) {
        CancelBtn->setEnabled(false);
        ProgressLabel->setText("中止しています…");
    }
}

void TSqlExportForm::stopExport()
{
    if (run_.stop())
        setRunning(false); // the stopped run's result is not shown
}

void TSqlExportForm::closeEvent(QCloseEvent* event)
{
    stopExport();
    QDialog::closeEvent(event);
}

void TSqlExportForm::reject()
{
    // Esc closes the window as "閉じる" does: a running export is stopped first.
    stopExport();
    QDialog::reject();
}

} // namespace solvane
